#include "screen_reader.h"

#include "waiting.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

std::string NameOf(const std::string& variable) {
    return variable.substr(0, variable.find('=') + 1);
}

// `like` without a display, running `argv`, with the variables in `extra`
// in place of its own.
ChildProcess::Options Headless(const ChildProcess::Options& like,
                               const std::vector<std::string>& argv,
                               const std::vector<std::string>& extra) {
    ChildProcess::Options options;
    options.argv = argv;
    options.uid = like.uid;
    options.gid = like.gid;
    std::vector<std::string> dropped = {"DISPLAY=", "WAYLAND_DISPLAY="};
    for (const std::string& variable : extra) {
        dropped.push_back(NameOf(variable));
    }
    for (const std::string& entry : like.environment) {
        if (std::find(dropped.begin(), dropped.end(), NameOf(entry)) == dropped.end()) {
            options.environment.push_back(entry);
        }
    }
    options.environment.insert(options.environment.end(), extra.begin(), extra.end());
    return options;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == separator) {
        fields.push_back("");
    }
    return fields;
}

Accessible Parse(const std::string& line) {
    const std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() != 6) {
        throw std::runtime_error("the screen reader answered \"" + line + "\"");
    }
    Accessible object{fields[0], fields[1], fields[2], fields[3], {}, {}};
    if (!fields[4].empty()) {
        object.actions = Split(fields[4], ',');
    }
    const std::vector<std::string> box = Split(fields[5], ',');
    if (box.size() == 4) {
        object.extents =
            QRect(std::stoi(box[0]), std::stoi(box[1]), std::stoi(box[2]), std::stoi(box[3]));
    }
    return object;
}

} // namespace

AccessibilityBuses::AccessibilityBuses(const ChildProcess::Options& like,
                                       const std::string& logPrefix)
    : runtime_("dvigushki-a11y") {
    if (like.uid >= 0 && chown(runtime_.path.c_str(), static_cast<uid_t>(like.uid),
                               static_cast<gid_t>(like.gid)) != 0) {
        throw std::runtime_error(
            "cannot give the accessibility bus its runtime directory: chown: " + ErrnoText(errno));
    }
    const std::string addressFile = runtime_.path + "/session-bus-address";
    ChildProcess::Options session = Headless(
        like, {"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"},
        {"XDG_RUNTIME_DIR=" + runtime_.path});
    session.stdoutPath = addressFile;
    session.stderrPath = logPrefix + "-session-bus.txt";
    sessionBus_ = std::make_unique<ChildProcess>(session);
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while ((address_ = ReadFile(addressFile)).find('\n') == std::string::npos) {
        if (!sessionBus_->Running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the session bus did not start; see " + session.stderrPath);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    address_.resize(address_.find('\n'));

    ChildProcess::Options launcher =
        Headless(like, {"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"},
                 {"XDG_RUNTIME_DIR=" + runtime_.path, SessionBus()});
    launcher.stderrPath = logPrefix + "-at-spi-bus.txt";
    launcher_ = std::make_unique<ChildProcess>(launcher);
    // Up once it answers for the AT-SPI bus on the session bus.
    ChildProcess::Options ask =
        Headless(like,
                 {"/usr/bin/dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                  "/", "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"},
                 {"XDG_RUNTIME_DIR=" + runtime_.path, SessionBus()});
    ask.stdoutPath = runtime_.path + "/name-has-owner";
    while (true) {
        ChildProcess(ask).WaitForExit(Patience);
        if (ReadFile(ask.stdoutPath).find("boolean true") != std::string::npos) {
            break;
        }
        if (!launcher_->Running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the AT-SPI bus did not start; see " + launcher.stderrPath);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ScreenReader::ScreenReader(const ChildProcess::Options& like, const AccessibilityBuses& buses,
                           const std::string& logPath)
    : logPath_(logPath) {
    int commands[2], answers[2];
    if (pipe2(commands, O_CLOEXEC) != 0 || pipe2(answers, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    ChildProcess::Options client = Headless(like, {DVIGUSHKI_ATSPI_CLIENT}, {buses.SessionBus()});
    client.stdinFd = commands[0];
    client.stdoutFd = answers[1];
    client.stderrPath = logPath;
    client_ = std::make_unique<ChildProcess>(client);
    close(commands[0]);
    close(answers[1]);
    toClient_ = commands[1];
    fromClient_ = answers[0];
    // It says so once the flags are on and it listens.
    const std::vector<std::string> ready = Ask("");
    if (ready.empty() || ready.front() != "ready") {
        throw std::runtime_error("the screen reader did not start; see " + logPath);
    }
}

ScreenReader::~ScreenReader() {
    close(toClient_);
    close(fromClient_);
}

std::vector<std::string> ScreenReader::Ask(const std::string& command) {
    // Nothing is sent for the greeting that comes on start.
    const std::string line = command + "\n";
    if (!command.empty() &&
        write(toClient_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        throw std::runtime_error("the screen reader has gone; see " + logPath_);
    }
    std::vector<std::string> lines;
    while (true) {
        const std::optional<std::string> answer = ReadLine(fromClient_);
        if (!answer) {
            throw std::runtime_error("the screen reader did not answer \"" + command + "\"; see " +
                                     logPath_);
        }
        if (*answer == ".") {
            return lines;
        }
        lines.push_back(*answer);
    }
}

std::vector<Accessible> ScreenReader::Tree() {
    std::vector<Accessible> tree;
    for (const std::string& line : Ask("tree")) {
        tree.push_back(Parse(line));
    }
    return tree;
}

std::optional<Accessible> ScreenReader::At(QPoint point, bool inWindow) {
    const std::vector<std::string> lines =
        Ask(std::string("at ") + (inWindow ? "window" : "screen") + " " +
            std::to_string(point.x()) + " " + std::to_string(point.y()));
    if (lines.empty()) {
        return std::nullopt;
    }
    return Parse(lines.front());
}

bool ScreenReader::Press(const std::string& path) {
    const std::vector<std::string> lines = Ask("press " + path);
    return lines.size() == 1 && lines.front() == "ok";
}

std::vector<Heard> ScreenReader::Events() {
    std::vector<Heard> heard;
    for (const std::string& line : Ask("events")) {
        std::vector<std::string> fields = Split(line, '\t');
        fields.resize(3);
        heard.push_back({fields[0], fields[1], fields[2]});
    }
    return heard;
}

std::vector<Accessible> ChildrenOf(const std::vector<Accessible>& tree, const Accessible& parent) {
    std::vector<Accessible> children;
    const std::string prefix = parent.path + ".";
    for (const Accessible& object : tree) {
        if (object.path.rfind(prefix, 0) == 0 &&
            object.path.find('.', prefix.size()) == std::string::npos) {
            children.push_back(object);
        }
    }
    return children;
}

std::optional<Accessible> Find(const std::vector<Accessible>& tree, const std::string& role,
                               const std::string& name) {
    for (const Accessible& object : tree) {
        if (object.role == role && (name.empty() || object.name == name)) {
            return object;
        }
    }
    return std::nullopt;
}

std::optional<Accessible> BoardOf(const std::vector<Accessible>& tree) {
    const std::optional<Accessible> frame = Find(tree, "frame");
    if (!frame) {
        return std::nullopt;
    }
    for (const Accessible& child : ChildrenOf(tree, *frame)) {
        if (child.role == "panel") {
            return child;
        }
    }
    return std::nullopt;
}

std::vector<Accessible> CellsOf(const std::vector<Accessible>& tree) {
    const std::optional<Accessible> board = BoardOf(tree);
    return board ? ChildrenOf(tree, *board) : std::vector<Accessible>{};
}
