#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Every number the game keeps is a 16-bit signed word, flags included.
using Word = std::int16_t;

// Flags are words too: True is all bits set, and the rules test for exactly -1.
inline constexpr Word True = -1;
inline constexpr Word False = 0;

inline constexpr int CellCount = 16;

// Sixteen words read by cell number, 1 to 16 row by row, so the rules can say
// Cells(k) as the player counts the board. A number outside 1..16 is a fault in
// the caller and throws rather than touching a neighbouring variable.
class PerCell {
  public:
    Word& operator()(int k) { return words_.at(static_cast<std::size_t>(k - 1)); }
    Word operator()(int k) const { return words_.at(static_cast<std::size_t>(k - 1)); }
    bool operator==(const PerCell&) const = default;

  private:
    std::array<Word, CellCount> words_{};
};

// The blank of the fifteen puzzle is tile number 16.
inline constexpr Word Blank = 16;

// Values of GameMode and TileStyle.
inline constexpr Word FifteenPuzzle = 1;
inline constexpr Word PairsGame = 2;
inline constexpr Word DigitTiles = 1;
inline constexpr Word PictureTiles = 2;

// The whole state of a run. The window owns one for its lifetime; the rules and
// commands read and write it in place. It comes into being all zeros.
struct GameState {
    PerCell Cells;      // tile number in each cell, 0 for none
    Word TileStyle = 0; // look of the fifteen-puzzle tiles
    Word HeldTile = 0;  // tile taken by the last click that moved nothing
    PerCell MoveTarget; // True where the held tile may go
    Word GameMode = 0;  // which game is on the board
    Word FlipCount = 0; // cards turned face up in the current pairs turn
    PerCell FaceShown;  // face each card shows, 0 for its back
    Word PairTicks = 0; // pairs ticks since the last look for matched pairs

    bool operator==(const GameState&) const = default;
};

// The window's load event: the run starts in the fifteen puzzle with digit
// tiles, and no board is dealt until the player asks for one.
void Form_Load(GameState& state);
