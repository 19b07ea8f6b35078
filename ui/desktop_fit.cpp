#include "desktop_fit.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QLatin1String>
#include <QLibraryInfo>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <xcb/xcb.h>

namespace {

// Qt's first release with a GNOME-styled bar of its own on Wayland.
const QVersionNumber QtWithAdwaitaBar(6, 8);

bool Unset(const Environment& environment, const char* name) {
    const auto value = environment(name);
    return !value || value->empty();
}

bool PortalReachable() {
    const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (bus == nullptr) {
        return false;
    }
    if (bus->isServiceRegistered(portal)) {
        return true;
    }
    const QDBusReply<QStringList> startable = bus->activatableServiceNames();
    return startable.isValid() && startable.value().contains(portal);
}

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

} // namespace

bool OnGnome(const Environment& environment) {
    std::string desktops = environment("XDG_CURRENT_DESKTOP").value_or("");
    std::transform(desktops.begin(), desktops.end(), desktops.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    std::string_view rest = desktops;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(':'), rest.size());
        if (rest.substr(0, end) == "GNOME") {
            return true;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return false;
}

bool GoesThroughXwayland(const Environment& environment, const QVersionNumber& qt) {
    return qt < QtWithAdwaitaBar && OnGnome(environment) && Unset(environment, "QT_QPA_PLATFORM") &&
           !Unset(environment, "DISPLAY") && QtTriesWaylandFirst(environment);
}

bool QtDrawsAdwaitaBar(const Environment& environment, const QVersionNumber& qt) {
    return qt >= QtWithAdwaitaBar && OnGnome(environment) &&
           Unset(environment, "QT_WAYLAND_DECORATION");
}

void ChoosePlatform() {
    if (GoesThroughXwayland(ProcessEnvironment(), QLibraryInfo::version())) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

void ChooseTitleBar() {
    // Qt reads the variable as it makes each window's bar.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
        QtDrawsAdwaitaBar(ProcessEnvironment(), QLibraryInfo::version()) && !PortalReachable()) {
        qputenv("QT_WAYLAND_DECORATION", "bradient");
    }
}

void NameDesktopEntry(QWidget& window, const char* desktopEntryId) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
    for (const std::string_view hint : {"_KDE_NET_WM_DESKTOP_FILE", "_GTK_APPLICATION_ID"}) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, Atom(connection, hint), utf8, 8,
                            static_cast<std::uint32_t>(std::strlen(desktopEntryId)),
                            desktopEntryId);
    }
    xcb_flush(connection);
}
