// Pixel-exact drawing helpers. Every shape is decided at pixel centres, so a
// picture never gains an in-between colour and the same input always gives
// the same pixels.
#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QRect>
#include <QRgb>
#include <QTransform>
#include <vector>

namespace draw {

inline constexpr QRgb kLightGrey = qRgb(0xC0, 0xC0, 0xC0);
inline constexpr QRgb kRed = qRgb(0xFF, 0x00, 0x00);
inline constexpr QRgb kBlue = qRgb(0x00, 0x00, 0xFF);
inline constexpr QRgb kBlack = qRgb(0x00, 0x00, 0x00);
inline constexpr QRgb kDarkGrey = qRgb(0x80, 0x80, 0x80);
inline constexpr QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);
inline constexpr QRgb kMagenta = qRgb(0xFF, 0x00, 0xFF);
inline constexpr QRgb kOrange = qRgb(0xFF, 0x80, 0x40);
inline constexpr QRgb kGreen = qRgb(0x00, 0x80, 0x00);
inline constexpr QRgb kCrimson = qRgb(0xFF, 0x00, 0x80);
inline constexpr QRgb kAzure = qRgb(0x00, 0x80, 0xFF);
inline constexpr QRgb kOlive = qRgb(0x80, 0x80, 0x00);
inline constexpr QRgb kYellow = qRgb(0xFF, 0xFF, 0x00);

// A 24-bit picture filled with one colour.
QImage Canvas(int width, int height, QRgb fill = kLightGrey);

// A set of pixels on a width x height grid.
class Mask {
  public:
    Mask(int width, int height);

    // The pixels whose centres lie inside `path` (in grid coordinates).
    static Mask FromPath(const QPainterPath& path, int width, int height);
    static Mask FromRect(const QRect& rect, int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool at(int x, int y) const;
    void set(int x, int y, bool on = true);

    // The pixels of this mask with a 4-neighbour outside it (or outside the grid
    // edge only when `gridEdgeIsOutside`): a one-pixel outline.
    Mask Boundary(bool gridEdgeIsOutside = true) const;
    // This mask and every pixel 8-adjacent to it.
    Mask Grown() const;
    Mask Minus(const Mask& other) const;
    Mask Union(const Mask& other) const;
    Mask Intersection(const Mask& other) const;
    // The smallest rectangle holding every pixel; null when the mask is empty.
    QRect Bounds() const;

  private:
    int width_;
    int height_;
    std::vector<bool> bits_;
};

// Sets every pixel of `mask`, shifted by `offset`, to `colour`; pixels falling
// outside the image are dropped.
void Paint(QImage& image, const Mask& mask, QRgb colour, QPoint offset = {});

// Fills `mask` with `fill` and its one-pixel outline with `outline`.
void PaintOutlined(QImage& image, const Mask& mask, QRgb fill, QRgb outline, QPoint offset = {});

// The transform that maps `shape` onto a width x height grid so that its pixels
// (decided at pixel centres and clipped to the grid) touch all four edges: the
// rasterised shape then has exactly that bounding box.
QTransform FitTransform(const QPainterPath& shape, int width, int height);

// `shape` rasterised to exactly width x height (see FitTransform).
Mask FitMask(const QPainterPath& shape, int width, int height);

// A closed polygon through `points`.
QPainterPath Polygon(const QPolygonF& points);

// A straight bar `thickness` wide from `from` to `to`, as a closed polygon.
QPainterPath Bar(QPointF from, QPointF to, qreal thickness);

} // namespace draw
