#pragma once

#include <QString>
#include <QStringList>
#include <utility>

// Why the game window could not open, in one line for the player.
//
// When Qt finds no display it explains itself in a screenful of warnings, one
// or two for each platform plugin it tried, and then aborts. This takes those
// warnings as they come and, with the variables Qt read, names the real cause:
// no display of either kind, a display that cannot be reached, an X server
// that refused the game for want of authorization, or a platform plugin that
// is missing or would not load.
class StartFailure {
  public:
    // The variables by which Qt finds a display, as the game was started.
    struct Displays {
        QString display;        // DISPLAY
        QString waylandDisplay; // WAYLAND_DISPLAY
        QString waylandSocket;  // WAYLAND_SOCKET
        QString xAuthority;     // XAUTHORITY, the file of cookies for X servers
        static Displays FromEnvironment();
    };

    // `xSockets` is where local X servers put their sockets, named by the
    // display's number (X0 for :0), and also the name of their abstract ones.
    explicit StartFailure(Displays displays, QString xSockets = QStringLiteral("/tmp/.X11-unix"))
        : displays_(std::move(displays)), xSockets_(std::move(xSockets)) {}

    // Every message Qt gives while it sets up, in order, with its logging
    // category ("qt.qpa.xcb"; null for none).
    void Note(const char* category, const QString& message);

    // The cause, e.g. "cannot reach the X display :3"; several platforms
    // tried are joined by "; ".
    QString Reason() const;

    // What was noted, for a start that went well after all.
    const QStringList& Messages() const { return messages_; }

  private:
    QString XDisplayRefusal(const QString& display) const;

    Displays displays_;
    QString xSockets_;
    QStringList messages_;
    QStringList causes_;
    // A platform's own complaint, waiting for Qt to say the platform failed.
    QString pending_;
};
