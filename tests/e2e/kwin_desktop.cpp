#include "kwin_desktop.h"

#include "waiting.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

QRect RectOf(const QJsonValue& value) {
    const QJsonObject rect = value.toObject();
    return QRect(static_cast<int>(std::lround(rect["x"].toDouble())),
                 static_cast<int>(std::lround(rect["y"].toDouble())),
                 static_cast<int>(std::lround(rect["width"].toDouble())),
                 static_cast<int>(std::lround(rect["height"].toDouble())));
}

// Everything the scripts report, in one line of JSON: the pointer as KWin
// has it and every window it lists. KWin 5 has clientList and gives a
// Wayland window's own part as its buffer; KWin 6 has windowList and
// clientGeometry.
constexpr const char* LookScript =
    "print(\"%1 \" + JSON.stringify({cursor: workspace.cursorPos, windows: "
    "(workspace.windowList ? workspace.windowList() : workspace.clientList()).map(w => ({"
    "uuid: String(w.internalId), popup: !!w.popupWindow, normal: !!w.normalWindow, "
    "frame: w.frameGeometry, client: w.clientGeometry || w.bufferGeometry, title: w.caption, "
    "appId: w.resourceClass, desktopFileName: w.desktopFileName, noBorder: w.noBorder, "
    "maximizable: w.maximizable, resizeable: w.resizeable}))}));\n";

} // namespace

KwinDesktop::KwinDesktop(QSize output, const std::string& logPrefix)
    : output_(output), logPrefix_(logPrefix), home_("dvigushki-kwin"),
      runtime_("dvigushki-kwin-run") {
    xvfb_ = std::make_unique<XvfbServer>(output_, logPrefix_ + "-xvfb.txt");
    x_ = std::make_unique<XDisplay>(xvfb_->DisplayName());

    // A bus that starts no services: no portal or daemon of the desktop's
    // comes up to change what KWin or the game does.
    const std::string busSocket = home_.path + "/session-bus";
    sessionBus_ = "unix:path=" + busSocket;
    std::ofstream(home_.path + "/session-bus.conf")
        << "<busconfig>\n  <type>session</type>\n  <listen>" << sessionBus_
        << "</listen>\n  <auth>EXTERNAL</auth>\n  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
           "    <allow send_destination=\"*\"/>\n    <allow receive_sender=\"*\"/>\n"
           "  </policy>\n</busconfig>\n";
    ChildProcess::Options daemon;
    daemon.argv = {"/usr/bin/dbus-daemon", "--nofork", "--nopidfile",
                   "--config-file=" + home_.path + "/session-bus.conf"};
    daemon.environment = {"PATH=/usr/bin:/bin"};
    daemon.stderrPath = logPrefix_ + "-session-bus.txt";
    busDaemon_ = std::make_unique<ChildProcess>(daemon);
    struct stat socket {};
    if (!WaitUntil(
            [&] { return stat(busSocket.c_str(), &socket) == 0 || !busDaemon_->Running(); }) ||
        !busDaemon_->Running()) {
        throw std::runtime_error("KWin's session bus did not come up" + LogTail(daemon.stderrPath));
    }

    // Debian's kwin_wayland carries a file capability (CAP_SYS_RESOURCE in
    // KWin 5, CAP_SYS_NICE in 6) for its real-time thread; where the test's
    // bounding set lacks it, as in containers, exec fails. A copy carries
    // none, and KWin runs without it.
    const std::string program = home_.path + "/kwin_wayland";
    fs::copy_file("/usr/bin/kwin_wayland", program);
    ChildProcess::Options kwin;
    kwin.argv = {program,
                 "--x11-display",
                 xvfb_->DisplayName(),
                 "--width",
                 std::to_string(output_.width()),
                 "--height",
                 std::to_string(output_.height()),
                 "--socket",
                 "wayland-kwin",
                 "--no-lockscreen",
                 "--no-global-shortcuts"};
    // KWin 5 prints the scripts' findings only with its scripting category
    // on, and loads its own Qt platform only when told to; KWin 6 does both.
    kwin.environment = {"PATH=/usr/bin:/bin",
                        "HOME=" + home_.path,
                        "XDG_RUNTIME_DIR=" + home_.path,
                        "LANG=C.UTF-8",
                        "DBUS_SESSION_BUS_ADDRESS=" + sessionBus_,
                        "QT_LOGGING_RULES=kwin_scripting.debug=true",
                        "KWIN_FORCE_OWN_QPA=1"};
    kwin.stderrPath = logPrefix_ + "-kwin.txt";
    kwin.stdoutPath = logPrefix_ + "-kwin-stdout.txt";
    kwin_ = std::make_unique<ChildProcess>(kwin);
    waylandDisplay_ = home_.path + "/wayland-kwin";

    bus_.name = QString::fromStdString("kwin-" + home_.path);
    bus_.connection = QDBusConnection::connectToBus(QString::fromStdString(sessionBus_), bus_.name);
    if (!bus_.connection->isConnected()) {
        throw std::runtime_error("cannot join KWin's session bus: " +
                                 bus_.connection->lastError().message().toStdString());
    }
    if (!WaitUntil([&] {
            if (!kwin_->Running()) {
                throw std::runtime_error("KWin ended before it came up" + LogTail(kwin.stderrPath));
            }
            // Its scripting there, which comes a little after its name, and
            // its output shown on the X server, where the pointer moves.
            const QDBusMessage scripting = bus_.connection->call(
                QDBusMessage::createMethodCall(
                    QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                    QStringLiteral("org.freedesktop.DBus.Introspectable"),
                    QStringLiteral("Introspect")),
                QDBus::Block, static_cast<int>(Patience.count() * 1000));
            return stat(waylandDisplay_.c_str(), &socket) == 0 &&
                   scripting.type() == QDBusMessage::ReplyMessage &&
                   !x_->MappedTopWindows().empty();
        })) {
        throw std::runtime_error("KWin did not come up " + WithinPatience() +
                                 LogTail(kwin.stderrPath));
    }
    KwinDesktop::MovePointer(QPoint(output_.width() - 1, output_.height() - 1));
}

KwinDesktop::Bus::~Bus() {
    connection.reset();
    QDBusConnection::disconnectFromBus(name);
}

void KwinDesktop::Prepare(ChildProcess::Options& options) const {
    options.environment.insert(options.environment.end(),
                               {"PATH=/usr/bin:/bin", "HOME=" + runtime_.path,
                                "XDG_RUNTIME_DIR=" + runtime_.path,
                                "WAYLAND_DISPLAY=" + waylandDisplay_, "XDG_SESSION_TYPE=wayland",
                                "XDG_CURRENT_DESKTOP=KDE"});
}

QJsonObject KwinDesktop::Look() {
    const std::string log = logPrefix_ + "-kwin.txt";
    auto call = [&](const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), path, interface, method);
        message.setArguments(arguments);
        return bus_.connection->call(message, QDBus::Block,
                                     static_cast<int>(Patience.count() * 1000));
    };
    auto failed = [&](const QString& what, const QDBusMessage& reply) {
        return std::runtime_error((what + " failed: " + reply.errorMessage()).toStdString() +
                                  LogTail(log));
    };
    const QString scripting = QStringLiteral("org.kde.kwin.Scripting");
    const QString name = QStringLiteral("dvigushki-look-%1").arg(++scripts_);
    const QString file = QString::fromStdString(home_.path) + "/" + name + ".js";
    std::ofstream(file.toStdString()) << QString::fromLatin1(LookScript).arg(name).toStdString();

    const QDBusMessage loaded =
        call(QStringLiteral("/Scripting"), scripting, QStringLiteral("loadScript"), {file, name});
    if (loaded.type() != QDBusMessage::ReplyMessage) {
        throw failed(QStringLiteral("loading a script into KWin"), loaded);
    }
    const int id = loaded.arguments().value(0).toInt();
    for (const QString& prefix : {QStringLiteral("/Scripting/Script"), QStringLiteral("/")}) {
        if (!scriptPathPrefix_.isEmpty() && prefix != scriptPathPrefix_) {
            continue;
        }
        const QDBusMessage ran =
            call(prefix + QString::number(id), QStringLiteral("org.kde.kwin.Script"),
                 QStringLiteral("run"), {});
        if (ran.type() == QDBusMessage::ReplyMessage) {
            scriptPathPrefix_ = prefix;
            break;
        }
        if (prefix == QStringLiteral("/")) {
            throw failed(QStringLiteral("running a script in KWin"), ran);
        }
    }

    // KWin runs the script in its own time and prints one line.
    const std::string marker = name.toStdString() + " ";
    std::string line;
    if (!WaitUntil(
            [&] {
                const std::string text = ReadFile(log);
                const std::size_t at = text.find(marker, logRead_);
                const std::size_t end = text.find('\n', at);
                if (at == std::string::npos || end == std::string::npos) {
                    return false;
                }
                line = text.substr(at + marker.size(), end - at - marker.size());
                logRead_ = end;
                return true;
            },
            Patience, std::chrono::milliseconds(2))) {
        throw std::runtime_error("a script run in KWin printed nothing " + WithinPatience() +
                                 LogTail(log));
    }
    call(QStringLiteral("/Scripting"), scripting, QStringLiteral("unloadScript"), {name});
    fs::remove(file.toStdString());
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

unsigned long KwinDesktop::IdOf(const QJsonObject& window) {
    const QString uuid = window["uuid"].toString();
    auto known = std::find(uuids_.begin(), uuids_.end(), uuid);
    if (known == uuids_.end()) {
        uuids_.push_back(uuid);
        known = uuids_.end() - 1;
    }
    return static_cast<unsigned long>(known - uuids_.begin()) + 1;
}

std::vector<QJsonObject> KwinDesktop::Windows(bool popups) {
    std::vector<QJsonObject> windows;
    for (const auto& value : Look()["windows"].toArray()) {
        const QJsonObject window = value.toObject();
        if (popups ? window["popup"].toBool()
                   : !window["popup"].toBool() && window["normal"].toBool()) {
            windows.push_back(window);
        }
    }
    return windows;
}

QJsonObject KwinDesktop::Window(unsigned long window) {
    for (const QJsonObject& shown : Windows(false)) {
        if (IdOf(shown) == window) {
            return shown;
        }
    }
    return {};
}

std::vector<AppWindow> KwinDesktop::AppWindows() {
    std::vector<AppWindow> shown;
    for (const QJsonObject& window : Windows(false)) {
        shown.push_back({IdOf(window), RectOf(window["client"])});
    }
    return shown;
}

std::string KwinDesktop::Title(unsigned long window) {
    return Window(window)["title"].toString().toStdString();
}

std::string KwinDesktop::AppId(unsigned long window) {
    // The Wayland app id, which KWin keeps as the window's class.
    return Window(window)["appId"].toString().toStdString();
}

KwinDesktop::Facts KwinDesktop::WindowFacts(unsigned long window) {
    const QJsonObject shown = Window(window);
    if (shown.isEmpty()) {
        throw std::runtime_error("KWin lists no window " + std::to_string(window));
    }
    return {RectOf(shown["frame"]),       RectOf(shown["client"]),
            shown["noBorder"].toBool(),   shown["maximizable"].toBool(),
            shown["resizeable"].toBool(), shown["desktopFileName"].toString().toStdString()};
}

void KwinDesktop::MovePointer(QPoint screen) {
    x_->MovePointer(screen);
    QJsonObject cursor;
    if (!WaitUntil([&] {
            cursor = Look()["cursor"].toObject();
            return cursor["x"].toInt() == screen.x() && cursor["y"].toInt() == screen.y();
        })) {
        throw std::runtime_error("KWin did not see the pointer reach " +
                                 std::to_string(screen.x()) + "," + std::to_string(screen.y()) +
                                 " " + WithinPatience());
    }
}

void KwinDesktop::Click(QPoint screen) {
    // The pointer there first, so that the window under it has the focus.
    MovePointer(screen);
    x_->Click(screen);
    // KWin takes the X server's events in order: once it has the pointer
    // in the far corner, it has handled the click and sent it on. There it
    // rests, away from every window, as a player's hand leaves the mouse.
    MovePointer(QPoint(output_.width() - 1, output_.height() - 1));
}

void KwinDesktop::NotePopups() {
    notedPopups_.clear();
    for (const QJsonObject& window : Windows(true)) {
        notedPopups_.push_back(IdOf(window));
    }
    popup_ = 0;
}

std::optional<QRect> KwinDesktop::NewPopup(QPoint inside, const QRect& within) {
    for (const QJsonObject& window : Windows(true)) {
        const unsigned long id = IdOf(window);
        const QRect place = RectOf(window["frame"]);
        if (std::find(notedPopups_.begin(), notedPopups_.end(), id) == notedPopups_.end() &&
            place.contains(inside) && within.contains(place)) {
            popup_ = id;
            return place;
        }
    }
    return std::nullopt;
}

bool KwinDesktop::PopupClosed() {
    const std::vector<QJsonObject> popups = Windows(true);
    return std::none_of(popups.begin(), popups.end(),
                        [&](const QJsonObject& window) { return IdOf(window) == popup_; });
}
