#include "x_display.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

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

} // namespace

XvfbServer::XvfbServer(QSize screen, const std::string& logPath) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    // Xvfb picks a free display itself and writes its number to the pipe.
    const std::string geometry =
        std::to_string(screen.width()) + "x" + std::to_string(screen.height()) + "x24";
    ChildProcess::Options options;
    options.argv = {"/usr/bin/Xvfb", "-displayfd", "3",   "-screen", "0",
                    geometry,        "-nolisten",  "tcp", "-noreset"};
    options.environment = {"PATH=/usr/bin:/bin"};
    options.stderrPath = logPath;
    options.passFd = pipeFds[1];
    options.passedFd = 3;
    process_ = std::make_unique<ChildProcess>(options);
    close(pipeFds[1]);

    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char c = 0;
        if (read(pipeFds[0], &c, 1) != 1) {
            break;
        }
        number += c;
    }
    close(pipeFds[0]);
    if (number.empty() || number.back() != '\n') {
        throw std::runtime_error("Xvfb did not start; see " + logPath);
    }
    number.pop_back();
    name_ = ":" + number;
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
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x_->display, x_->root, &root, &parent, &children, &count)) {
        return shown;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(x_->display, children[i], &attributes) ||
            attributes.map_state != IsViewable || attributes.c_class != InputOutput) {
            continue;
        }
        shown.push_back({children[i],
                         QRect(attributes.x, attributes.y, attributes.width, attributes.height),
                         attributes.override_redirect != 0});
    }
    if (children != nullptr) {
        XFree(children);
    }
    return shown;
}

std::string XDisplay::Title(unsigned long window) {
    auto property = [&](Atom name, Atom type) -> std::optional<std::string> {
        Atom actualType = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(x_->display, window, name, 0, 1024, False, type, &actualType,
                               &format, &items, &after, &data) != Success ||
            data == nullptr) {
            return std::nullopt;
        }
        std::string text(reinterpret_cast<const char*>(data), items);
        XFree(data);
        if (actualType != type) {
            return std::nullopt;
        }
        return text;
    };
    if (auto name = property(x_->netWmName, x_->utf8String)) {
        return *name;
    }
    return property(XA_WM_NAME, AnyPropertyType).value_or("");
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
    XTestFakeButtonEvent(x_->display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(x_->display, Button1, False, CurrentTime);
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
