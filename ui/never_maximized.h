#pragma once

#include <QObject>

class QWidget;

// The window has one size, the board's, so maximizing it can only move it
// into a corner and mark it maximized without making it any larger. Window
// managers see that from its smallest and largest size, which are the same,
// and offer no maximizing. Qt's own title bar on Wayland does not: where the
// compositor draws none (GNOME Shell, Weston), Qt draws one with a maximize
// button whatever the window's size limits are, the compositor takes the
// request, and GNOME Shell 43 then puts the window in the screen's top-left
// corner. This takes any maximized state straight back, wherever it came
// from, so the window returns to its place.
class NeverMaximized : public QObject {
  public:
    using QObject::QObject;

    void Watch(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
