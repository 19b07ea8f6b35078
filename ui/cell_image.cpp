#include "cell_image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

CellImage::CellImage(QWidget* parent) : QWidget(parent) {}

void CellImage::SetPicture(const QPixmap& picture) {
    picture_ = &picture;
    // Every picture is opaque and exactly as large as the cell it is given,
    // so nothing behind the cell needs painting while it shows one.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(picture.deviceIndependentSize().toSize());
    update();
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
