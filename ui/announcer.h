#pragma once

#include <QString>

class QWidget;

// Tells a screen reader what happened away from the cell the player is at: a
// new deal, another game, a pair taken off the board. A change to the cell
// that has the focus needs no message; the reader hears that cell's name
// change.
//
// Qt 6.8 sends a message as an announcement of the window's, which a
// reader speaks as it comes. Older Qt has no announcements, so there the
// message is the name of a notification, an object that the window shows
// for a reader alone (it has no size and draws nothing): a reader speaks a
// notification when it appears, as it does a desktop's notices.
class Announcer {
  public:
    // Speaks for `window`.
    explicit Announcer(QWidget* window);

    // Sends `message` when a reader listens; with none, does nothing.
    void Say(const QString& message);

  private:
    QWidget* window_;
    QWidget* notice_ = nullptr;
};
