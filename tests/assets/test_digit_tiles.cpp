// The numbered tiles: a red numeral on plain grey, and the plain blank.
#include "picture_support.h"

#include <cmath>
#include <cstdlib>

using namespace picture_test;

namespace {

// Runs of columns that hold red: one per figure of the numeral.
int FiguresIn(const QImage& tile) {
    int runs = 0;
    bool previous = false;
    for (int x = 0; x < tile.width(); ++x) {
        const bool red = !BoundsOf(
                              tile, [](QRgb c) { return c == kRed; }, QRect(x, 0, 1, tile.height()))
                              .isNull();
        runs += red && !previous;
        previous = red;
    }
    return runs;
}

class NumeralTile : public testing::TestWithParam<int> {};

TEST_P(NumeralTile, ShowsACentredRedNumeralOfTheRightSize) {
    const QImage& tile = PictureOf(GetParam());
    EXPECT_EQ(ColoursIn(tile), (Colours{kLightGrey, kRed}));
    const QRect numeral = BoundsOf(tile, [](QRgb c) { return c == kRed; });
    const bool oneFigure = GetParam() < 10;
    EXPECT_GE(numeral.height(), oneFigure ? 67 : 46);
    EXPECT_LE(numeral.height(), oneFigure ? 70 : 47);
    EXPECT_GE(numeral.width(), oneFigure ? 30 : 56);
    EXPECT_LE(numeral.width(), oneFigure ? 49 : 65);
    EXPECT_EQ(FiguresIn(tile), oneFigure ? 1 : 2);
    const QPointF offCentre = QRectF(numeral).center() - QRectF(tile.rect()).center();
    EXPECT_LE(std::abs(offCentre.x()), 3.0);
    EXPECT_LE(std::abs(offCentre.y()), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Tiles1To15, NumeralTile, testing::Range(1, 16), HolderName);

TEST(DigitTiles, BlankIsPlainGrey) {
    EXPECT_EQ(ColoursIn(PictureOf(16)), Colours{kLightGrey});
}

} // namespace
