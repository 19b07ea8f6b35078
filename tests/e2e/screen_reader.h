#pragma once

#include "processes.h"

#include <QPoint>
#include <QRect>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The desktop's accessibility buses, for one session: a D-Bus session bus of
// its own and the AT-SPI bus on it (at-spi-bus-launcher), as a desktop runs
// them whether or not a screen reader is on. Its programs run as `like` says
// (user and variables), without a display: the game and the screen reader
// find the AT-SPI bus through the session bus alone.
class AccessibilityBuses {
  public:
    AccessibilityBuses(const ChildProcess::Options& like, const std::string& logPrefix);
    AccessibilityBuses(const AccessibilityBuses&) = delete;
    AccessibilityBuses& operator=(const AccessibilityBuses&) = delete;

    // The variable that puts a program on this session bus.
    std::string SessionBus() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }

  private:
    // The AT-SPI bus puts its socket under the runtime directory; the
    // session's own may lie too deep for a socket's name.
    ScratchDirectory runtime_;
    std::string address_;
    std::unique_ptr<ChildProcess> sessionBus_;
    std::unique_ptr<ChildProcess> launcher_;
};

// One object as a screen reader meets it.
struct Accessible {
    std::string path; // child numbers from the desktop down, "0.0.1.3"
    std::string role; // as libatspi names it: "frame", "panel", "push button"
    std::string name;
    std::string description;
    std::vector<std::string> actions;
    QRect extents; // on the screen, as the object gives it
};

// Something the screen reader heard: a name change (`detail` is the new
// name), a child gone from or come to `source` (`detail` is its name), or
// `source` shown or hidden (`detail` is 1 or 0).
struct Heard {
    // "object:property-change:accessible-name", "object:children-changed:remove",
    // "object:state-changed:showing" ...
    std::string type;
    std::string source;
    std::string detail;
};

// A screen reader on the buses, seeing the desktop through AT-SPI's client
// library (the program dvigushki_atspi_client; its source says how). Like a
// screen reader starting, it turns the desktop's accessibility flags on.
class ScreenReader {
  public:
    ScreenReader(const ChildProcess::Options& like, const AccessibilityBuses& buses,
                 const std::string& logPath);
    ~ScreenReader();
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // Every object of every application on the desktop, depth first.
    std::vector<Accessible> Tree();
    // The innermost object at `point`, found as mouse review finds it: on the
    // screen, or relative to the window's corner.
    std::optional<Accessible> At(QPoint point, bool inWindow = false);
    // Runs the object's press action; whether it could.
    bool Press(const std::string& path);
    // What was heard since the last call.
    std::vector<Heard> Events();

  private:
    std::vector<std::string> Ask(const std::string& command);

    std::string logPath_;
    std::unique_ptr<ChildProcess> client_;
    int toClient_ = -1;
    int fromClient_ = -1;
};

// The objects of `tree` directly inside `parent`, in order.
std::vector<Accessible> ChildrenOf(const std::vector<Accessible>& tree, const Accessible& parent);
// The first object of `tree` with that role (and name, unless empty).
std::optional<Accessible> Find(const std::vector<Accessible>& tree, const std::string& role,
                               const std::string& name = "");
// The game's board, the panel in its window, and its cells in reading order.
std::optional<Accessible> BoardOf(const std::vector<Accessible>& tree);
std::vector<Accessible> CellsOf(const std::vector<Accessible>& tree);
