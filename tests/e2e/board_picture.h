#pragma once

#include "board_facts.h"

#include <QImage>
#include <QRect>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a player should see on the board, worked out from the committed PNGs
// alone, never from the game's code: the client area is the background, and
// every cell draws its picture unscaled at its corner, the lower-numbered
// cells on top.

// The board's facts by their short names: the suites never meet the game's
// own headers, where the same names stand.
using facts::CardBack;
using facts::ClientHeight;
using facts::ClientWidth;
using facts::DigitBlank;
using facts::FaceHolder;
using facts::FirstPiece;
inline constexpr QRgb Background = 0xff3c4a5a;

// Holder of the picture each cell shows, 1..16 by cell; 0 for a cell that
// shows nothing (empty, or hidden).
using Layout = std::array<int, 16>;

Layout Nothing();
// Every card face down.
Layout Backs();
// Cell k holds tile k: digits (firstHolder 1) or pieces (firstHolder 33).
Layout Arranged(int firstHolder);
// The same with `cells` of the board replaced, as {cell, holder} pairs.
Layout With(Layout layout, std::initializer_list<std::pair<int, int>> cells);
std::string Describe(const Layout& layout);
// What a screen reader must say for each cell of a fifteen-puzzle layout: the
// tile's number in either style, and a word for the blank.
std::vector<std::string> TileNames(const Layout& layout);

// Top-left corner of cell k in the client area, unscaled.
QPoint CellCorner(int k);
// The middle of cell k's own part: no picture of another cell ever reaches
// over it, so a click there is always cell k's and its pixels are its own.
QRect CellCore(int k);

class Pictures {
  public:
    static const Pictures& Committed();
    const QImage& Holder(int holder) const;

  private:
    Pictures();
    std::array<QImage, facts::LastHolder + 1> holders_;
};

// The client area a player should see, at `scale` screen pixels per pixel.
QImage Compose(const Layout& layout, int scale = 1);

// Which of `candidates` (0 for nothing) cell k of `client` shows, judged by
// its core; nothing when none or more than one fits.
std::optional<int> Recognise(const QImage& client, int k, const std::vector<int>& candidates,
                             int scale = 1);
// Every cell recognised among `candidates`; unrecognised cells are -1.
Layout Read(const QImage& client, const std::vector<int>& candidates, int scale = 1);

std::vector<int> Range(int first, int last);

// Cells whose part of the board differs between the two images.
std::vector<int> DifferingCells(const QImage& seen, const QImage& expected, int scale = 1);
