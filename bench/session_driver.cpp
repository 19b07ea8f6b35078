// A session of the end-to-end suite for scripts, such as the benchmarks: the
// game (or another program with a window of its size) on a desktop of the
// suite's own, started and found the way the suite does it, and for the game
// its board laid out by choosing Расставить on the menu bar, found on the
// screen. Then it prints one line, "PID MILLISECONDS": the program's process
// and the time from its start to its window on the screen. Everything keeps
// running until standard input ends or a SIGINT, SIGTERM, SIGHUP or SIGPIPE
// comes; then the program and the desktop end, and nothing is left behind.
//
//   dvigushki_session x11|openbox|sway|gnome [PROGRAM [ARGUMENTS...]]
//
// Without PROGRAM it starts the game. With DVIGUSHKI_SESSION_READER=orca,
// Orca runs on the desktop first, as a blind player's does, and the program
// starts once Orca listens. A failure is one message on standard
// error, with status 1. Screenshots and logs go where the suite keeps them,
// under artifacts/[DESKTOP/]outside/ in the suite's build folder.

#include "game_session.h"
#include "orca.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

// Written to when a signal asks the session to end, so that the wait below
// sees it whenever it comes. A signal handler reaches nothing but globals.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
int endRequests[2] = {-1, -1};

void RequestEnd(int) {
    const int saved = errno;
    (void)!write(endRequests[1], "x", 1);
    errno = saved;
}

// Until standard input ends or a signal asks to end.
void WaitForTheEnd() {
    for (;;) {
        pollfd waits[] = {{STDIN_FILENO, POLLIN, 0}, {endRequests[0], POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (waits[1].revents != 0) {
            return;
        }
        char discarded[256];
        if (waits[0].revents != 0 && read(STDIN_FILENO, discarded, sizeof discarded) <= 0) {
            return;
        }
    }
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: dvigushki_session x11|openbox|sway|gnome [PROGRAM [ARGUMENTS...]]\n";
        return 2;
    }
    // The suite's own way of naming a desktop, and of filing what it saw.
    setenv("DVIGUSHKI_E2E_DESKTOP", argv[1], 1);
    GameSession::Options options;
    if (argc > 2) {
        options.program = argv[2];
        options.arguments.assign(argv + 3, argv + argc);
    }
    std::unique_ptr<Orca> orca;
    const char* reader = std::getenv("DVIGUSHKI_SESSION_READER");
    if (reader != nullptr && std::string(reader) == "orca") {
        options.screenReader = ScreenReaderStart::Later;
        options.beforeTheGame = [&orca](GameSession& session) {
            orca = std::make_unique<Orca>(session, ArtifactDir());
            if (!orca->WaitUntilListening()) {
                throw std::runtime_error("Orca did not start listening");
            }
        };
    } else if (reader != nullptr && *reader != '\0') {
        std::cerr << "dvigushki_session: DVIGUSHKI_SESSION_READER is orca or nothing\n";
        return 2;
    }
    GameSession session(options);
    if (!session.Started()) {
        std::cerr << "dvigushki_session: " << session.StartFailure() << "\n";
        return 1;
    }
    if (options.program.empty()) {
        ::testing::AssertionResult chosen = session.Choose(menu::Arrange);
        if (chosen) {
            chosen = session.WaitForBoard(Arranged(1), "arranged");
        }
        if (!chosen) {
            std::cerr << "dvigushki_session: Расставить did not lay out the board: "
                      << chosen.message() << "\n";
            return 1;
        }
    }
    std::printf("%d %.1f\n", static_cast<int>(session.Process().Pid()),
                std::chrono::duration<double, std::milli>(session.TimeToWindow()).count());
    std::fflush(stdout);
    WaitForTheEnd();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (pipe2(endRequests, O_CLOEXEC) != 0) {
        std::perror("dvigushki_session: pipe2");
        return 1;
    }
    // Handlers, unlike ignored signals, do not pass on to the programs started.
    struct sigaction request {};
    request.sa_handler = RequestEnd;
    sigemptyset(&request.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaction(signal, &request, nullptr);
    }
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::cerr << "dvigushki_session: " << failure.what() << "\n";
        return 1;
    }
}
