// A pointer device for a wlroots compositor (sway), driven by commands on
// standard input, so that tests and scripts click a Wayland window the way a
// mouse does: the compositor moves its cursor, picks the surface under it and
// delivers the events. The device stays for the whole run. One that comes and
// goes per click is no use: each time the seat gains a pointer that windows
// have yet to take up, and the click is lost.
//
//   dvigushki_virtual_pointer WIDTH HEIGHT
//
// WIDTH x HEIGHT is the size of the compositor's layout in its own (logical)
// pixels, e.g. 800 600 for one 800 x 600 output at scale 1. Commands, one a
// line:
//
//   move X Y    the cursor to X,Y of the layout
//   click X Y   move, then press and release the left button
//
// Each motion and each button change is a pointer frame of its own. Once the
// compositor has handled a command, the program answers "ok" on standard
// output, so a caller that waits for the answer knows the events have gone
// out to the window under the cursor. A line it cannot read gets "error: ..."
// instead, and nothing goes out for it. Empty lines and lines starting with #
// are ignored. The program ends at the end of its input.
//
// It speaks wlr-virtual-pointer-unstable-v1, a protocol Debian ships no
// description of; its two small interfaces are written out below.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <iterator>
#include <linux/input-event-codes.h>
#include <sstream>
#include <string>
#include <wayland-client.h>

namespace {

// The interfaces as the protocol defines them: every request in order, since
// a request's number is its place in the list. libwayland's wl_message takes
// its argument types as a `const wl_interface**`, so the two lists of types
// cannot be const themselves.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};

const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},   {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},   {"axis", "uuf", noTypes},
    {"frame", "", noTypes},       {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes}, {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
enum PointerRequest : std::uint32_t { MotionAbsolute = 1, Button = 2, Frame = 4, Destroy = 8 };

const wl_interface virtualPointerInterface = {
    "zwlr_virtual_pointer_v1", 1, static_cast<int>(std::size(pointerRequests)),
    pointerRequests,           0, nullptr};

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
const wl_interface* createTypes[] = {&wl_seat_interface, &virtualPointerInterface};
const wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", createTypes},
    {"destroy", "", noTypes},
};
enum ManagerRequest : std::uint32_t { CreateVirtualPointer = 0, DestroyManager = 1 };

const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1",
                                       1,
                                       static_cast<int>(std::size(managerRequests)),
                                       managerRequests,
                                       0,
                                       nullptr};

struct Globals {
    wl_proxy* manager = nullptr;
    wl_seat* seat = nullptr;
};

void Announce(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, managerInterface.name) == 0 && globals->manager == nullptr) {
        globals->manager =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
}

void Withdraw(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener = {Announce, Withdraw};

std::uint32_t Milliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

class Pointer {
  public:
    Pointer(wl_proxy* device, std::uint32_t width, std::uint32_t height)
        : device_(device), width_(width), height_(height) {}

    void Move(std::uint32_t x, std::uint32_t y) {
        wl_proxy_marshal_flags(device_, MotionAbsolute, nullptr, 1, 0, Milliseconds(), x, y, width_,
                               height_);
        EndFrame();
    }
    void LeftButton(bool pressed) {
        wl_proxy_marshal_flags(
            device_, PointerRequest::Button, nullptr, 1, 0, Milliseconds(), std::uint32_t{BTN_LEFT},
            pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        EndFrame();
    }

  private:
    void EndFrame() { wl_proxy_marshal_flags(device_, Frame, nullptr, 1, 0); }

    wl_proxy* device_;
    std::uint32_t width_;
    std::uint32_t height_;
};

// Carries out one command line; an error message, or empty when it went out.
std::string Run(const std::string& line, Pointer& pointer, std::uint32_t width,
                std::uint32_t height) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command != "move" && command != "click") {
        return "unknown command \"" + command + "\"; the commands are move and click";
    }
    long x = -1, y = -1;
    words >> x >> y;
    if (!words || x < 0 || y < 0 || x >= width || y >= height) {
        return command + " needs X Y inside the layout, " + std::to_string(width) + " x " +
               std::to_string(height);
    }
    std::string rest;
    if (words >> rest) {
        return "stray words after " + command;
    }
    pointer.Move(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    if (command == "click") {
        pointer.LeftButton(true);
        pointer.LeftButton(false);
    }
    return "";
}

} // namespace

int main(int argc, char** argv) {
    long width = 0, height = 0;
    if (argc == 3) {
        width = std::strtol(argv[1], nullptr, 10);
        height = std::strtol(argv[2], nullptr, 10);
    }
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT (the compositor's layout size)\n", argv[0]);
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot connect to the Wayland display (WAYLAND_DISPLAY)\n",
                     argv[0]);
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    wl_display_roundtrip(display);
    if (globals.manager == nullptr) {
        std::fprintf(stderr, "%s: the compositor offers no %s\n", argv[0], managerInterface.name);
        return 1;
    }
    auto* device = wl_proxy_marshal_flags(globals.manager, CreateVirtualPointer,
                                          &virtualPointerInterface, 1, 0, globals.seat, nullptr);
    if (wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "%s: the compositor refused a virtual pointer\n", argv[0]);
        return 1;
    }

    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    Pointer pointer(device, w, h);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::string error = Run(line, pointer, w, h);
        if (wl_display_roundtrip(display) < 0) {
            std::fprintf(stderr, "%s: lost the Wayland display\n", argv[0]);
            return 1;
        }
        std::cout << (error.empty() ? "ok" : "error: " + error) << std::endl;
    }
    wl_proxy_marshal_flags(device, Destroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    wl_proxy_marshal_flags(globals.manager, DestroyManager, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
