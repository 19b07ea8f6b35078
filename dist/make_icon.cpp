// Draws the game's icon from its own pictures: three digit tiles and a pairs
// card face on the board's colour, as a corner of a board in play.
//   make_icon OUTPUT.png SIZE TILE1 TILE2 TILE3 CARD
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

// The board's background in the window.
constexpr QRgb BoardColour = 0x3c4a5a;

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.png SIZE TILE1 TILE2 TILE3 CARD\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "make_icon: size %s is out of range\n", argv[2]);
        return 2;
    }

    std::array<QImage, 4> pictures;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        pictures[i] = QImage(QString::fromLocal8Bit(argv[3 + i]));
        if (pictures[i].isNull()) {
            std::fprintf(stderr, "make_icon: cannot read %s\n", argv[3 + i]);
            return 1;
        }
    }

    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    // Proportions picked at 128 px and scaled, so every size looks alike.
    const double unit = size / 128.0;
    const QRectF plate(2 * unit, 2 * unit, 124 * unit, 124 * unit);
    QPainterPath rounded;
    rounded.addRoundedRect(plate, 16 * unit, 16 * unit);
    painter.fillPath(rounded, QColor(BoardColour));

    const double margin = 10 * unit;
    const double gap = 4 * unit;
    const double cell = (plate.width() - 2 * margin - gap) / 2;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const double x = plate.left() + margin + static_cast<double>(i % 2) * (cell + gap);
        const double y = plate.top() + margin + static_cast<double>(i / 2) * (cell + gap);
        // The tiles are a little wider than tall; squared up they still read at a glance.
        painter.drawImage(QRectF(x, y, cell, cell), pictures[i]);
    }
    painter.end();

    if (!icon.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
