#include "cell_image.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

// Before the first deal a cell shows no picture at all.
const char* const NoPictureName = "Нет картинки";

// Tells a screen reader, if one is listening, what changed about `cell`.
// With none, nothing is made or sent.
void Announce(CellImage* cell, QAccessible::Event change) {
    if (QAccessible::isActive()) {
        QAccessibleEvent event(cell, change);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

CellImage::CellImage(QWidget* parent, int number)
    : QWidget(parent), number_(number), name_(QString::fromUtf8(NoPictureName)) {
    // A click gives the cell the focus, and with it a screen reader's
    // attention: the reader speaks the cell and every change to it. Tab
    // never reaches a cell, and nothing draws a focus frame.
    setFocusPolicy(Qt::ClickFocus);
}

void CellImage::SetPicture(const QPixmap& picture, const QString& name) {
    picture_ = &picture;
    // Every picture is opaque and exactly as large as the cell it is given,
    // so nothing behind the cell needs painting while it shows one.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(picture.deviceIndependentSize().toSize());
    update();
    // A card turned over is heard; a tile changing style keeps its name and
    // says nothing.
    if (name != name_) {
        name_ = name;
        Announce(this, QAccessible::NameChanged);
    }
}

void CellImage::SetShown(bool shown) {
    if (isHidden() != shown) {
        return;
    }
    setVisible(shown);
    // Qt reports the cell shown or hidden; a reader also learns that the
    // board's list of cells changed, since a hidden cell leaves it (Qt has no
    // other words for an object joining or leaving its parent's children).
    Announce(this, shown ? QAccessible::ObjectCreated : QAccessible::ObjectDestroyed);
}

void CellImage::paintEvent(QPaintEvent*) {
    if (picture_ == nullptr) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, *picture_);
}

void CellImage::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void CellImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (wasPressed && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        emit Clicked();
    }
}
