#include "artwork.h"
#include "holders.h"
#include "raster.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>
#include <vector>

namespace draw {

namespace {

constexpr int kCardWidth = 80;
constexpr int kCardHeight = 71;
// Inside the frame: one grey ring, then one black ring.
const QRect kInside(2, 2, kCardWidth - 4, kCardHeight - 4);

QImage FramedCard() {
    QImage card = Canvas(kCardWidth, kCardHeight);
    const Mask frame =
        Mask::FromRect(QRect(1, 1, kCardWidth - 2, kCardHeight - 2), kCardWidth, kCardHeight)
            .Minus(Mask::FromRect(kInside, kCardWidth, kCardHeight));
    Paint(card, frame, kBlack);
    return card;
}

// Where a figure of the given size sits so that it is centred inside the frame.
QPoint FigureOrigin(int width, int height) {
    return kInside.topLeft() +
           QPoint((kInside.width() - width) / 2, (kInside.height() - height) / 2);
}

QImage Ellipse() {
    QImage card = FramedCard();
    QPainterPath shape;
    shape.addEllipse(QRectF(0, 0, 55, 46));
    Paint(card, FitMask(shape, 55, 46), kRed, FigureOrigin(55, 46));
    return card;
}

QImage Rectangle() {
    QImage card = FramedCard();
    Paint(card, Mask::FromRect(QRect(0, 0, 49, 35), 49, 35), kBlue, FigureOrigin(49, 35));
    return card;
}

QImage Diamond() {
    QImage card = FramedCard();
    const QPainterPath shape = Polygon({{1, 0}, {2, 1}, {1, 2}, {0, 1}});
    PaintOutlined(card, FitMask(shape, 45, 45), kOrange, kBlack, FigureOrigin(45, 45));
    return card;
}

// A compass rose: long points to the four winds, short ones between them. Each
// point is split along its axis into a coloured half and a grey half.
QImage CompassStar() {
    constexpr int w = 67;
    constexpr int h = 57;
    QImage card = FramedCard();
    struct Half {
        QPainterPath path;
        QRgb colour;
    };
    std::vector<Half> halves;
    QPainterPath whole;
    whole.setFillRule(Qt::WindingFill);
    const auto addPoint = [&](qreal angle, qreal length, qreal waist, QRgb colour) {
        const QPointF tip(length * std::cos(angle), length * std::sin(angle));
        const QPointF left(waist * std::cos(angle - std::numbers::pi / 4),
                           waist * std::sin(angle - std::numbers::pi / 4));
        const QPointF right(waist * std::cos(angle + std::numbers::pi / 4),
                            waist * std::sin(angle + std::numbers::pi / 4));
        halves.push_back({Polygon({{0, 0}, left, tip}), colour});
        halves.push_back({Polygon({{0, 0}, tip, right}), kLightGrey});
        whole = whole.united(Polygon({{0, 0}, left, tip, right}));
    };
    // Short points first so the long ones lie over them.
    for (int i = 0; i < 4; ++i) {
        addPoint(std::numbers::pi / 4 + i * std::numbers::pi / 2, 0.7, 0.3, kBlue);
    }
    for (int i = 0; i < 4; ++i) {
        addPoint(i * std::numbers::pi / 2, 1.0, 0.25, kRed);
    }
    const QTransform fit = FitTransform(whole, w, h);
    const Mask all = Mask::FromPath(fit.map(whole), w, h);
    QImage figure = Canvas(w, h);
    for (const Half& half : halves) {
        Paint(figure, Mask::FromPath(fit.map(half.path), w, h).Intersection(all), half.colour);
    }
    // Outline the whole rose, and draw the seam where a coloured half meets a
    // grey one so the grey halves read as part of the figure.
    Mask grey(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            grey.set(x, y, all.at(x, y) && figure.pixel(x, y) == kLightGrey);
        }
    }
    const Mask coloured = all.Minus(grey);
    Mask seams(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (coloured.at(x, y) && (grey.at(x - 1, y) || grey.at(x + 1, y) || grey.at(x, y - 1) ||
                                      grey.at(x, y + 1))) {
                seams.set(x, y);
            }
        }
    }
    Paint(figure, all.Boundary().Union(seams), kBlack);
    const QPoint at = FigureOrigin(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            card.setPixel(at + QPoint(x, y), figure.pixel(x, y));
        }
    }
    return card;
}

QPainterPath HeartShape() {
    // Two lobes meeting in a notch at the top and a point at the bottom.
    QPainterPath heart;
    heart.moveTo(50, 25);
    heart.cubicTo(50, 5, 20, -5, 5, 12);
    heart.cubicTo(-8, 28, 10, 55, 50, 85);
    heart.cubicTo(90, 55, 108, 28, 95, 12);
    heart.cubicTo(80, -5, 50, 5, 50, 25);
    heart.closeSubpath();
    return heart;
}

QImage Heart() {
    QImage card = FramedCard();
    PaintOutlined(card, FitMask(HeartShape(), 44, 37), kMagenta, kBlack, FigureOrigin(44, 37));
    return card;
}

// Two crossing diagonal bars with a horizontal one laid over the crossing.
QImage CrossedBars() {
    constexpr int w = 62;
    constexpr int h = 60;
    QImage card = FramedCard();
    const QPainterPath blue = Bar({0, 0}, {1, 1}, 0.2);
    const QPainterPath green = Bar({1, 0}, {0, 1}, 0.2);
    const QPainterPath red = Bar({0.18, 0.5}, {0.82, 0.5}, 0.2);
    const QTransform fit = FitTransform(blue.united(green).united(red), w, h);
    const QPoint at = FigureOrigin(w, h);
    for (const auto& [path, colour] : {std::pair{blue, kBlue}, {green, kGreen}, {red, kRed}}) {
        PaintOutlined(card, Mask::FromPath(fit.map(path), w, h), colour, kBlack, at);
    }
    return card;
}

QImage SquareRing() {
    constexpr int w = 68;
    constexpr int h = 61;
    constexpr int thickness = 13;
    QImage card = FramedCard();
    const Mask ring =
        Mask::FromRect(QRect(0, 0, w, h), w, h)
            .Minus(Mask::FromRect(QRect(thickness, thickness, w - 2 * thickness, h - 2 * thickness),
                                  w, h));
    PaintOutlined(card, ring, kCrimson, kBlack, FigureOrigin(w, h));
    return card;
}

QImage Triangle() {
    QImage card = FramedCard();
    const QPainterPath shape = Polygon({{1, 0}, {2, 2}, {0, 2}});
    Paint(card, FitMask(shape, 58, 51), kAzure, FigureOrigin(58, 51));
    return card;
}

} // namespace

std::vector<Picture> Cards() {
    // The faces in their order, face f in holder FirstFace - 1 + f.
    const QImage faces[FaceCount] = {Ellipse(), Rectangle(),   Diamond(),    CompassStar(),
                                     Heart(),   CrossedBars(), SquareRing(), Triangle()};
    std::vector<Picture> cards = {{CardBack, FramedCard()}};
    for (int f = 1; f <= FaceCount; ++f) {
        cards.push_back({FirstFace - 1 + f, faces[f - 1]});
    }
    return cards;
}

} // namespace draw
