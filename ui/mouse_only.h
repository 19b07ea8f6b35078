#pragma once

#include <QObject>

// The game is played with the mouse alone. Left to themselves, the menus
// answer keys: Alt or F10 puts the menu bar into a keyboard mode that draws no
// highlight, and the arrows and Enter then run commands, so a player could
// lose a board to keys never meant for the game. Installed on the
// application, this keeps every key away from every widget of the game,
// menus included.
class MouseOnly : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
