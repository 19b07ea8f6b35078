// The game's built-in pictures, each with the holder number the game knows it by.
#pragma once

#include "board_layout.h"

#include <QImage>
#include <vector>

namespace draw {

struct Picture {
    int holder;
    QImage image;
};

// Holders 1..15 show their numerals; holder 16 is the blank tile.
std::vector<Picture> DigitTiles();

// Holders 33..47 are the pieces of one picture cut on the board's 4x4 grid;
// holder 48 is the blank that takes the sixteenth place.
std::vector<Picture> PicturePieces();

// Holder 49 is the card back, 50..57 the eight pair faces.
std::vector<Picture> Cards();

// Tiles 1..16 laid out as the solved board shows them, on the board's pitch, lower numbers on top
// where neighbours overlap; uncovered pixels are `gap`.
QImage SolvedBoard(const std::vector<Picture>& tiles, QRgb gap);

// Every picture labelled with its holder number, plus both solved boards.
QImage ContactSheet(const std::vector<Picture>& digits, const std::vector<Picture>& pieces,
                    const std::vector<Picture>& cards);

} // namespace draw
