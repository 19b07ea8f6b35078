#include "gnome_desktop.h"

#include "waiting.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <X11/Xlib.h>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <pwd.h>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// A bus that anyone here may join and use: the shell, its services, the
// test and the game.
void WriteBusConfig(const std::string& path, const char* type, const std::string& socket) {
    std::ofstream(path)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n  <type>"
        << type << "</type>\n  <listen>unix:path=" << socket
        << "</listen>\n  <auth>EXTERNAL</auth>\n"
        << (std::string(type) == "session" ? "  <standard_session_servicedirs/>\n" : "")
        << "  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n  </policy>\n</busconfig>\n";
}

bool IsSocket(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace

struct GnomeDesktop::XConnection {
    Display* display = nullptr;
    ~XConnection() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
};

GnomeDesktop::GnomeDesktop(QSize output, const std::string& logPrefix)
    : output_(output), logPrefix_(logPrefix), home_("dvigushki-gnome"),
      runtime_("dvigushki-gnome-run") {
    int uid = -1, gid = -1;
    if (geteuid() != 0) {
        runsAs_ = "as the test's own user";
    } else {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr) {
            throw std::runtime_error("GNOME Shell is not run as root, and there is no user nobody");
        }
        uid = static_cast<int>(nobody->pw_uid);
        gid = static_cast<int>(nobody->pw_gid);
        if (chown(home_.path.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            throw std::runtime_error("cannot give " + home_.path +
                                     " to nobody: chown: " + ErrnoText(errno));
        }
        runsAs_ = "as nobody";
    }
    auto asShell = [&](ChildProcess::Options& options) {
        options.uid = uid;
        options.gid = gid;
        options.environment = {"PATH=/usr/bin:/bin",
                               "HOME=" + home_.path,
                               "XDG_RUNTIME_DIR=" + home_.path,
                               "LANG=C.UTF-8",
                               "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home_.path + "/session-bus",
                               "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + home_.path + "/system-bus",
                               "XDG_SESSION_TYPE=wayland",
                               "XDG_CURRENT_DESKTOP=GNOME"};
    };
    sessionBus_ = "unix:path=" + home_.path + "/session-bus";

    // GNOME Shell will not start without a system bus, though it asks
    // nothing there that it cannot do without.
    for (const char* type : {"system", "session"}) {
        const std::string config = home_.path + "/" + type + "-bus.conf";
        const std::string socket = home_.path + "/" + type + "-bus";
        WriteBusConfig(config, type, socket);
        ChildProcess::Options daemon;
        asShell(daemon);
        daemon.argv = {"/usr/bin/dbus-daemon", "--nofork", "--nopidfile",
                       "--config-file=" + config};
        daemon.stderrPath = logPrefix_ + "-" + type + "-bus.txt";
        auto& started = std::string(type) == "system" ? systemBusDaemon_ : sessionBusDaemon_;
        started = std::make_unique<ChildProcess>(daemon);
        if (!WaitUntil([&] { return IsSocket(socket) || !started->Running(); }) ||
            !started->Running()) {
            throw std::runtime_error(std::string("the ") + type + " bus did not come up" +
                                     LogTail(daemon.stderrPath));
        }
    }

    // No notification banners over the screen, and no animations: a window
    // shows at once where it stays. Before the shell reads them.
    for (const auto& [schema, key] :
         {std::pair{"org.gnome.desktop.notifications", "show-banners"},
          std::pair{"org.gnome.desktop.interface", "enable-animations"}}) {
        ChildProcess::Options settings;
        asShell(settings);
        settings.argv = {"/usr/bin/gsettings", "set", schema, key, "false"};
        settings.stderrPath = logPrefix_ + "-gsettings.txt";
        if (ChildProcess set(settings); set.WaitForExit(Patience) != std::optional<int>(0)) {
            throw std::runtime_error(std::string("gsettings could not turn off ") + key +
                                     LogTail(settings.stderrPath));
        }
    }

    // Mutter makes the X sockets' folder itself when there is none, but with
    // its umask, and then refuses it as not writable by all; an X server
    // started as root makes it as every X server expects it.
    if (mkdir("/tmp/.X11-unix", 01777) == 0) {
        chmod("/tmp/.X11-unix", 01777);
    }

    xvfb_ = std::make_unique<XvfbServer>(output_, logPrefix_ + "-xvfb.txt");
    screen_ = std::make_unique<XDisplay>(xvfb_->DisplayName());
    ChildProcess::Options shell;
    asShell(shell);
    shell.environment.insert(shell.environment.end(),
                             {"DISPLAY=" + xvfb_->DisplayName(),
                              // The nested monitor's size, filling the X screen.
                              "MUTTER_DEBUG_DUMMY_MODE_SPECS=" + std::to_string(output_.width()) +
                                  "x" + std::to_string(output_.height())});
    shell.argv = {"/usr/bin/gnome-shell", "--nested", "--wayland", "--unsafe-mode"};
    shell.stdoutPath = logPrefix_ + "-gnome-shell-stdout.txt";
    connectionName_ = QString::fromStdString("gnome-" + home_.path);
    bus_ = QDBusConnection::connectToBus(QString::fromStdString(sessionBus_), connectionName_);
    if (!bus_->isConnected()) {
        throw std::runtime_error("cannot join the session bus: " +
                                 bus_->lastError().message().toStdString());
    }
    // GNOME Shell 43 hangs at about one start in nine. Unless systemd runs
    // IBus, which the shell tells by its own control group (so nothing here
    // can say so), it starts ibus-daemon itself through a fork that runs a
    // JavaScript function in the child before the exec; when another of the
    // shell's threads holds GLib's type lock at that moment, the child waits
    // on that lock for ever and the shell on the child. So a start that
    // keeps such a copy of the shell for seconds, or that does not come up
    // within Patience, is ended with all its children and made again, three
    // times at most; each start has a log of its own.
    std::string failure;
    for (int start = 1; start <= 3; ++start) {
        shell.stderrPath = logPrefix_ + "-gnome-shell" +
                           (start == 1 ? std::string() : "-" + std::to_string(start)) + ".txt";
        shellLog_ = shell.stderrPath;
        failure = StartShell(shell);
        if (failure.empty()) {
            break;
        }
        std::cerr << "GNOME Shell did not come up (" << shellLog_ << "); starting it again\n";
        EndShell();
    }
    if (!failure.empty()) {
        throw std::runtime_error(failure);
    }
    // The pointer goes to points of the X screen: the shell's window must be
    // all of it.
    const std::vector<TopWindow> shown = screen_->MappedTopWindows();
    if (std::none_of(shown.begin(), shown.end(), [&](const TopWindow& window) {
            return window.geometry == QRect(QPoint(0, 0), output_);
        })) {
        throw std::runtime_error("GNOME Shell's window does not fill its X screen");
    }
}

std::string GnomeDesktop::StartShell(const ChildProcess::Options& shell) {
    xDisplay_.clear();
    xDisplayNumbers_.clear();
    shell_ = std::make_unique<ChildProcess>(shell);
    const std::string running = "GNOME Shell, running " + runsAs_ + ",";
    // The shell's children that are still copies of it, forked and not yet
    // on to their programs, as the hang above leaves one; noted when first seen.
    std::map<pid_t, std::chrono::steady_clock::time_point> copies;
    bool hung = false;
    const auto stuck = [&] {
        const auto now = std::chrono::steady_clock::now();
        for (const auto& entry : fs::directory_iterator("/proc")) {
            std::istringstream stat(ReadFile(entry.path().string() + "/stat"));
            std::string fields;
            std::getline(stat, fields);
            const auto name = fields.rfind(')');
            std::istringstream after(name == std::string::npos ? "" : fields.substr(name + 1));
            std::string state;
            pid_t parent = 0;
            std::error_code unreadable;
            if (after >> state >> parent && parent == shell_->Pid() &&
                fs::read_symlink(entry.path() / "exe", unreadable) == shell.argv[0]) {
                const auto seen = copies.try_emplace(std::stoi(entry.path().filename()), now);
                hung = hung || now - seen.first->second > std::chrono::seconds(3);
            }
        }
        return hung;
    };
    const std::regex publicDisplay(
        "Using public X11 display :([0-9]+)(, \\(using :([0-9]+) for managed services\\))?");
    try {
        if (!WaitUntil([&] {
                if (!shell_->Running()) {
                    throw std::runtime_error(running + " ended before it came up" +
                                             LogTail(shell.stderrPath));
                }
                std::smatch found;
                const std::string log = ReadFile(shell.stderrPath);
                if (xDisplay_.empty() && std::regex_search(log, found, publicDisplay)) {
                    xDisplay_ = ":" + found[1].str();
                    for (const int part : {1, 3}) {
                        if (found[part].matched) {
                            xDisplayNumbers_.push_back(found[part]);
                        }
                    }
                }
                return stuck() || (!xDisplay_.empty() && IsSocket(home_.path + "/wayland-0") &&
                                   bus_->interface()->isServiceRegistered(
                                       QStringLiteral("org.gnome.Shell.Screenshot")));
            }) ||
            hung) {
            return running +
                   (hung ? " hung at its start" : " did not come up " + WithinPatience()) +
                   LogTail(shell.stderrPath);
        }
        // Past its start, where it hangs if it does (and Xwayland, waiting
        // on it, with it), and out of the overview it opens on.
        if (!WaitUntil([&] {
                // A shell that hangs answers nothing: a few seconds tell.
                return stuck() || Eval(QStringLiteral("Main.layoutManager._startingUp"),
                                       std::chrono::seconds(5)) == "false";
            }) ||
            hung) {
            return running +
                   (hung ? " hung at its start"
                         : " did not finish starting up " + WithinPatience()) +
                   LogTail(shell.stderrPath);
        }
        waylandDisplay_ = home_.path + "/wayland-0";
        for (const auto& entry : fs::directory_iterator(home_.path)) {
            if (entry.path().filename().string().rfind(".mutter-Xwaylandauth.", 0) == 0) {
                xAuthority_ = entry.path().string();
            }
        }
        // Xlib finds the cookie through XAUTHORITY alone; nothing else in the
        // test reaches an X display while GNOME Shell is its desktop.
        setenv("XAUTHORITY", xAuthority_.c_str(), 1);
        x_ = std::make_unique<XConnection>();
        x_->display = XOpenDisplay(xDisplay_.c_str());
        if (x_->display == nullptr) {
            return "cannot reach GNOME Shell's Xwayland at " + xDisplay_;
        }
        Eval(QStringLiteral("Main.overview.hide()"));
        if (!WaitUntil([&] {
                return Eval(QStringLiteral("Main.overview.visible || "
                                           "Main.overview.animationInProgress")) == "false";
            })) {
            return running + " stayed in the overview";
        }
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

void GnomeDesktop::EndShell() {
    // Xlib ends a program whose display goes from under it.
    x_.reset();
    const pid_t shellPid = shell_ != nullptr ? shell_->Pid() : -1;
    shell_.reset();
    // The shell ends on a signal here without taking down the X displays it
    // made (their lock files name it); they go as it would take them.
    for (const std::string& number : xDisplayNumbers_) {
        const std::string lock = "/tmp/.X" + number + "-lock";
        std::istringstream owner(ReadFile(lock));
        pid_t pid = -1;
        if (owner >> pid && pid == shellPid) {
            std::error_code ignored;
            fs::remove("/tmp/.X11-unix/X" + number, ignored);
            fs::remove(lock, ignored);
        }
    }
}

GnomeDesktop::~GnomeDesktop() {
    bus_.reset();
    EndShell();
    QDBusConnection::disconnectFromBus(connectionName_);
}

void GnomeDesktop::Prepare(ChildProcess::Options& options) const {
    options.environment.insert(
        options.environment.end(),
        {"PATH=/usr/bin:/bin", "HOME=" + runtime_.path, "XDG_RUNTIME_DIR=" + runtime_.path,
         "WAYLAND_DISPLAY=" + waylandDisplay_, "DISPLAY=" + xDisplay_, "XAUTHORITY=" + xAuthority_,
         "XDG_SESSION_TYPE=wayland", "XDG_CURRENT_DESKTOP=GNOME",
         // As in a GNOME session, where Qt 6.8 looks for GNOME's settings on
         // the session bus, and says so on its standard error without one.
         "DBUS_SESSION_BUS_ADDRESS=" + sessionBus_});
}

QVariantList GnomeDesktop::Call(const QString& service, const QString& path,
                                const QString& interface, const QString& method,
                                const QVariantList& arguments, std::chrono::milliseconds timeout) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_->call(call, QDBus::Block, static_cast<int>(timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        throw std::runtime_error(
            (interface + "." + method + " failed: " + reply.errorMessage()).toStdString() +
            LogTail(shellLog_));
    }
    return reply.arguments();
}

QString GnomeDesktop::Eval(const QString& script, std::chrono::milliseconds timeout) {
    const QVariantList result =
        Call(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
             QStringLiteral("org.gnome.Shell"), QStringLiteral("Eval"), {script}, timeout);
    if (!result.value(0).toBool()) {
        throw std::runtime_error("GNOME Shell could not run " + script.toStdString() + ": " +
                                 result.value(1).toString().toStdString());
    }
    return result.value(1).toString();
}

QImage GnomeDesktop::GrabScreen() {
    const QString path = QString::fromStdString(home_.path + "/screen.png");
    Call(QStringLiteral("org.gnome.Shell.Screenshot"),
         QStringLiteral("/org/gnome/Shell/Screenshot"),
         QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("Screenshot"),
         {false, false, path});
    const QImage image(path);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

QImage GnomeDesktop::Grab(const QRect& area) {
    return ScreenPart(area, output_, [this] { return GrabScreen(); });
}

void GnomeDesktop::MovePointer(QPoint screen) {
    // The shell's monitor fills the X screen from its top-left corner.
    screen_->MovePointer(screen);
    // The shell takes the move in its own time, and gives the window under
    // the pointer the pointer's focus only when it next picks what lies
    // there: a click sent before would go where the pointer was.
    const QString there = QStringLiteral("[%1,%2]").arg(screen.x()).arg(screen.y());
    const QString picked =
        QStringLiteral("(() => { const Clutter = imports.gi.Clutter; const [x, y] = "
                       "global.get_pointer(); return x === %1 && y === %2 && "
                       "global.stage.get_device_actor(Clutter.get_default_backend()"
                       ".get_default_seat().get_pointer(), null) === "
                       "global.stage.get_actor_at_pos(Clutter.PickMode.REACTIVE, x, y); })()")
            .arg(screen.x())
            .arg(screen.y());
    if (!WaitUntil([&] { return Eval(picked) == "true"; })) {
        throw std::runtime_error("the pointer did not reach " + there.toStdString() + " " +
                                 WithinPatience() + "; it is at " +
                                 Eval(QStringLiteral("global.get_pointer()")).toStdString());
    }
}

void GnomeDesktop::WaitForXwayland(QPoint screen, bool down) {
    int x = -1, y = -1;
    unsigned int buttons = 0;
    if (!WaitUntil([&] {
            ::Window root = 0, child = 0;
            int windowX = 0, windowY = 0;
            XQueryPointer(x_->display, DefaultRootWindow(x_->display), &root, &child, &x, &y,
                          &windowX, &windowY, &buttons);
            return x == screen.x() && y == screen.y() && ((buttons & Button1Mask) != 0) == down;
        })) {
        throw std::runtime_error("Xwayland did not see the pointer at " +
                                 std::to_string(screen.x()) + "," + std::to_string(screen.y()) +
                                 (down ? " with the button down " : " with the button up ") +
                                 WithinPatience() + "; it is at " + std::to_string(x) + "," +
                                 std::to_string(y));
    }
}

void GnomeDesktop::Click(QPoint screen) {
    MovePointer(screen);
    // The shell passes each step on to Xwayland in its own time; X11 windows
    // get the events from there. A press that overtook the pointer's arrival
    // or a release that overtook the press would go astray. A Wayland window
    // gets them from the shell itself, in the order they were sent.
    const bool x11 =
        Eval(QStringLiteral("(() => { let a = global.stage.get_actor_at_pos("
                            "imports.gi.Clutter.PickMode.REACTIVE, %1, %2); while (a && "
                            "!a.meta_window) a = a.get_parent(); return !!a && "
                            "a.meta_window.get_client_type() === 1; })()")
                 .arg(screen.x())
                 .arg(screen.y())) == "true";
    if (x11) {
        WaitForXwayland(screen, false);
    }
    for (const bool down : {true, false}) {
        screen_->Button(down);
        if (x11) {
            WaitForXwayland(screen, down);
        }
    }
    // The pointer stays where it clicked. Under GNOME Shell 48 a pointer that
    // leaves an open drop-down for the desktop and comes back to it finds the
    // drop-down deaf to its next click.
}

std::vector<QJsonObject> GnomeDesktop::Windows(bool popups) {
    // Application windows are normal ones (type 0), listed once the shell
    // has a surface for them (an X11 window's comes from Xwayland a little
    // after it is mapped) and, for an X11 window, has given it the focus, as
    // it does a new one: before, a click may go nowhere. GNOME Shell 48
    // gives a new Wayland window no focus here, and needs none to pass it a
    // click. Its surfaces are in a container actor. Drop-downs are X11
    // override-redirect windows or Wayland popups, of other types. Client
    // type 1 is an X11 window.
    const QString shown = popups ? QStringLiteral("w.get_window_type() !== 0")
                                 : QStringLiteral("w.get_window_type() === 0 && (w.has_focus() "
                                                  "|| w.get_client_type() === 0)");
    const QString list = Eval(
        QStringLiteral(
            "global.get_window_actors().filter(a => a.visible && a.get_children().some(c => "
            "String(c.constructor.name).includes(\"Surface\"))).map(a => a.meta_window)"
            ".filter(w => %1).map(w => { const c = "
            "w.frame_rect_to_client_rect(w.get_frame_rect()); return {id: "
            "w.get_stable_sequence(), x: c.x, y: c.y, width: c.width, height: c.height, title: "
            "w.get_title(), wmClass: w.get_wm_class(), x11: w.get_client_type() === 1}; })")
            .arg(shown));
    std::vector<QJsonObject> windows;
    for (const auto& window : QJsonDocument::fromJson(list.toUtf8()).array()) {
        windows.push_back(window.toObject());
    }
    return windows;
}

QJsonObject GnomeDesktop::Window(unsigned long window) {
    for (const QJsonObject& shown : Windows()) {
        if (static_cast<unsigned long>(shown["id"].toInteger()) == window) {
            return shown;
        }
    }
    return {};
}

std::vector<AppWindow> GnomeDesktop::AppWindows() {
    std::vector<AppWindow> shown;
    for (const QJsonObject& window : Windows()) {
        shown.push_back({static_cast<unsigned long>(window["id"].toInteger()),
                         QRect(window["x"].toInt(), window["y"].toInt(), window["width"].toInt(),
                               window["height"].toInt())});
    }
    return shown;
}

std::string GnomeDesktop::Title(unsigned long window) {
    return Window(window)["title"].toString().toStdString();
}

std::string GnomeDesktop::AppId(unsigned long window) {
    // The Wayland app id, or the class part of WM_CLASS for an X11 window.
    return Window(window)["wmClass"].toString().toStdString();
}

void GnomeDesktop::NotePopups() {
    notedPopups_.clear();
    for (const QJsonObject& window : Windows(true)) {
        notedPopups_.push_back(static_cast<unsigned long>(window["id"].toInteger()));
    }
    popup_ = 0;
}

std::optional<QRect> GnomeDesktop::NewPopup(QPoint inside, const QRect& within) {
    // The shell knows its windows' places exactly, drop-downs included; the
    // shadow it draws around a drop-down is no part of it.
    for (const QJsonObject& window : Windows(true)) {
        const auto id = static_cast<unsigned long>(window["id"].toInteger());
        const QRect place(window["x"].toInt(), window["y"].toInt(), window["width"].toInt(),
                          window["height"].toInt());
        if (std::find(notedPopups_.begin(), notedPopups_.end(), id) == notedPopups_.end() &&
            place.contains(inside) && within.contains(place)) {
            popup_ = id;
            return place;
        }
    }
    return std::nullopt;
}

bool GnomeDesktop::PopupClosed() {
    for (const QJsonObject& window : Windows(true)) {
        if (static_cast<unsigned long>(window["id"].toInteger()) == popup_) {
            return false;
        }
    }
    return true;
}
