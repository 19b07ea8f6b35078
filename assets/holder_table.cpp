#include "holder_table.h"

#include <QString>
#include <array>
#include <cstddef>
#include <memory>
#include <mutex>

namespace pictures {

namespace {

constexpr int kLastHolder = 57;

bool HasPicture(int holder) {
    return (holder >= 1 && holder <= 16) || (holder >= 33 && holder <= kLastHolder);
}

} // namespace

const QImage* HolderPicture(int holder) {
    if (!HasPicture(holder)) {
        return nullptr;
    }
    // Decoded on first use and kept for the life of the process, so the
    // pointers handed out never dangle.
    static std::array<std::unique_ptr<const QImage>, kLastHolder + 1> cache;
    static std::mutex guard;
    const std::lock_guard lock(guard);
    auto& slot = cache[static_cast<size_t>(holder)];
    if (!slot) {
        const QString name =
            QStringLiteral(":/pictures/image%1.png").arg(holder, 2, 10, QChar('0'));
        QImage image(name);
        if (image.isNull()) {
            return nullptr; // the build embedded a broken or missing file
        }
        // Kept in the screen's own 32-bit layout: a pixmap made from it on
        // the raster and X11 back ends then shares these pixels instead of
        // holding a converted copy of every picture.
        slot = std::make_unique<const QImage>(image.convertToFormat(QImage::Format_RGB32));
    }
    return slot.get();
}

} // namespace pictures
