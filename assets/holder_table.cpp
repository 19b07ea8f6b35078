#include "holder_table.h"

#include "holders.h"

#include <QString>
#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <mutex>

namespace pictures {

namespace {

// By holder number. A tile is called by its number whether it shows a digit
// or the piece of the picture that belongs in that place, so switching styles
// changes nothing a reader hears; holders 17..32 are the board cells, which
// hold no picture of their own.
// clang-format off
constexpr const char* kNames[] = {
    nullptr,
    // digit tiles
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "Пусто",
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    // picture pieces, each by its place in the whole picture
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "Пусто",
    // the card back, the same for every card lying face down
    "Рубашка",
    // the eight faces, 1 to 8
    "Красный овал", "Синий прямоугольник", "Оранжевый ромб", "Красно-синяя звезда",
    "Пурпурное сердце", "Три скрещённые полосы", "Малиновая рамка", "Голубой треугольник",
};
// clang-format on
static_assert(std::size(kNames) == HolderCount, "one entry for every holder number");

} // namespace

const QImage* HolderPicture(int holder) {
    if (!HoldsPicture(holder)) {
        return nullptr;
    }
    // Decoded on first use and kept for the life of the process, so the
    // pointers handed out never dangle.
    static std::array<std::unique_ptr<const QImage>, HolderCount> cache;
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

QString HolderName(int holder) {
    if (!HoldsPicture(holder)) {
        return {};
    }
    return QString::fromUtf8(kNames[holder]);
}

} // namespace pictures
