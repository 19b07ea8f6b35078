#include "x_display.h"

#include "waiting.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

// Xlib's macros (None, Bool, Status ...) clash with Qt's names, so it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

// Windows come and go while the tests look at them; a request about one that
// just went is no reason to end the test program, which Xlib's default does.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// A window's property: its type (0 when it is not set), its format and its
// items, which Xlib hands over as longs for format 32.
struct Property {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    std::vector<unsigned char> data;
};

Property Read(Display* display, Window window, Atom name, Atom type = AnyPropertyType) {
    Property property;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, 1L << 24, False, type, &property.type,
                           &property.format, &property.items, &after, &data) != Success) {
        return {};
    }
    if (data != nullptr) {
        const std::size_t size =
            property.format == 32 ? sizeof(long) : static_cast<std::size_t>(property.format / 8);
        property.data.assign(data, data + property.items * size);
        XFree(data);
    }
    return property;
}

// The children of a window, bottom to top.
std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> all;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children != nullptr) {
        all.assign(children, children + count);
        XFree(children);
    }
    return all;
}

} // namespace

XvfbServer::XvfbServer(QSize screen, const std::string& logPath) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot start Xvfb: pipe: " + ErrnoText(errno));
    }
    // Xvfb picks a free display itself and writes its number to the pipe.
    const std::string geometry =
        std::to_string(screen.width()) + "x" + std::to_string(screen.height()) + "x24";
    ChildProcess::Options options;
    // Clients reach it through its abstract socket, which goes with it: no
    // socket or folder is left in /tmp/.X11-unix, whatever ends it.
    options.argv = {"/usr/bin/Xvfb", "-displayfd", "3",         "-screen", "0",       geometry,
                    "-nolisten",     "tcp",        "-nolisten", "unix",    "-noreset"};
    options.environment = {"PATH=/usr/bin:/bin"};
    options.stderrPath = logPath;
    options.passFd = pipeFds[1];
    options.passedFd = 3;
    process_ = std::make_unique<ChildProcess>(options);
    close(pipeFds[1]);

    const std::optional<std::string> number = ReadLine(pipeFds[0]);
    close(pipeFds[0]);
    if (!number || number->empty()) {
        throw std::runtime_error(std::string("Xvfb ") +
                                 (process_->Running() ? "named no display " + WithinPatience()
                                                      : "ended before it named its display") +
                                 LogTail(logPath));
    }
    name_ = ":" + *number;
}

WindowManager::WindowManager(XDisplay& display, const std::string& name, const std::string& home,
                             const std::string& logPath) {
    ChildProcess::Options options;
    options.argv = {"/usr/bin/openbox", "--sm-disable"};
    // A home of the test's own, so that only the stock settings apply.
    options.environment = {"PATH=/usr/bin:/bin", "HOME=" + home, "DISPLAY=" + name, "LANG=C.UTF-8"};
    options.stdoutPath = logPath;
    options.stderrPath = logPath;
    process_ = std::make_unique<ChildProcess>(options);
    const bool running = WaitUntil([&] {
        if (!process_->Running()) {
            throw std::runtime_error("openbox ended before it took the display" + LogTail(logPath));
        }
        return display.WindowManagerRunning();
    });
    if (!running) {
        throw std::runtime_error("openbox did not take the display " + WithinPatience() +
                                 LogTail(logPath));
    }
    // A connection of its own: each thread keeps to its own.
    heartbeat_ = std::thread([this, name] {
        Display* display = XOpenDisplay(name.c_str());
        if (display == nullptr) {
            return;
        }
        const Window root = DefaultRootWindow(display);
        const Atom beat = XInternAtom(display, "_DVIGUSHKI_TEST_HEARTBEAT", False);
        for (unsigned long count = 0; !stop_; ++count) {
            XChangeProperty(display, root, beat, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&count), 1);
            XFlush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        XCloseDisplay(display);
    });
}

WindowManager::~WindowManager() {
    stop_ = true;
    heartbeat_.join();
}

struct XDisplay::Connection {
    Display* display = nullptr;
    Window root = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
};

XDisplay::XDisplay(const std::string& name) : x_(std::make_unique<Connection>()) {
    XSetErrorHandler(IgnoreXError);
    x_->display = XOpenDisplay(name.c_str());
    if (x_->display == nullptr) {
        throw std::runtime_error("cannot connect to X display " + name);
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x_->display, &event, &error, &major, &minor)) {
        throw std::runtime_error("the X server has no XTEST extension");
    }
    x_->root = DefaultRootWindow(x_->display);
    x_->netWmName = XInternAtom(x_->display, "_NET_WM_NAME", False);
    x_->utf8String = XInternAtom(x_->display, "UTF8_STRING", False);
}

XDisplay::~XDisplay() {
    if (x_->display != nullptr) {
        XCloseDisplay(x_->display);
    }
}

QSize XDisplay::ScreenSize() const {
    const int screen = DefaultScreen(x_->display);
    return {DisplayWidth(x_->display, screen), DisplayHeight(x_->display, screen)};
}

std::vector<TopWindow> XDisplay::MappedTopWindows() {
    std::vector<TopWindow> shown;
    for (const Window child : Children(x_->display, x_->root)) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(x_->display, child, &attributes) ||
            attributes.map_state != IsViewable || attributes.c_class != InputOutput) {
            continue;
        }
        shown.push_back({child,
                         QRect(attributes.x, attributes.y, attributes.width, attributes.height),
                         attributes.override_redirect != 0});
    }
    return shown;
}

std::string XDisplay::Title(unsigned long window) {
    Property name = Read(x_->display, window, x_->netWmName, x_->utf8String);
    if (name.type != x_->utf8String) {
        name = Read(x_->display, window, XA_WM_NAME);
    }
    return {name.data.begin(), name.data.end()};
}

QImage XDisplay::Grab(const QRect& area) {
    const QRect clipped = area.intersected(QRect(QPoint(0, 0), ScreenSize()));
    if (clipped.isEmpty()) {
        return {};
    }
    XImage* image = XGetImage(x_->display, x_->root, clipped.x(), clipped.y(),
                              static_cast<unsigned>(clipped.width()),
                              static_cast<unsigned>(clipped.height()), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return {};
    }
    QImage grabbed(clipped.size(), QImage::Format_RGB32);
    const bool plain = image->bits_per_pixel == 32 && image->red_mask == 0xff0000 &&
                       image->green_mask == 0xff00 && image->blue_mask == 0xff &&
                       image->byte_order == LSBFirst;
    for (int y = 0; y < clipped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grabbed.scanLine(y));
        if (plain) {
            std::memcpy(line, image->data + y * image->bytes_per_line,
                        static_cast<std::size_t>(clipped.width()) * 4);
            for (int x = 0; x < clipped.width(); ++x) {
                line[x] |= 0xff000000u;
            }
            continue;
        }
        for (int x = 0; x < clipped.width(); ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            auto channel = [pixel](unsigned long mask) {
                unsigned long value = pixel & mask;
                while (mask != 0 && (mask & 1) == 0) {
                    mask >>= 1;
                    value >>= 1;
                }
                return static_cast<int>(value * 255 / (mask == 0 ? 1 : mask));
            };
            line[x] = qRgb(channel(image->red_mask), channel(image->green_mask),
                           channel(image->blue_mask));
        }
    }
    XDestroyImage(image);
    return grabbed;
}

void XDisplay::MovePointer(QPoint screen) {
    XTestFakeMotionEvent(x_->display, DefaultScreen(x_->display), screen.x(), screen.y(),
                         CurrentTime);
    XSync(x_->display, False);
}

void XDisplay::Click(QPoint screen) {
    MovePointer(screen);
    Button(true);
    Button(false);
}

void XDisplay::Button(bool down) {
    XTestFakeButtonEvent(x_->display, Button1, down ? True : False, CurrentTime);
    XSync(x_->display, False);
}

void XDisplay::PressKey(const std::string& name) {
    const KeySym symbol = XStringToKeysym(name.c_str());
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(x_->display, symbol);
    if (code == 0) {
        throw std::runtime_error("no key " + name + " on this display");
    }
    XTestFakeKeyEvent(x_->display, code, True, CurrentTime);
    XTestFakeKeyEvent(x_->display, code, False, CurrentTime);
    XSync(x_->display, False);
}

void XDisplay::SetResources(const std::string& resources) {
    // Where xrdb keeps them, and where Qt looks for Xft.dpi.
    XChangeProperty(x_->display, x_->root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(x_->display, False);
}

namespace {

// The window a window manager has taken on: it alone carries WM_STATE. A
// frame holds it somewhere below; with no window manager there is none.
Window ClientInside(Display* display, Window window, Atom wmState) {
    if (Read(display, window, wmState).type != 0) {
        return window;
    }
    Window found = 0;
    for (const Window child : Children(display, window)) {
        found = found != 0 ? found : ClientInside(display, child, wmState);
    }
    return found;
}

} // namespace

std::vector<AppWindow> XDisplay::AppWindows() {
    const Atom wmState = XInternAtom(x_->display, "WM_STATE", False);
    std::vector<AppWindow> shown;
    for (const TopWindow& top : MappedTopWindows()) {
        if (top.overrideRedirect) {
            continue;
        }
        const Window client = ClientInside(x_->display, top.id, wmState);
        const Window window = client != 0 ? client : top.id;
        shown.push_back({window, Geometry(window)});
    }
    return shown;
}

std::string XDisplay::AppId(unsigned long window) {
    XClassHint hint{};
    if (!XGetClassHint(x_->display, window, &hint)) {
        return "";
    }
    std::string appClass = hint.res_class != nullptr ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    return appClass;
}

void XDisplay::NotePopups() {
    beforePopup_.clear();
    for (const TopWindow& window : MappedTopWindows()) {
        beforePopup_.push_back(window.id);
    }
    popup_ = 0;
}

std::optional<QRect> XDisplay::NewPopup(QPoint inside, const QRect& within) {
    // Drop-downs bypass any window manager: they are override-redirect.
    for (const TopWindow& window : MappedTopWindows()) {
        if (window.overrideRedirect && window.geometry.contains(inside) &&
            within.contains(window.geometry) &&
            std::find(beforePopup_.begin(), beforePopup_.end(), window.id) == beforePopup_.end()) {
            popup_ = window.id;
            return window.geometry;
        }
    }
    return std::nullopt;
}

bool XDisplay::PopupClosed() {
    for (const TopWindow& window : MappedTopWindows()) {
        if (window.id == popup_) {
            return false;
        }
    }
    return true;
}

std::vector<unsigned long> XDisplay::Property32(unsigned long window, const std::string& name) {
    const Property property = Read(x_->display, window != 0 ? window : x_->root,
                                   XInternAtom(x_->display, name.c_str(), False));
    if (property.format != 32 || property.items == 0) {
        return {};
    }
    // Xlib hands 32-bit items over as longs.
    std::vector<unsigned long> values(property.items);
    std::memcpy(values.data(), property.data.data(), property.data.size());
    return values;
}

std::string XDisplay::AtomName(unsigned long atom) {
    char* name = XGetAtomName(x_->display, atom);
    if (name == nullptr) {
        return "";
    }
    std::string text = name;
    XFree(name);
    return text;
}

unsigned long XDisplay::AtomNamed(const std::string& name) {
    return XInternAtom(x_->display, name.c_str(), False);
}

bool XDisplay::WindowManagerRunning() {
    // The window named on the root names itself too, while its owner lives.
    const std::vector<unsigned long> check = Property32(0, "_NET_SUPPORTING_WM_CHECK");
    return !check.empty() && Property32(check[0], "_NET_SUPPORTING_WM_CHECK") == check;
}

std::optional<std::pair<QSize, QSize>> XDisplay::SizeLimits(unsigned long window) {
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(x_->display, window, &hints, &supplied) ||
        (hints.flags & (PMinSize | PMaxSize)) != (PMinSize | PMaxSize)) {
        return std::nullopt;
    }
    return std::make_pair(QSize(hints.min_width, hints.min_height),
                          QSize(hints.max_width, hints.max_height));
}

QRect XDisplay::Geometry(unsigned long window) {
    XWindowAttributes attributes{};
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(x_->display, window, &attributes) ||
        !XTranslateCoordinates(x_->display, window, x_->root, 0, 0, &x, &y, &child)) {
        return {};
    }
    return QRect(x, y, attributes.width, attributes.height);
}

unsigned long XDisplay::OpenPlainWindow(const std::string& title) {
    const Window window =
        XCreateSimpleWindow(x_->display, x_->root, 0, 0, 100, 100, 0, 0, 0xffffff);
    XStoreName(x_->display, window, title.c_str());
    XMapWindow(x_->display, window);
    XSync(x_->display, False);
    return window;
}

void XDisplay::RequestSize(unsigned long window, QSize size) {
    XResizeWindow(x_->display, window, static_cast<unsigned>(size.width()),
                  static_cast<unsigned>(size.height()));
    XSync(x_->display, False);
}

void XDisplay::MessageWindowManager(unsigned long window, const std::string& name,
                                    const std::vector<long>& data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x_->display, name.c_str(), False);
    event.xclient.format = 32;
    for (std::size_t i = 0; i < data.size() && i < 5; ++i) {
        event.xclient.data.l[i] = data[i];
    }
    XSendEvent(x_->display, x_->root, False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XSync(x_->display, False);
}
