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

    // The board is redrawn from the state a thousand times a second, nearly
    // always with the pictures the cells already show. The holder number is
    // the cheapest proof of "the same picture": the window asks Shows()
    // before it so much as looks the picture up, and only a real change
    // costs a lookup and a repaint.
    bool Shows(int holder) const { return holder == holder_ && picture_ != nullptr; }
    // Shows `picture`, the picture of holder `holder`, from now on.
    void SetPicture(int holder, const QPixmap& picture);
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
    int holder_ = 0;
    bool pressed_ = false;
};
