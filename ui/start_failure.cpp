#include "start_failure.h"

#include <QLatin1String>
#include <QRegularExpression>
#include <QRegularExpressionMatch>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What Qt says as it tries a platform and gives up on it. Qt's messages are
// never translated, so their English words are a stable thing to read.

// The xcb plugin names the display it tried, if any: "could not connect to
// display :3".
const QRegularExpression& XDisplayUnreachable() {
    static const QRegularExpression pattern(
        QStringLiteral("^could not connect to display *(\\S*)"));
    return pattern;
}

// The Wayland plugin gives strerror's words in brackets: "Failed to create
// wl_display (No such file or directory)".
const QRegularExpression& WaylandDisplayUnreachable() {
    static const QRegularExpression pattern(
        QStringLiteral("^Failed to create wl_display(?: \\((.*)\\))?"));
    return pattern;
}

// No plugin of that name is installed.
const QRegularExpression& PluginMissing() {
    static const QRegularExpression pattern(
        QStringLiteral("^Could not find the Qt platform plugin \"([^\"]*)\""));
    return pattern;
}

// The plugin is there but could not set up its platform.
const QRegularExpression& PluginFailed() {
    static const QRegularExpression pattern(
        QStringLiteral("^Could not load the Qt platform plugin \"([^\"]*)\""));
    return pattern;
}

const QString PluginCausePrefix = QStringLiteral("the Qt platform plugin");

// A display on this machine, ":3", ":3.0" or "unix:3", and its number; a
// display on another host is reached over the network instead.
const QRegularExpression& LocalXDisplay() {
    static const QRegularExpression pattern(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    return pattern;
}

// Whether something listens on the Unix socket `address` (abstract when it
// starts with a zero byte). Only the connection is made: the X server says
// nothing before the client speaks, and a full backlog still means a server.
bool Listens(const std::string& address) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    if (address.size() >= sizeof where.sun_path) {
        return false;
    }
    std::memcpy(where.sun_path, address.data(), address.size());
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0) {
        return false;
    }
    // An abstract name is exactly its bytes; a path ends with its zero.
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size() +
                                               (address.front() == '\0' ? 0 : 1));
    const bool listens =
        connect(probe, reinterpret_cast<const sockaddr*>(&where), length) == 0 || errno == EAGAIN;
    close(probe);
    return listens;
}

} // namespace

StartFailure::Displays StartFailure::Displays::FromEnvironment() {
    return {qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"),
            qEnvironmentVariable("WAYLAND_SOCKET"), qEnvironmentVariable("XAUTHORITY")};
}

void StartFailure::Note(const char* category, const QString& message) {
    messages_.append(message);

    if (QLatin1String(category != nullptr ? category : "") == QLatin1String("qt.qpa.xcb")) {
        if (const auto x = XDisplayUnreachable().match(message); x.hasMatch()) {
            const QString display = x.captured(1);
            if (display.isEmpty()) {
                pending_ = QStringLiteral("no X display (DISPLAY is not set)");
            } else {
                pending_ = XDisplayRefusal(display);
                if (pending_.isEmpty()) {
                    pending_ = QStringLiteral("cannot reach the X display %1").arg(display);
                }
            }
        }
    } else if (const auto wayland = WaylandDisplayUnreachable().match(message);
               wayland.hasMatch()) {
        const QString why = wayland.captured(1);
        pending_ = displays_.waylandDisplay.isEmpty()
                       ? QStringLiteral("cannot reach the Wayland display wayland-0 "
                                        "(WAYLAND_DISPLAY is not set)")
                       : QStringLiteral("cannot reach the Wayland display %1 (%2)")
                             .arg(displays_.waylandDisplay,
                                  why.isEmpty() ? QStringLiteral("no answer") : why);
    } else if (const auto missing = PluginMissing().match(message); missing.hasMatch()) {
        const QString plugin = missing.captured(1);
        QString cause = QStringLiteral("%1 \"%2\" is not installed").arg(PluginCausePrefix, plugin);
        if (plugin.startsWith(QLatin1String("wayland"))) {
            cause += QStringLiteral(" (Debian's package qt6-wayland brings it)");
        }
        causes_.append(cause);
        pending_.clear();
    } else if (const auto failed = PluginFailed().match(message); failed.hasMatch()) {
        // The platform's own complaint, if it made one, says why.
        causes_.append(!pending_.isEmpty() ? pending_
                                           : QStringLiteral("%1 \"%2\" could not be loaded")
                                                 .arg(PluginCausePrefix, failed.captured(1)));
        pending_.clear();
    }
}

// Xlib says only "Authorization required" on its own, and Qt then says it
// could not connect, as it does when no server runs at all. Where the
// display's socket takes a connection a server is there, and it was the
// server that turned the game away.
QString StartFailure::XDisplayRefusal(const QString& display) const {
    const auto local = LocalXDisplay().match(display);
    if (!local.hasMatch()) {
        return {};
    }
    const std::string socket = (xSockets_ + QStringLiteral("/X") + local.captured(1)).toStdString();
    if (!Listens(std::string(1, '\0') + socket) && !Listens(socket)) {
        return {};
    }
    const QString cookies =
        displays_.xAuthority.isEmpty()
            ? QStringLiteral("XAUTHORITY is not set, and ~/.Xauthority has no cookie it accepts")
            : QStringLiteral("XAUTHORITY names %1, which has no cookie it accepts")
                  .arg(displays_.xAuthority);
    return QStringLiteral("the X display %1 refused the game: not authorized (%2)")
        .arg(display, cookies);
}

QString StartFailure::Reason() const {
    const bool noDisplay = displays_.display.isEmpty() && displays_.waylandDisplay.isEmpty() &&
                           displays_.waylandSocket.isEmpty();
    // A plugin that is missing or broken is the cause even with no display.
    const bool pluginFault = std::any_of(causes_.begin(), causes_.end(), [](const QString& c) {
        return c.startsWith(PluginCausePrefix);
    });
    if (noDisplay && !pluginFault) {
        return QStringLiteral(
            "no display to show it on (neither WAYLAND_DISPLAY nor DISPLAY is set)");
    }
    if (!causes_.isEmpty()) {
        return causes_.join(QStringLiteral("; "));
    }
    // Nothing Qt said was understood: pass on the first thing it said rather
    // than guess.
    for (const QString& message : messages_) {
        const QString line = message.section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!line.isEmpty()) {
            return QStringLiteral("Qt: %1").arg(line);
        }
    }
    return QStringLiteral("Qt found no platform to show it on");
}
