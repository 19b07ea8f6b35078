#include "artwork.h"
#include "glyphs.h"
#include "holders.h"
#include "raster.h"

#include <QLineF>
#include <QPolygonF>
#include <QSize>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace draw {

namespace {

// Each piece keeps its own size; the board shows it unscaled at its cell's
// corner, so neighbouring pieces overlap a little and must agree there.
// clang-format off
constexpr std::array<QSize, 16> kPieceSizes = {{
    {80, 65}, {82, 66}, {80, 73}, {83, 75}, {79, 79}, {86, 82}, {81, 83}, {83, 78},
    {75, 90}, {80, 90}, {88, 91}, {82, 87}, {75, 78}, {85, 79}, {86, 84}, {81, 86},
}};
// clang-format on

constexpr int kWholeWidth = 330;
constexpr int kWholeHeight = 310;

QPoint CellCorner(int piece) {
    return {board::PitchX * ((piece - 1) % 4), board::PitchY * ((piece - 1) / 4)};
}

QRect PieceRect(int piece) {
    return {CellCorner(piece), kPieceSizes[static_cast<size_t>(piece - 1)]};
}

// "love", one letter centred on each piece of the top row.
void PaintLove(QImage& whole) {
    constexpr qreal kSize = 54;
    constexpr qreal kBaseline = 45;
    const QString word = QStringLiteral("love");
    for (int i = 0; i < 4; ++i) {
        const QPainterPath letter = TextPath(word.mid(i, 1), kSize);
        const QRect piece = PieceRect(i + 1);
        const qreal dx = piece.left() + piece.width() / 2.0 - letter.boundingRect().center().x();
        Paint(whole, Mask::FromPath(letter.translated(dx, kBaseline), kWholeWidth, kWholeHeight),
              kBlue);
    }
}

// "любовь" across the first three pieces of the bottom row, two letters on
// each. No piece shows the columns between pieces 13 and 14, so the word
// breaks there between letters.
void PaintLyubov(QImage& whole) {
    constexpr qreal kSize = 43;
    constexpr qreal kBaseline = 280;
    constexpr qreal kFirstPairRight = 73; // piece 13 ends at column 74
    constexpr qreal kSecondPairLeft = 82; // piece 14 starts at column 80
    constexpr qreal kThirdPairLeft = 161; // piece 15 starts at column 160
    std::vector<QPainterPath> letters = LetterPaths(QStringLiteral("любовь"), kSize);
    const auto ink = [&](size_t i) { return letters[i].boundingRect(); };
    const auto moveLeftTo = [&](size_t i, qreal left) {
        letters[i].translate(left - ink(i).left(), 0);
    };
    const qreal firstShift = kFirstPairRight - ink(1).right();
    letters[0].translate(firstShift, 0);
    letters[1].translate(firstShift, 0);
    moveLeftTo(2, kSecondPairLeft);
    // The letters after the break share one gap so the word keeps an even step.
    const qreal gap = (kThirdPairLeft - ink(2).right() - ink(3).width()) / 2;
    moveLeftTo(3, ink(2).right() + gap);
    moveLeftTo(4, kThirdPairLeft);
    moveLeftTo(5, ink(4).right() + gap);
    for (const QPainterPath& letter : letters) {
        Paint(whole, Mask::FromPath(letter.translated(0, kBaseline), kWholeWidth, kWholeHeight),
              kMagenta);
    }
}

// The classic heart curve, scaled to fill the middle of the two middle rows:
// the lobes stay below the top row and the point above the bottom row.
QPainterPath HeartShape() {
    constexpr qreal kCentreX = 163;
    constexpr qreal kTop = 78;
    constexpr qreal kBottom = 208;
    constexpr qreal kHalfWidth = 90;
    constexpr int kSteps = 720;
    QPolygonF curve;
    qreal highest = -1e9;
    qreal lowest = 1e9;
    std::vector<QPointF> raw;
    for (int i = 0; i < kSteps; ++i) {
        const qreal t = 2 * std::numbers::pi * i / kSteps;
        const qreal x = 16 * std::pow(std::sin(t), 3);
        const qreal y =
            13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
        raw.emplace_back(x, y);
        highest = std::max(highest, y);
        lowest = std::min(lowest, y);
    }
    const qreal sx = kHalfWidth / 16;
    const qreal sy = (kBottom - kTop) / (highest - lowest);
    for (const QPointF& p : raw) {
        curve << QPointF(kCentreX + sx * p.x(), kTop + sy * (highest - p.y()));
    }
    return Polygon(curve);
}

// A thin arrow flying down to the left: fletching by the top right, head by
// the lower left.
Mask ArrowMask() {
    const QPointF tail(279, 58);
    const QPointF tip(86, 202);
    const QLineF axis(tail, tip);
    const QPointF along = axis.unitVector().p2() - axis.unitVector().p1();
    const QPointF across(-along.y(), along.x());

    constexpr qreal kHeadLength = 19;
    constexpr qreal kHeadHalfWidth = 7;
    const QPointF headBase = tip - along * kHeadLength;
    Mask arrow = Mask::FromPath(Bar(tail, headBase + along * 2, 2.8), kWholeWidth, kWholeHeight);
    arrow = arrow.Union(
        Mask::FromPath(Polygon({tip, headBase + across * kHeadHalfWidth, headBase + along * 4,
                                headBase - across * kHeadHalfWidth}),
                       kWholeWidth, kWholeHeight));
    // Two feathers, leaning back from the shaft.
    constexpr qreal kFeatherLength = 14;
    constexpr qreal kFeatherLean = 5;
    constexpr qreal kFeatherSpan = 5;
    for (const qreal side : {1.0, -1.0}) {
        const QPointF front = tail + along * (2 + kFeatherLength);
        const QPointF back = tail + along * 2;
        const QPointF out = across * (side * kFeatherSpan) - along * kFeatherLean;
        arrow = arrow.Union(Mask::FromPath(Polygon({back, front, front + out, back + out}),
                                           kWholeWidth, kWholeHeight));
    }
    return arrow;
}

QImage Whole() {
    QImage whole = Canvas(kWholeWidth, kWholeHeight);
    PaintLove(whole);
    PaintLyubov(whole);

    // The arrow goes in first so that the heart hides its middle.
    const Mask arrow = ArrowMask();
    Paint(whole, arrow, kBlue);
    const Mask heart = Mask::FromPath(HeartShape(), kWholeWidth, kWholeHeight);
    const Mask rim = heart.Boundary();
    PaintOutlined(whole, heart, kRed, kBlack);
    Paint(whole, heart.Minus(rim).Boundary(), kBlack);

    // A glint where the shaft meets the heart: olive against the rim, yellow
    // just outside it.
    const Mask shaft = arrow.Minus(heart);
    const Mask olive = shaft.Intersection(heart.Grown());
    const Mask yellow = shaft.Minus(olive).Intersection(olive.Grown());
    Paint(whole, olive, kOlive);
    Paint(whole, yellow, kYellow);

    // A rule along the top of the third piece, stopping short of where the
    // second piece overlaps it.
    const QRect third = PieceRect(3);
    const QRect second = PieceRect(2);
    for (int x = second.right() + 1; x <= third.right(); ++x) {
        whole.setPixel(x, 0, kBlack);
    }

    // The fifteenth piece's right edge shows the start of the blank's white,
    // below where the eleventh piece covers it.
    const QRect fifteenth = PieceRect(15);
    const QRect eleventh = PieceRect(11);
    const QRect strip(QPoint(fifteenth.right() - 3, eleventh.bottom() + 1),
                      fifteenth.bottomRight());
    Paint(whole, Mask::FromRect(strip, kWholeWidth, kWholeHeight), kWhite);
    return whole;
}

// The blank that stands in the sixteenth place: white with a red cross.
QImage Blank(QSize size) {
    constexpr int kMargin = 2;
    QImage blank = Canvas(size.width(), size.height());
    const QRect white(kMargin, kMargin, size.width() - kMargin, size.height() - 2 * kMargin);
    Paint(blank, Mask::FromRect(white, size.width(), size.height()), kWhite);
    constexpr int kCrossWidth = 34;
    constexpr int kCrossHeight = 41;
    const QPainterPath cross = Bar({0, 0}, {1, 1}, 0.16).united(Bar({1, 0}, {0, 1}, 0.16));
    const QPoint at(white.left() + (white.width() - kCrossWidth) / 2,
                    white.top() + (white.height() - kCrossHeight) / 2);
    Paint(blank, FitMask(cross, kCrossWidth, kCrossHeight), kRed, at);
    return blank;
}

} // namespace

std::vector<Picture> PicturePieces() {
    const QImage whole = Whole();
    std::vector<Picture> pieces;
    for (int n = 1; n < TileCount; ++n) {
        pieces.push_back({FirstPictureTile - 1 + n, whole.copy(PieceRect(n))});
    }
    pieces.push_back({FirstPictureTile - 1 + TileCount, Blank(kPieceSizes[15])});
    return pieces;
}

} // namespace draw
