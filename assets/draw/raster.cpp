#include "raster.h"

#include <QLineF>
#include <algorithm>
#include <cstddef>

namespace draw {

QImage Canvas(int width, int height, QRgb fill) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(fill));
    return image;
}

Mask::Mask(int width, int height)
    : width_(width), height_(height), bits_(static_cast<size_t>(width * height), false) {}

Mask Mask::FromPath(const QPainterPath& path, int width, int height) {
    Mask mask(width, height);
    const QRectF bounds = path.boundingRect();
    const int x0 = std::max(0, static_cast<int>(bounds.left()) - 1);
    const int y0 = std::max(0, static_cast<int>(bounds.top()) - 1);
    const int x1 = std::min(width - 1, static_cast<int>(bounds.right()) + 1);
    const int y1 = std::min(height - 1, static_cast<int>(bounds.bottom()) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (path.contains(QPointF(x + 0.5, y + 0.5))) {
                mask.set(x, y);
            }
        }
    }
    return mask;
}

Mask Mask::FromRect(const QRect& rect, int width, int height) {
    Mask mask(width, height);
    const QRect clipped = rect.intersected(QRect(0, 0, width, height));
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            mask.set(x, y);
        }
    }
    return mask;
}

bool Mask::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return false;
    }
    return bits_[static_cast<size_t>(y * width_ + x)];
}

void Mask::set(int x, int y, bool on) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    bits_[static_cast<size_t>(y * width_ + x)] = on;
}

Mask Mask::Boundary(bool gridEdgeIsOutside) const {
    Mask edge(width_, height_);
    const auto outside = [&](int x, int y) {
        const bool offGrid = x < 0 || y < 0 || x >= width_ || y >= height_;
        return offGrid ? gridEdgeIsOutside : !at(x, y);
    };
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (at(x, y) && (outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) ||
                             outside(x, y + 1))) {
                edge.set(x, y);
            }
        }
    }
    return edge;
}

Mask Mask::Grown() const {
    Mask grown(width_, height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (at(x + dx, y + dy)) {
                        grown.set(x, y);
                    }
                }
            }
        }
    }
    return grown;
}

Mask Mask::Minus(const Mask& other) const {
    Mask result = *this;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (other.at(x, y)) {
                result.set(x, y, false);
            }
        }
    }
    return result;
}

Mask Mask::Union(const Mask& other) const {
    Mask result = *this;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (other.at(x, y)) {
                result.set(x, y);
            }
        }
    }
    return result;
}

Mask Mask::Intersection(const Mask& other) const {
    Mask result(width_, height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            result.set(x, y, at(x, y) && other.at(x, y));
        }
    }
    return result;
}

QRect Mask::Bounds() const {
    QRect bounds;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (at(x, y)) {
                bounds = bounds.united(QRect(x, y, 1, 1));
            }
        }
    }
    return bounds;
}

void Paint(QImage& image, const Mask& mask, QRgb colour, QPoint offset) {
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            const QPoint p(x + offset.x(), y + offset.y());
            if (mask.at(x, y) && image.rect().contains(p)) {
                image.setPixel(p, colour);
            }
        }
    }
}

void PaintOutlined(QImage& image, const Mask& mask, QRgb fill, QRgb outline, QPoint offset) {
    Paint(image, mask, fill, offset);
    Paint(image, mask.Boundary(), outline, offset);
}

QTransform FitTransform(const QPainterPath& shape, int width, int height) {
    const QRectF b = shape.boundingRect();
    // Stretch the shape a little past the grid until its thinnest extremes
    // (points, tips) catch a pixel centre on every side.
    for (int step = 0; step <= 60; ++step) {
        const qreal grow = step * 0.05;
        QTransform t;
        t.translate(-grow, -grow);
        t.scale((width + 2 * grow) / b.width(), (height + 2 * grow) / b.height());
        t.translate(-b.left(), -b.top());
        const QRect bounds = Mask::FromPath(t.map(shape), width, height).Bounds();
        if (bounds == QRect(0, 0, width, height)) {
            return t;
        }
    }
    qFatal("shape cannot be fitted to %dx%d", width, height);
}

Mask FitMask(const QPainterPath& shape, int width, int height) {
    return Mask::FromPath(FitTransform(shape, width, height).map(shape), width, height);
}

QPainterPath Polygon(const QPolygonF& points) {
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    return path;
}

QPainterPath Bar(QPointF from, QPointF to, qreal thickness) {
    const QLineF line(from, to);
    QLineF normal = line.normalVector().unitVector();
    const QPointF n = (normal.p2() - normal.p1()) * (thickness / 2);
    return Polygon({from + n, to + n, to - n, from - n});
}

} // namespace draw
