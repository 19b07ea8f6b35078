#pragma once

#include <QObject>

class QWidget;

// Keys reach the menus and nothing else. The menu bar and its drop-downs
// take the keyboard as menus do on every desktop, so that a player who
// cannot use the mouse reaches every command: Alt or F10 puts the bar into
// its keyboard mode (again, or Escape, leaves it), the arrows walk the bar
// and the drop-downs, Return or Enter chooses. There is no shortcut key and
// no access-key letter, and no key does anything to the board or the window.
class MenuKeys : public QObject {
  public:
    using QObject::QObject;

    // Keys go to the cell that has the focus, to the window itself when none
    // has, to the menu bar in its keyboard mode, or to an open drop-down.
    // So the window, its cells, its menu bar and its menus are watched, and
    // nothing else: the timer's thousand events a second do not pass here.
    void Watch(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
