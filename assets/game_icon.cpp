#include "game_icon.h"

#include "holder_table.h"

#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cstddef>

namespace pictures {

QImage DrawGameIcon(int size) {
    // Tiles 1, 2 and 3 and the heart card face, in reading order.
    constexpr std::array<int, 4> Holders = {1, 2, 3, 54};

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
    for (std::size_t i = 0; i < Holders.size(); ++i) {
        const QImage* picture = HolderPicture(Holders[i]);
        if (picture == nullptr) {
            continue; // the build embedded no such picture; the plate still reads as the game's
        }
        const double x = plate.left() + margin + static_cast<double>(i % 2) * (cell + gap);
        const double y = plate.top() + margin + static_cast<double>(i / 2) * (cell + gap);
        // The tiles are a little wider than tall; squared up they still read at a glance.
        painter.drawImage(QRectF(x, y, cell, cell), *picture);
    }
    painter.end();
    return icon;
}

} // namespace pictures
