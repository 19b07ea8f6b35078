#pragma once

#include "processes.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <memory>
#include <string>
#include <vector>

// A bare X server of the test's own on a display number nobody else uses, so
// that test programs running side by side never meet. There is no window
// manager: windows appear where their program puts them and carry no frame.
class XvfbServer {
  public:
    XvfbServer(QSize screen, const std::string& logPath);
    const std::string& DisplayName() const { return name_; }

  private:
    std::unique_ptr<ChildProcess> process_;
    std::string name_;
};

struct TopWindow {
    unsigned long id = 0;
    QRect geometry;                // on the screen
    bool overrideRedirect = false; // popup menus are, main windows are not
};

// A client connection to a display: what a player sees there, and a real
// pointer (XTest) to play with.
class XDisplay {
  public:
    explicit XDisplay(const std::string& name);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    QSize ScreenSize() const;
    // The windows shown right now on the root window, bottom to top.
    std::vector<TopWindow> MappedTopWindows();
    // The window's title as the window system has it, UTF-8.
    std::string Title(unsigned long window);
    // What the screen shows in `area` (clipped to the screen), as RGB32.
    QImage Grab(const QRect& area);

    void MovePointer(QPoint screen);
    // Left button pressed and released at `screen`, all the way to the server.
    void Click(QPoint screen);
    // A key, named as X names it ("Alt_L", "Return", "F10"), pressed and
    // released on whichever window has the keyboard.
    void PressKey(const std::string& name);
    // The display's X resources, as xrdb would set them: "Xft.dpi:\t144\n".
    void SetResources(const std::string& resources);

  private:
    struct Connection;
    std::unique_ptr<Connection> x_;
};
