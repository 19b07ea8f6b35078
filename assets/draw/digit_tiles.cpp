#include "artwork.h"
#include "glyphs.h"
#include "holders.h"
#include "raster.h"

#include <QSize>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace draw {

namespace {

// Each tile's picture keeps its own size; the board places it unscaled.
// clang-format off
constexpr std::array<QSize, 16> kTileSizes = {{
    {87, 78}, {91, 78}, {88, 76}, {91, 76}, {95, 78}, {87, 79}, {83, 80}, {85, 82},
    {82, 81}, {89, 79}, {87, 78}, {82, 79}, {81, 78}, {85, 78}, {85, 78}, {83, 73},
}};
// clang-format on

// Numerals are a little narrower than the typeface draws them so that two
// figures fit a tile side by side at a readable height.
constexpr qreal kSqueeze = 0.82;

struct NumeralBox {
    int height;
    int minWidth;
    int maxWidth;
};
constexpr NumeralBox kOneFigure = {68, 32, 47};
constexpr NumeralBox kTwoFigures = {46, 57, 64};

QImage Tile(int number, QSize size) {
    QImage tile = Canvas(size.width(), size.height());
    if (number == 16) {
        return tile; // the blank
    }
    const QString text = QString::number(number);
    const NumeralBox box = text.size() == 1 ? kOneFigure : kTwoFigures;
    const QPainterPath numeral = TextPath(text, 100);
    const QRectF natural = numeral.boundingRect();
    const int naturalWidth =
        static_cast<int>(std::lround(natural.width() * box.height / natural.height() * kSqueeze));
    const int width = std::clamp(naturalWidth, box.minWidth, box.maxWidth);
    const Mask ink = FitMask(numeral, width, box.height);
    const QPoint at((size.width() - width) / 2, (size.height() - box.height) / 2);
    Paint(tile, ink, kRed, at);
    return tile;
}

} // namespace

std::vector<Picture> DigitTiles() {
    std::vector<Picture> tiles;
    for (int n = 1; n <= TileCount; ++n) {
        tiles.push_back({FirstDigitTile - 1 + n, Tile(n, kTileSizes[static_cast<size_t>(n - 1)])});
    }
    return tiles;
}

} // namespace draw
