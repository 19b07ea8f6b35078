#pragma once

#include <QWidget>

class QPixmap;

// One board cell: shows its picture unscaled at its top-left corner and takes
// the picture's size. Without a picture it draws nothing, so the window shows
// through, yet it still takes clicks anywhere in its rectangle.
class CellImage : public QWidget {
    Q_OBJECT

  public:
    explicit CellImage(QWidget* parent);

    // Shows `picture` from now on and takes its size. The window gives a
    // cell a picture only when it changes.
    void SetPicture(const QPixmap& picture);
    const QPixmap* Picture() const { return picture_; }

  signals:
    // The platform's click: the left button pressed and released on this cell.
    void Clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QPixmap* picture_ = nullptr;
    bool pressed_ = false;
};
