#pragma once

#include "desktop.h"
#include "processes.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A bare X server of the test's own on a display number nobody else uses, so
// that test programs running side by side never meet. Unless a WindowManager
// runs there, windows appear where their program puts them, with no frame.
class XvfbServer {
  public:
    XvfbServer(QSize screen, const std::string& logPath);
    const std::string& DisplayName() const { return name_; }

  private:
    std::unique_ptr<ChildProcess> process_;
    std::string name_;
};

// A window manager (Debian's openbox, with its stock settings) on an X
// server: it frames, places and manages the windows that appear there.
//
// openbox 3.6 has a lost wakeup: events that reach it while it handles
// another can wait in its queue until its connection next has something to
// read. On a desktop the pointer, clocks and panels see to that; here a
// heartbeat on the root window does, every 50 ms, so that a window or a click
// waits at most that long for it.
class XDisplay;
class WindowManager {
  public:
    // Back once the window manager runs; throws if it does not come up.
    WindowManager(XDisplay& display, const std::string& name, const std::string& home,
                  const std::string& logPath);
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

  private:
    std::unique_ptr<ChildProcess> process_;
    std::atomic<bool> stop_{false};
    std::thread heartbeat_;
};

struct TopWindow {
    unsigned long id = 0;
    QRect geometry;                // on the screen
    bool overrideRedirect = false; // popup menus are, main windows are not
};

// A client connection to a display: what a player sees there, and a real
// pointer (XTest) to play with.
class XDisplay : public Desktop {
  public:
    explicit XDisplay(const std::string& name);
    ~XDisplay() override;
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    QSize ScreenSize() const override;
    // The windows shown right now on the root window, bottom to top.
    std::vector<TopWindow> MappedTopWindows();
    // The window's title as the window system has it, UTF-8.
    std::string Title(unsigned long window) override;
    // What the screen shows in `area` (clipped to the screen), as RGB32.
    QImage Grab(const QRect& area) override;

    void MovePointer(QPoint screen) override;
    // Left button pressed and released at `screen`, all the way to the server.
    void Click(QPoint screen) override;
    // The left button pressed or released where the pointer is, all the way
    // to the server.
    void Button(bool down);

    // Client windows: with a window manager, the ones inside its frames.
    std::vector<AppWindow> AppWindows() override;
    std::string AppId(unsigned long window) override;
    void NotePopups() override;
    std::optional<QRect> NewPopup(QPoint inside, const QRect& within) override;
    bool PopupClosed() override;

    // A window manager has said it runs (_NET_SUPPORTING_WM_CHECK).
    bool WindowManagerRunning();
    // A 32-bit property (CARDINAL, ATOM, WINDOW ...) of a window, or of the
    // root window for 0; empty when it is not set.
    std::vector<unsigned long> Property32(unsigned long window, const std::string& name);
    std::string AtomName(unsigned long atom);
    unsigned long AtomNamed(const std::string& name);
    // The window's own smallest and largest size, from WM_NORMAL_HINTS.
    std::optional<std::pair<QSize, QSize>> SizeLimits(unsigned long window);
    QRect Geometry(unsigned long window);
    // Shows a bare window of the test's own, with nothing set on it but its
    // title; it lasts as long as this connection.
    unsigned long OpenPlainWindow(const std::string& title);
    // Asks for another size the way a program does (a ConfigureRequest,
    // which a window manager intercepts).
    void RequestSize(unsigned long window, QSize size);
    // Asks the window manager about a window the way pagers and task bars
    // do: a client message of type `name` to the root window.
    void MessageWindowManager(unsigned long window, const std::string& name,
                              const std::vector<long>& data);
    // A key, named as X names it ("Alt_L", "Return", "F10"), pressed and
    // released on whichever window has the keyboard.
    void PressKey(const std::string& name);
    // The display's X resources, as xrdb would set them: "Xft.dpi:\t144\n".
    void SetResources(const std::string& resources);

  private:
    struct Connection;
    std::unique_ptr<Connection> x_;
    std::vector<unsigned long> beforePopup_;
    unsigned long popup_ = 0;
};
