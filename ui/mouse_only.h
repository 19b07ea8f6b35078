#pragma once

#include <QObject>

class QWidget;

// The game is played with the mouse alone. Left to themselves, the menus
// answer keys: Alt or F10 puts the menu bar into a keyboard mode that draws no
// highlight, and the arrows and Enter then run commands, so a player could
// lose a board to keys never meant for the game. This keeps every key away
// from a window and its menus.
class MouseOnly : public QObject {
  public:
    using QObject::QObject;

    // Keys go to the window itself (none of its widgets takes the keyboard
    // focus) or, while one is open, to a drop-down menu; the menu bar watches
    // the window's keys for Alt. So the window, its menu bar and its menus
    // are watched, and nothing else: the timer's thousand events a second do
    // not pass through here.
    void Watch(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
