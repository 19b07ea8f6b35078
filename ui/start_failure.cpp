#include "start_failure.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

QString Variable(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

// The plugin named in Qt's "... platform plugin "xcb" ..." messages.
QString PluginIn(const QString& message) {
    static const QRegularExpression quoted(QStringLiteral("platform plugin \"([^\"]*)\""));
    return quoted.match(message).captured(1);
}

} // namespace

void StartFailure::Note(const char* category, const QString& message) {
    messages_.append(message);
    const QString from = QString::fromLatin1(category != nullptr ? category : "");

    if (from == QLatin1String("qt.qpa.xcb") &&
        message.startsWith(QLatin1String("could not connect to display"))) {
        const QString display = message.mid(28).trimmed();
        pending_ = display.isEmpty() ? QStringLiteral("no X display (DISPLAY is not set)")
                                     : QStringLiteral("cannot reach the X display %1").arg(display);
    } else if (message.startsWith(QLatin1String("Failed to create wl_display"))) {
        // Qt's own reason follows in brackets, as strerror gives it.
        static const QRegularExpression bracketed(QStringLiteral("\\((.*)\\)"));
        const QString why = bracketed.match(message).captured(1);
        const QString display = Variable("WAYLAND_DISPLAY");
        pending_ = display.isEmpty()
                       ? QStringLiteral("cannot reach the Wayland display wayland-0 "
                                        "(WAYLAND_DISPLAY is not set)")
                       : QStringLiteral("cannot reach the Wayland display %1 (%2)")
                             .arg(display, why.isEmpty() ? QStringLiteral("no answer") : why);
    } else if (message.startsWith(QLatin1String("Could not find the Qt platform plugin"))) {
        const QString plugin = PluginIn(message);
        QString cause =
            QStringLiteral("the Qt platform plugin \"%1\" is not installed").arg(plugin);
        if (plugin.startsWith(QLatin1String("wayland"))) {
            cause += QStringLiteral(" (Debian's package qt6-wayland brings it)");
        }
        causes_.append(cause);
        pending_.clear();
    } else if (message.startsWith(QLatin1String("Could not load the Qt platform plugin"))) {
        // Found but failed: the platform's own complaint, if it made one,
        // says why.
        causes_.append(!pending_.isEmpty()
                           ? pending_
                           : QStringLiteral("the Qt platform plugin \"%1\" could not be loaded")
                                 .arg(PluginIn(message)));
        pending_.clear();
    }
}

QString StartFailure::Reason() const {
    const bool noDisplay = Variable("DISPLAY").isEmpty() && Variable("WAYLAND_DISPLAY").isEmpty() &&
                           Variable("WAYLAND_SOCKET").isEmpty();
    const bool pluginMissing = std::any_of(causes_.begin(), causes_.end(), [](const QString& c) {
        return c.startsWith(QLatin1String("the Qt platform plugin"));
    });
    if (noDisplay && !pluginMissing) {
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
