// The sixteen picture pieces: one picture cut on the board's grid, plus the blank.
#include "picture_support.h"

#include <cmath>
#include <map>
#include <ostream>
#include <string>

using namespace picture_test;

namespace {

// Pieces 1..15 were cut from one whole, so where two overlap on the solved
// board they must show the same pixels, or the seams would show.
TEST(PicturePieces, AgreeWhereTheyOverlap) {
    int overlaps = 0;
    for (int a = 1; a <= 15; ++a) {
        for (int b = a + 1; b <= 15; ++b) {
            const QRect shared = PieceOnBoard(a).intersected(PieceOnBoard(b));
            if (shared.isEmpty()) {
                continue;
            }
            ++overlaps;
            const QImage pa = PieceOf(a).copy(shared.translated(-PieceOnBoard(a).topLeft()));
            const QImage pb = PieceOf(b).copy(shared.translated(-PieceOnBoard(b).topLeft()));
            EXPECT_TRUE(pa == pb) << "pieces " << a << " and " << b;
        }
    }
    EXPECT_GT(overlaps, 10); // the sizes really do overlap
}

struct PieceContent {
    int piece;
    Colours required;
    Colours allowed; // besides light and dark grey and the required ones
};

void PrintTo(const PieceContent& content, std::ostream* os) {
    *os << "piece " << content.piece;
}

class PieceShows : public testing::TestWithParam<PieceContent> {};

TEST_P(PieceShows, ItsPartOfThePicture) {
    const PieceContent& want = GetParam();
    const Colours found = ColoursIn(PieceOf(want.piece));
    for (QRgb colour : want.required) {
        EXPECT_TRUE(found.contains(colour)) << "missing " << ColourName(colour);
    }
    for (QRgb colour : found) {
        EXPECT_TRUE(colour == kLightGrey || colour == kDarkGrey || want.required.contains(colour) ||
                    want.allowed.contains(colour))
            << "unexpected " << ColourName(colour);
    }
}

const Colours kGlint = {kOlive, kYellow}; // where the arrow meets the heart

INSTANTIATE_TEST_SUITE_P(
    Pieces, PieceShows,
    testing::Values(PieceContent{1, {kBlue}, {}}, PieceContent{2, {kBlue}, {}},
                    PieceContent{3, {kBlue, kBlack}, {}}, PieceContent{4, {kBlue}, {}},
                    PieceContent{5, {kRed, kBlack}, {}}, PieceContent{6, {kRed, kBlack}, {}},
                    PieceContent{7, {kRed, kBlack, kBlue}, kGlint},
                    PieceContent{8, {kRed, kBlack, kBlue}, kGlint}, PieceContent{9, {}, {}},
                    PieceContent{10, {kRed, kBlack, kBlue}, kGlint},
                    PieceContent{11, {kRed, kBlack}, {kBlue, kOlive, kYellow}},
                    PieceContent{12, {}, {}}, PieceContent{13, {kMagenta}, {}},
                    PieceContent{14, {kMagenta}, {}}, PieceContent{15, {kMagenta, kWhite}, {}},
                    PieceContent{16, {kWhite, kRed}, {}}),
    [](const testing::TestParamInfo<PieceContent>& info) {
        return "piece" + std::to_string(info.param.piece);
    });

// Large, red inside a black outline, in the middle rows; only the tip of its
// left lobe reaches piece 5.
TEST(PicturePieces, HeartFillsTheMiddleRows) {
    const QImage board = SolvedPieces();
    const QRect aboveBottomRow(0, 0, board.width(), 216);
    const QRect heart = BoundsOf(
        board, [](QRgb c) { return c == kRed; }, aboveBottomRow);
    EXPECT_GE(heart.top(), 72);
    EXPECT_GE(heart.width(), 150);
    EXPECT_GE(heart.height(), 110);
    EXPECT_FALSE(Touches(board, kRed, kLightGrey, aboveBottomRow)) << "gap in the outline";
    EXPECT_GE(heart.left(), PieceOnBoard(5).right() - 10);
}

// Below the letters the blue is the arrow: fletching at the top right in
// piece 4, head at the lower left in piece 10.
TEST(PicturePieces, ArrowFliesFromTopRightToLowerLeft) {
    const QImage board = SolvedPieces();
    QPoint right(-1, 0), left(1000, 0);
    double n = 0, sx = 0, sy = 0, sxy = 0;
    ForEachPixel(board, QRect(0, 50, board.width(), 216 - 50), [&](int x, int y, QRgb c) {
        if (c == kBlue) {
            right = x > right.x() ? QPoint(x, y) : right;
            left = x < left.x() ? QPoint(x, y) : left;
            n += 1, sx += x, sy += y, sxy += double(x) * y;
        }
    });
    ASSERT_GT(n, 100);
    EXPECT_LT(sxy / n - (sx / n) * (sy / n), 0) << "x and y should fall together";
    EXPECT_TRUE(PieceOnBoard(4).contains(right) && !PieceOnBoard(3).contains(right));
    EXPECT_TRUE(PieceOnBoard(10).contains(left) && left.y() < 216);
}

TEST(PicturePieces, Piece3HasAOnePixelRuleAlongItsTop) {
    const QImage& piece = PictureOf(35);
    const QRect rule = BoundsOf(piece, [](QRgb c) { return c == kBlack; });
    EXPECT_EQ(rule.top(), 0);
    EXPECT_EQ(rule.height(), 1);
    EXPECT_GE(rule.width(), piece.width() * 9 / 10);
    EXPECT_EQ(rule.right(), piece.width() - 1);
}

TEST(PicturePieces, Piece15HasAWhiteStripDownItsRightToTheBottom) {
    const QImage& piece = PictureOf(47);
    const QRect strip = BoundsOf(piece, [](QRgb c) { return c == kWhite; });
    EXPECT_EQ(strip.right(), piece.width() - 1);
    EXPECT_EQ(strip.bottom(), piece.height() - 1);
    EXPECT_LE(strip.width(), 8);
    EXPECT_GE(strip.height(), piece.height() * 3 / 4);
}

// White with a grey margin top, left and bottom, and a red X in the middle.
TEST(PicturePieces, BlankIsARedCrossOnWhite) {
    const QImage& blank = PictureOf(48);
    const int w = blank.width(), h = blank.height();
    EXPECT_EQ(ColoursIn(blank, QRect(0, 0, w, 1)), Colours{kLightGrey});
    EXPECT_EQ(ColoursIn(blank, QRect(0, h - 1, w, 1)), Colours{kLightGrey});
    EXPECT_EQ(ColoursIn(blank, QRect(0, 0, 1, h)), Colours{kLightGrey});
    EXPECT_EQ(blank.pixel(w - 1, h / 2), kWhite) << "no margin on the right";

    const QRect cross = BoundsOf(blank, [](QRgb c) { return c == kRed; });
    EXPECT_NEAR(cross.width(), 34, 3);
    EXPECT_NEAR(cross.height(), 41, 3);
    EXPECT_NEAR(cross.center().x(), w / 2, 3);
    EXPECT_NEAR(cross.center().y(), h / 2, 3);
    EXPECT_FALSE(Touches(blank, kRed, kLightGrey)) << "the cross sits on white";
    // An X, not a box: red at its centre, white at the middles of its sides.
    EXPECT_EQ(blank.pixel(cross.center()), kRed);
    EXPECT_EQ(blank.pixel(cross.left(), cross.center().y()), kWhite);
    EXPECT_EQ(blank.pixel(cross.center().x(), cross.top()), kWhite);
}

TEST(PicturePieces, SolvedBoardShowsTheBlankInTheLastPlace) {
    const Colours last = ColoursIn(SolvedPieces(), QRect(250, 235, 60, 55));
    EXPECT_TRUE(last.contains(kRed) && last.contains(kWhite));
}

} // namespace
