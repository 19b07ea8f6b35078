#pragma once

// The hidden picture holders, by number: the one place that says which holder
// keeps which picture. The rules, the redraw, the window, the picture table
// and the program that draws the pictures all count from here.
//
// Holders 17..32 are the sixteen board cells themselves (cell k is holder
// 16 + k), which keep no picture of their own.

// Tile v (1..16, 16 the blank) in each style: digit tiles are held by
// FirstDigitTile - 1 + v, picture tiles by FirstPictureTile - 1 + v.
inline constexpr int TileCount = 16;
inline constexpr int FirstDigitTile = 1;
inline constexpr int FirstPictureTile = 33;

// The card every face-down card shows, and the eight faces: face f is held
// by FirstFace - 1 + f.
inline constexpr int CardBack = 49;
inline constexpr int FaceCount = 8;
inline constexpr int FirstFace = 50;

inline constexpr int LastHolder = FirstFace - 1 + FaceCount;
// A table indexed by holder number, from 0, has this many entries.
inline constexpr int HolderCount = LastHolder + 1;

// Whether holder `holder` keeps a picture.
constexpr bool HoldsPicture(int holder) {
    return (holder >= FirstDigitTile && holder < FirstDigitTile + TileCount) ||
           (holder >= FirstPictureTile && holder <= LastHolder);
}

static_assert(FirstPictureTile + TileCount == CardBack, "the card back follows the pieces");
static_assert(LastHolder == 57, "41 pictures, the last in holder 57");
