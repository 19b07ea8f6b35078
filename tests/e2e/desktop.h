#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// An application's window as the desktop shows it: the part the application
// draws, without any frame a window manager puts around it.
struct AppWindow {
    unsigned long id = 0;
    QRect geometry; // on the screen
};

// Where the game runs, seen and touched only as a player does: the screen's
// pixels, a pointer, the windows shown and the drop-downs that open over them.
// An X server, with or without a window manager, and a Wayland compositor
// serve the same scenarios through it. Points and areas are in the pixels of
// the screen's pictures.
class Desktop {
  public:
    virtual ~Desktop() = default;

    virtual QSize ScreenSize() const = 0;
    // What the screen shows in `area` (clipped to the screen), as RGB32.
    virtual QImage Grab(const QRect& area) = 0;
    virtual void MovePointer(QPoint screen) = 0;
    // Left button pressed and released at `screen`; back once the window
    // under it has been sent the events.
    virtual void Click(QPoint screen) = 0;

    // The applications' windows shown right now; no drop-downs.
    virtual std::vector<AppWindow> AppWindows() = 0;
    // The window's title, UTF-8.
    virtual std::string Title(unsigned long window) = 0;
    // The name by which the desktop ties the window to a desktop entry: the
    // Wayland app id, or the class part of WM_CLASS on X11.
    virtual std::string AppId(unsigned long window) = 0;

    // Notes what is shown now, so that a drop-down opening later is told apart.
    virtual void NotePopups() = 0;
    // Where a drop-down that opened since NotePopups lies, when one covers
    // `inside` and lies within `within`.
    virtual std::optional<QRect> NewPopup(QPoint inside, const QRect& within) = 0;
    // Whether the drop-down NewPopup last found has closed.
    virtual bool PopupClosed() = 0;
};

// The part of the screen in `area`, clipped to a screen of `size`, cut from
// a picture of the whole screen that `grabScreen` takes; null when nothing
// of `area` is on the screen (then no picture is taken) or no picture came.
inline QImage ScreenPart(const QRect& area, QSize size, const std::function<QImage()>& grabScreen) {
    const QRect clipped = area.intersected(QRect(QPoint(0, 0), size));
    if (clipped.isEmpty()) {
        return {};
    }
    const QImage screen = grabScreen();
    return screen.isNull() ? screen : screen.copy(clipped);
}
