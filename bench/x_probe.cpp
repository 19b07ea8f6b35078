// The figures script's eyes on the X display, where a shell has none:
//   x_probe launch PROGRAM [ARGS...]  starts PROGRAM and, once its first
//       top-level window is mapped, prints "PID MILLISECONDS" and exits,
//       leaving PROGRAM running;
//   x_probe pixel X Y                  prints the colour at X,Y of the screen
//       as RRGGBB.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <ratio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Long enough for a loaded machine, short enough not to hang the script.
constexpr int MapTimeoutMs = 20000;

int Launch(Display* display, char** program) {
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
    const Window root = DefaultRootWindow(display);
    // Without a window manager, a top-level window's map shows up as a
    // MapNotify among the root window's children.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("x_probe: fork");
        return 1;
    }
    if (pid == 0) {
        execvp(program[0], program);
        std::perror("x_probe: exec");
        _exit(127);
    }

    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                const auto end = std::chrono::steady_clock::now();
                std::printf("%d %.1f\n", static_cast<int>(pid),
                            std::chrono::duration<double, std::milli>(end - start).count());
                return 0;
            }
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited > std::chrono::milliseconds(MapTimeoutMs) ||
            waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "x_probe: %s mapped no window\n", program[0]);
            kill(pid, SIGKILL);
            return 1;
        }
        pollfd wait{ConnectionNumber(display), POLLIN, 0};
        poll(&wait, 1, 50);
    }
}

int Pixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "x_probe: no pixel at %d,%d\n", x, y);
        return 1;
    }
    std::printf("%06lx\n", XGetPixel(image, 0, 0) & 0xffffffUL);
    XDestroyImage(image);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_probe: cannot open the display\n");
        return 1;
    }
    int status = 2;
    if (argc >= 3 && std::strcmp(argv[1], "launch") == 0) {
        status = Launch(display, argv + 2);
    } else if (argc == 4 && std::strcmp(argv[1], "pixel") == 0) {
        status = Pixel(display, std::atoi(argv[2]), std::atoi(argv[3]));
    } else {
        std::fprintf(stderr, "usage: x_probe launch PROGRAM [ARGS...] | x_probe pixel X Y\n");
    }
    XCloseDisplay(display);
    return status;
}
