#pragma once

#include <QString>
#include <QWidget>

class QPixmap;

// One board cell: shows its picture unscaled at its top-left corner and takes
// the picture's size. Without a picture it draws nothing, so the window shows
// through, yet it still takes clicks anywhere in its rectangle.
//
// It also tells assistive technology what it shows: its name is the name of
// its picture, and a change of picture or a cell taken off the board is
// announced, only when it happens. A cell that is clicked or pressed takes
// the focus, so that a screen reader follows the player to it; it takes no
// key and draws no focus frame.
class CellImage : public QWidget {
    Q_OBJECT

  public:
    // Cell `number` (1..16) of the board.
    CellImage(QWidget* parent, int number);

    int Number() const { return number_; }

    // Shows `picture`, called `name`, from now on and takes its size. The
    // window gives a cell a picture only when it changes.
    void SetPicture(const QPixmap& picture, const QString& name);
    const QPixmap* Picture() const { return picture_; }
    // What the cell shows, as a screen reader says it.
    const QString& Name() const { return name_; }

    // Puts the cell on the board or takes it off; nothing happens when it
    // already is where it is asked to be.
    void SetShown(bool shown);

  signals:
    // The platform's click: the left button pressed and released on this
    // cell.
    void Clicked();
    // Its press action, run by assistive technology.
    void Pressed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const int number_;
    const QPixmap* picture_ = nullptr;
    QString name_;
    bool pressed_ = false;
};
