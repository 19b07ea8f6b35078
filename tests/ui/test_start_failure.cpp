// The player's one line from what Qt said while it looked for a display. The
// messages are Qt's own, as Qt 6.4 and Qt 6.8 give them. An X server that
// refused the game is told from one that is not there by its socket, which a
// stand-in plays here.

#include "start_failure.h"

#include <QTemporaryDir>
#include <cstddef>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// What is found where display :4242's server would listen.
enum class XSocket {
    None,
    Listening,         // in the socket folder
    ListeningAbstract, // under the same name, in the abstract namespace
    Stale,             // the file of a server gone, with nothing listening
};

// Takes connections and answers nothing, as an X server does until the
// client speaks.
class StandInSocket {
  public:
    StandInSocket(XSocket kind, const std::string& path) {
        sockaddr_un where{};
        if (kind == XSocket::None || path.size() + 1 >= sizeof where.sun_path) {
            ready_ = kind == XSocket::None;
            return;
        }
        where.sun_family = AF_UNIX;
        const bool abstract = kind == XSocket::ListeningAbstract;
        path.copy(where.sun_path + (abstract ? 1 : 0), path.size());
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // The abstract name's leading zero byte, or the path's closing one.
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
        ready_ = fd_ >= 0 && bind(fd_, reinterpret_cast<const sockaddr*>(&where), length) == 0 &&
                 (kind == XSocket::Stale || listen(fd_, 1) == 0);
        if (kind == XSocket::Stale) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~StandInSocket() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    StandInSocket(const StandInSocket&) = delete;
    StandInSocket& operator=(const StandInSocket&) = delete;
    bool Ready() const { return ready_; }

  private:
    int fd_ = -1;
    bool ready_ = true;
};

struct Said {
    const char* category; // nullptr: Qt gave none
    const char* message;
};

struct FailedStart {
    const char* name;
    StartFailure::Displays displays;
    std::vector<Said> said;
    const char* reason;
    XSocket socket = XSocket::None;
};

void PrintTo(const FailedStart& start, std::ostream* out) {
    *out << start.name;
}

// What Qt says of each platform it tries and gives up on.
const Said XcbNoDisplay{"qt.qpa.xcb", "could not connect to display "};
const Said XcbUnreachable{"qt.qpa.xcb", "could not connect to display :4242"};
// Qt 6.5 and later add this hint whenever xcb fails, whatever the reason.
const Said XcbCursorHint{"qt.qpa.plugin", "From 6.5.0, xcb-cursor0 or libxcb-cursor0 is needed "
                                          "to load the Qt xcb platform plugin."};
const Said XcbFailed{"qt.qpa.plugin",
                     "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was "
                     "found."};
const Said WaylandUnreachable{nullptr, "Failed to create wl_display (No such file or directory)"};
const Said WaylandFailed{"qt.qpa.plugin",
                         "Could not load the Qt platform plugin \"wayland\" in \"\" even though "
                         "it was found."};

const StartFailure::Displays None{};
const StartFailure::Displays X{":4242", "", "", ""};
const StartFailure::Displays Wayland{"", "nobody-serves-this", "", ""};

const char* const NoDisplay =
    "no display to show it on (neither WAYLAND_DISPLAY nor DISPLAY is set)";

const FailedStart FailedStarts[] = {
    {"NoDisplayOfEitherKind", None, {XcbNoDisplay, XcbFailed}, NoDisplay},
    {"NoDisplayOfEitherKindQt68", None, {XcbNoDisplay, XcbCursorHint, XcbFailed}, NoDisplay},
    {"WaylandChosenWithNoDisplay", None, {WaylandUnreachable, WaylandFailed}, NoDisplay},
    {"UnreachableX", X, {XcbUnreachable, XcbFailed}, "cannot reach the X display :4242"},
    {"UnreachableXQt68",
     X,
     {XcbUnreachable, XcbCursorHint, XcbFailed},
     "cannot reach the X display :4242",
     XSocket::Stale},
    // A server is there, so it turned the game away: Xlib's own line says
    // only "Authorization required", and Qt that it could not connect.
    {"XRefusedWithXauthorityUnset",
     X,
     {XcbUnreachable, XcbFailed},
     "the X display :4242 refused the game: not authorized (XAUTHORITY is not set, and "
     "~/.Xauthority has no cookie it accepts)",
     XSocket::Listening},
    {"XRefusedOnAbstractSocketQt68",
     {":4242.0", "", "", "/run/user/1000/xauth_AbCdEf"},
     {{"qt.qpa.xcb", "could not connect to display :4242.0"}, XcbCursorHint, XcbFailed},
     "the X display :4242.0 refused the game: not authorized (XAUTHORITY names "
     "/run/user/1000/xauth_AbCdEf, which has no cookie it accepts)",
     XSocket::ListeningAbstract},
    // Another host's display is reached over the network; this machine's
    // socket of the same number says nothing of it.
    {"UnreachableXOnAnotherHost",
     {"localhost:4242.0", "", "", ""},
     {{"qt.qpa.xcb", "could not connect to display localhost:4242.0"}, XcbFailed},
     "cannot reach the X display localhost:4242.0",
     XSocket::Listening},
    {"UnreachableWayland",
     Wayland,
     {WaylandUnreachable, WaylandFailed},
     "cannot reach the Wayland display nobody-serves-this (No such file or directory)"},
    {"WaylandSessionWithNeitherReachable",
     {":4242", "nobody-serves-this", "", ""},
     {WaylandUnreachable, WaylandFailed, XcbUnreachable, XcbCursorHint, XcbFailed},
     "cannot reach the Wayland display nobody-serves-this (No such file or directory); "
     "cannot reach the X display :4242"},
    {"WaylandUnreachableAndDisplayUnset",
     Wayland,
     {WaylandUnreachable, WaylandFailed, XcbNoDisplay, XcbFailed},
     "cannot reach the Wayland display nobody-serves-this (No such file or directory); "
     "no X display (DISPLAY is not set)"},
    {"UnknownPlatformPlugin",
     None,
     {{"qt.qpa.plugin", "Could not find the Qt platform plugin \"nosuchplatform\" in \"\""}},
     "the Qt platform plugin \"nosuchplatform\" is not installed"},
    {"WaylandPluginNotInstalled",
     {"", "wayland-0", "", ""},
     {{"qt.qpa.plugin", "Could not find the Qt platform plugin \"wayland\" in \"\""}},
     "the Qt platform plugin \"wayland\" is not installed (Debian's package qt6-wayland brings "
     "it)"},
    // Found, but it failed without a word of its own; also with no display
    // at all, for then the plugin is at fault whatever the display.
    {"PluginFailedSilently", X, {XcbFailed}, "the Qt platform plugin \"xcb\" could not be loaded"},
    {"PluginFailedSilentlyWithNoDisplay",
     None,
     {WaylandFailed},
     "the Qt platform plugin \"wayland\" could not be loaded"},
    // The display words count only from the xcb plugin itself.
    {"DisplayWordsFromElsewhere",
     X,
     {{"default", "could not connect to display :9"}, XcbFailed},
     "the Qt platform plugin \"xcb\" could not be loaded"},
    // Nothing understood: the first line Qt said, rather than a guess.
    {"NothingUnderstood",
     X,
     {{"qt.qpa.plugin", ""}, {"default", "  Something odd  \nand more"}},
     "Qt: Something odd"},
    {"NothingSaid", X, {}, "Qt found no platform to show it on"},
};

class StartingWithoutDisplay : public ::testing::TestWithParam<FailedStart> {};

} // namespace

TEST_P(StartingWithoutDisplay, NamesTheCause) {
    const FailedStart& start = GetParam();
    const QTemporaryDir sockets;
    ASSERT_TRUE(sockets.isValid());
    const std::string socket = sockets.filePath(QStringLiteral("X4242")).toStdString();
    const StandInSocket server(start.socket, socket);
    ASSERT_TRUE(server.Ready()) << "no stand-in socket at " << socket << " (too long a path?)";
    StartFailure failure(start.displays, sockets.path());
    QStringList messages;
    for (const Said& said : start.said) {
        failure.Note(said.category, QString::fromUtf8(said.message));
        messages.append(QString::fromUtf8(said.message));
    }
    EXPECT_EQ(failure.Reason().toStdString(), start.reason);
    // Passed on as they came when the start goes well after all.
    EXPECT_EQ(failure.Messages(), messages);
}

INSTANTIATE_TEST_SUITE_P(Causes, StartingWithoutDisplay, ::testing::ValuesIn(FailedStarts),
                         [](const auto& info) { return std::string(info.param.name); });
