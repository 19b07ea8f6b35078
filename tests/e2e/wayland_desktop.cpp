#include "wayland_desktop.h"

#include "waiting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// sway's uid in a user namespace of its own: anything but root.
constexpr int SwayIdInItsNamespace = 1000;

// The one socket in `dir` whose name starts with `prefix`, or "".
std::string Socket(const std::string& dir, const std::string& prefix) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (entry.is_socket(error) && entry.path().filename().string().rfind(prefix, 0) == 0) {
            return entry.path().string();
        }
    }
    return "";
}

QRect RectOf(const QJsonValue& value) {
    const QJsonObject rect = value.toObject();
    return QRect(rect["x"].toInt(), rect["y"].toInt(), rect["width"].toInt(),
                 rect["height"].toInt());
}

// Every window in a tree of sway's, floating or tiled.
void CollectViews(const QJsonObject& node, std::vector<QJsonObject>& views) {
    if (node["pid"].toInt() > 0) {
        views.push_back(node);
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const auto& child : node[children].toArray()) {
            CollectViews(child.toObject(), views);
        }
    }
}

bool SameRing(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) {
        return false;
    }
    const int right = a.width() - 1, bottom = a.height() - 1;
    for (int x = 0; x <= right; ++x) {
        if (a.pixel(x, 0) != b.pixel(x, 0) || a.pixel(x, bottom) != b.pixel(x, bottom)) {
            return false;
        }
    }
    for (int y = 0; y <= bottom; ++y) {
        if (a.pixel(0, y) != b.pixel(0, y) || a.pixel(right, y) != b.pixel(right, y)) {
            return false;
        }
    }
    return true;
}

} // namespace

SwayDesktop::SwayDesktop(QSize output, const std::string& logPrefix)
    : output_(output), logPrefix_(logPrefix), swayHome_("dvigushki-sway"),
      runtime_("dvigushki-wayland") {

    ChildProcess::Options sway;
    if (geteuid() != 0) {
        swayRunsAs_ = "as the test's own user";
    } else if (const int refusal = UserNamespaceRefusal(); refusal == 0) {
        sway.idInOwnNamespace = SwayIdInItsNamespace;
        swayRunsAs_ = "in a user namespace of its own";
    } else {
        const passwd* nobody = getpwnam("nobody");
        const std::string why =
            "no user namespace can be made here (unshare: " + ErrnoText(refusal) + ")";
        if (nobody == nullptr) {
            throw std::runtime_error("sway will not run as root, " + why +
                                     ", and there is no user nobody to run it as");
        }
        if (chown(swayHome_.path.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            throw std::runtime_error("cannot give " + swayHome_.path +
                                     " to nobody: chown: " + ErrnoText(errno));
        }
        sway.uid = static_cast<int>(nobody->pw_uid);
        sway.gid = static_cast<int>(nobody->pw_gid);
        swayRunsAs_ = "as nobody, since " + why;
    }

    const std::string config = swayHome_.path + "/sway.conf";
    std::ofstream(config)
        << "# One output of a known size at scale 1; nothing drawn around the windows,\n"
           "# no bar, no X server.\n"
        << "output * mode " << output_.width() << "x" << output_.height()
        << " position 0 0 scale 1\n"
        << "default_border none\n"
           "default_floating_border none\n"
           "xwayland disable\n";

    sway.argv = {"/usr/bin/sway", "--config", config};
    sway.environment = {
        "PATH=/usr/bin:/bin", "HOME=" + swayHome_.path, "XDG_RUNTIME_DIR=" + swayHome_.path,
        "LANG=C.UTF-8",       "WLR_BACKENDS=headless",  "WLR_LIBINPUT_NO_DEVICES=1",
        "WLR_RENDERER=pixman"};
    sway.stderrPath = logPrefix_ + "-sway.txt";
    sway_ = std::make_unique<ChildProcess>(sway);

    const std::string running = "sway, running " + swayRunsAs_ + ",";
    if (!WaitUntil([&] {
            if (!sway_->Running()) {
                throw std::runtime_error(running + " ended before it came up" +
                                         LogTail(sway.stderrPath));
            }
            waylandDisplay_ = Socket(swayHome_.path, "wayland-");
            swaySocket_ = Socket(swayHome_.path, "sway-ipc.");
            return !waylandDisplay_.empty() && !swaySocket_.empty();
        })) {
        throw std::runtime_error(running + " made no sockets in " + swayHome_.path + " " +
                                 WithinPatience() + LogTail(sway.stderrPath));
    }
    // Ready once the output is laid out as asked. swaymsg may find the
    // socket before sway answers on it.
    std::string outputs;
    if (!WaitUntil([&] {
            try {
                outputs = RunTool({"/usr/bin/swaymsg", "--raw", "-t", "get_outputs"});
            } catch (const std::runtime_error& refused) {
                outputs = refused.what();
                return false;
            }
            const QJsonArray all =
                QJsonDocument::fromJson(QByteArray::fromStdString(outputs)).array();
            return all.size() == 1 && all[0].toObject()["active"].toBool() &&
                   RectOf(all[0].toObject()["rect"]) == QRect(QPoint(0, 0), output_) &&
                   all[0].toObject()["scale"].toDouble() == 1.0;
        })) {
        throw std::runtime_error(
            running + " did not lay out its output as " + std::to_string(output_.width()) + "x" +
            std::to_string(output_.height()) + " at scale 1 " + WithinPatience() +
            "; its outputs: " + outputs + LogTail(sway.stderrPath));
    }

    // The pointer device comes before any window, and stays: a seat that
    // gains its pointer later would leave the window without one at first.
    int commands[2], answers[2];
    if (pipe2(commands, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot talk to the virtual pointer: pipe: " + ErrnoText(errno));
    }
    toPointer_.fd = commands[1];
    const Descriptor pointerInput{commands[0]};
    if (pipe2(answers, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot talk to the virtual pointer: pipe: " + ErrnoText(errno));
    }
    fromPointer_.fd = answers[0];
    const Descriptor pointerOutput{answers[1]};
    ChildProcess::Options pointer;
    pointer.argv = {DVIGUSHKI_VIRTUAL_POINTER, std::to_string(output_.width()),
                    std::to_string(output_.height())};
    pointer.stdinFd = pointerInput.fd;
    pointer.stdoutFd = pointerOutput.fd;
    pointer.stderrPath = logPrefix_ + "-pointer.txt";
    Prepare(pointer);
    pointer_ = std::make_unique<ChildProcess>(pointer);
    // Out of the way of any window (see Click).
    Point("move " + std::to_string(output_.width() - 1) + " " +
          std::to_string(output_.height() - 1));
}

SwayDesktop::Descriptor::~Descriptor() {
    if (fd >= 0) {
        close(fd);
    }
}

void SwayDesktop::Prepare(ChildProcess::Options& options) const {
    // WAYLAND_DISPLAY may name the socket by its path (libwayland 1.15 on).
    options.environment.insert(options.environment.end(),
                               {"PATH=/usr/bin:/bin", "HOME=" + runtime_.path,
                                "XDG_RUNTIME_DIR=" + runtime_.path,
                                "WAYLAND_DISPLAY=" + waylandDisplay_, "SWAYSOCK=" + swaySocket_,
                                "XDG_SESSION_TYPE=wayland", "XDG_CURRENT_DESKTOP=sway"});
}

std::string SwayDesktop::RunTool(const std::vector<std::string>& argv) {
    ChildProcess::Options options;
    options.argv = argv;
    options.environment = {"LANG=C.UTF-8"};
    const std::string name = fs::path(argv.at(0)).filename().string();
    options.stdoutPath = runtime_.path + "/" + name + "-output";
    options.stderrPath = logPrefix_ + "-" + name + ".txt";
    Prepare(options);
    ChildProcess tool(options);
    const std::optional<int> status = tool.WaitForExit(Patience);
    if (!status) {
        throw std::runtime_error(name + " did not finish " + WithinPatience() +
                                 LogTail(options.stderrPath));
    }
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        throw std::runtime_error(name + " failed (wait status " + std::to_string(*status) + ")" +
                                 LogTail(options.stderrPath));
    }
    return ReadFile(options.stdoutPath);
}

QImage SwayDesktop::GrabOutput() {
    const std::string ppm = RunTool({"/usr/bin/grim", "-t", "ppm", "-"});
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(ppm.data()), static_cast<int>(ppm.size()),
                       "PPM");
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

QImage SwayDesktop::Grab(const QRect& area) {
    return ScreenPart(area, output_, [this] { return GrabOutput(); });
}

void SwayDesktop::Point(const std::string& command) {
    const std::string line = command + "\n";
    const std::string log = logPrefix_ + "-pointer.txt";
    if (write(toPointer_.fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        throw std::runtime_error("cannot send \"" + command + "\" to the virtual pointer: write: " +
                                 ErrnoText(errno) + LogTail(log));
    }
    const std::optional<std::string> answer = ReadLine(fromPointer_.fd);
    if (!answer) {
        throw std::runtime_error("the virtual pointer did not answer \"" + command + "\"" +
                                 (pointer_->Running() ? " " + WithinPatience() : "; it has ended") +
                                 LogTail(log));
    }
    if (*answer != "ok") {
        throw std::runtime_error("the virtual pointer answered \"" + command + "\" with " +
                                 *answer);
    }
}

void SwayDesktop::MovePointer(QPoint screen) {
    Point("move " + std::to_string(screen.x()) + " " + std::to_string(screen.y()));
}

void SwayDesktop::Click(QPoint screen) {
    Point("click " + std::to_string(screen.x()) + " " + std::to_string(screen.y()));
    // A headless output has no cursor plane: the cursor is drawn into the
    // picture that screenshots take. It rests in the far corner, away from
    // every window, as a player's hand leaves the mouse.
    MovePointer(QPoint(output_.width() - 1, output_.height() - 1));
}

std::vector<QJsonObject> SwayDesktop::Views() {
    const QByteArray tree =
        QByteArray::fromStdString(RunTool({"/usr/bin/swaymsg", "--raw", "-t", "get_tree"}));
    std::vector<QJsonObject> views;
    CollectViews(QJsonDocument::fromJson(tree).object(), views);
    return views;
}

std::vector<AppWindow> SwayDesktop::AppWindows() {
    std::vector<AppWindow> shown;
    for (const QJsonObject& view : Views()) {
        if (!view["visible"].toBool()) {
            continue;
        }
        // The window's own part lies at window_rect within its container.
        const QRect container = RectOf(view["rect"]);
        const QRect own = RectOf(view["window_rect"]);
        shown.push_back({static_cast<unsigned long>(view["id"].toInteger()),
                         own.translated(container.topLeft())});
    }
    return shown;
}

QJsonObject SwayDesktop::View(unsigned long window) {
    for (const QJsonObject& view : Views()) {
        if (static_cast<unsigned long>(view["id"].toInteger()) == window) {
            return view;
        }
    }
    return {};
}

std::string SwayDesktop::Title(unsigned long window) {
    return View(window)["name"].toString().toStdString();
}

std::string SwayDesktop::AppId(unsigned long window) {
    return View(window)["app_id"].toString().toStdString();
}

void SwayDesktop::NotePopups() {
    // What the screen settles on; anything that changes after it is taken
    // for part of the drop-down.
    beforePopup_ = GrabOutput();
    for (int looks = 0; looks < 100; ++looks) {
        QImage again = GrabOutput();
        if (again == beforePopup_) {
            break;
        }
        beforePopup_ = again;
    }
    popup_ = QRect();
    popupSeen_ = QImage();
}

std::optional<QRect> SwayDesktop::NewPopup(QPoint inside, const QRect& within) {
    // Drop-downs are xdg popups, which sway's tree does not list: the
    // drop-down is the patch of changed pixels around `inside`. Pixels of
    // the drop-down that happen to match what lies below leave holes of a
    // pixel or two, which the search steps over.
    const QImage now = GrabOutput();
    if (now.isNull() || now.size() != beforePopup_.size()) {
        return std::nullopt;
    }
    const QRect area = within.intersected(now.rect());
    auto changed = [&](QPoint p) {
        return area.contains(p) && now.pixel(p) != beforePopup_.pixel(p);
    };
    constexpr int Step = 2;
    std::vector<bool> reached(static_cast<std::size_t>(now.width() * now.height()), false);
    auto index = [&](QPoint p) { return static_cast<std::size_t>(p.y() * now.width() + p.x()); };
    std::deque<QPoint> next;
    for (int dy = -Step; dy <= Step && next.empty(); ++dy) {
        for (int dx = -Step; dx <= Step && next.empty(); ++dx) {
            if (changed(inside + QPoint(dx, dy))) {
                next.push_back(inside + QPoint(dx, dy));
                reached[index(next.back())] = true;
            }
        }
    }
    if (next.empty()) {
        return std::nullopt;
    }
    QRect found(next.front(), QSize(1, 1));
    while (!next.empty()) {
        const QPoint p = next.front();
        next.pop_front();
        found |= QRect(p, QSize(1, 1));
        for (int dy = -Step; dy <= Step; ++dy) {
            for (int dx = -Step; dx <= Step; ++dx) {
                const QPoint q = p + QPoint(dx, dy);
                if (changed(q) && !reached[index(q)]) {
                    reached[index(q)] = true;
                    next.push_back(q);
                }
            }
        }
    }
    popup_ = found;
    popupSeen_ = now.copy(found);
    return found;
}

bool SwayDesktop::PopupClosed() {
    // Its edge, which no highlighted entry reaches, shows something else.
    return !SameRing(Grab(popup_), popupSeen_);
}
