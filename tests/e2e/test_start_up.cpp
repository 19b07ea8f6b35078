// Starting the game where it cannot show its window, losing the display in the
// middle of a game, and words on the command line it has no use for.

#include "board_picture.h"
#include "game_session.h"
#include "processes.h"

#include <QLibraryInfo>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Outcome {
    bool ended = false;
    int status = 0;
    std::string standardError;
};

// One display number that no server answers on: no socket in the file system,
// no lock file and no abstract socket (the suite's own servers have only that).
std::string UnservedDisplay() {
    const std::string sockets = ReadFile("/proc/net/unix");
    for (int n = 4242;; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (!std::filesystem::exists(socket) && !std::filesystem::exists(lock) &&
            sockets.find(" @" + socket + "\n") == std::string::npos) {
            return ":" + std::to_string(n);
        }
    }
}

// How a start can fail: what the player's environment holds, and what the
// one line the game writes must name. tests/ui/test_start_failure.cpp reads every
// cause from Qt's own messages; these rows prove the real binary with the real Qt,
// one for each kind of display and for a plugin that is not there.
struct FailedStart {
    const char* name;
    std::vector<std::string> environment;
    std::vector<std::string> mentions;
    std::vector<std::string> arguments = {};
    // As on a machine without Debian's qt6-wayland: Qt's Wayland platform
    // plugins are hidden from the game.
    bool withoutWaylandPlugin = false;
};

void PrintTo(const FailedStart& start, std::ostream* out) {
    *out << start.name;
}

const std::string NoDisplay =
    "no display to show it on (neither WAYLAND_DISPLAY nor DISPLAY is set)";
const std::string Unserved = UnservedDisplay();

const FailedStart FailedStarts[] = {
    {"NoDisplayOfEitherKind", {}, {NoDisplay}},
    {"UnreachableX", {"DISPLAY=" + Unserved}, {"cannot reach the X display " + Unserved}},
    {"UnreachableWayland",
     {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=nobody-serves-this"},
     {"cannot reach the Wayland display nobody-serves-this (No such file or directory)"}},
    {"WaylandPluginNotInstalled",
     {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=wayland-0"},
     {"the Qt platform plugin \"wayland\" is not installed (Debian's package qt6-wayland "
      "brings it)"},
     {},
     true},
    // Were the words passed on to Qt, the game would run without any screen.
    {"CommandLineCannotSendItElsewhere",
     {},
     {NoDisplay},
     {"-platform", "offscreen", "foo", "--bar"}},
};

// A copy of Qt's platform plugins without the Wayland ones, and the folder
// it stands in for.
std::pair<std::string, std::string> PlatformsWithoutWayland(const std::string& dir) {
    const std::filesystem::path installed =
        std::filesystem::path(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString()) /
        "platforms";
    const std::filesystem::path copy = std::filesystem::path(dir) / "platforms";
    std::filesystem::create_directories(copy);
    for (const auto& plugin : std::filesystem::directory_iterator(installed)) {
        if (plugin.path().filename().string().find("wayland") == std::string::npos) {
            std::filesystem::copy_file(plugin.path(), copy / plugin.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    return {copy.string(), installed.string()};
}

// Runs the game to its end without any display it can reach, or reports that
// it did not end.
Outcome RunGame(const FailedStart& start) {
    const std::string dir = ArtifactDir();
    // Short, since a Wayland socket's path must fit in 108 bytes.
    const ScratchDirectory scratch("dvigushki-runtime");
    const std::string& runtime = scratch.path;
    ChildProcess::Options options;
    options.argv = {GameUnderTest()};
    options.argv.insert(options.argv.end(), start.arguments.begin(), start.arguments.end());
    if (start.withoutWaylandPlugin) {
        // In a mount namespace of its own, so nothing else on the machine
        // loses the plugins.
        const auto [copy, installed] = PlatformsWithoutWayland(dir);
        options.argv = {"/usr/bin/unshare",
                        "--mount",
                        "--propagation",
                        "private",
                        "/bin/sh",
                        "-c",
                        "mount --bind \"$0\" \"$1\" && exec \"$2\"",
                        copy,
                        installed,
                        GameUnderTest()};
    }
    options.environment = {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "HOME=" + runtime, "LANG=C.UTF-8",
                           "XDG_RUNTIME_DIR=" + runtime};
    options.environment.insert(options.environment.end(), start.environment.begin(),
                               start.environment.end());
    options.stderrPath = dir + "/stderr.txt";
    ChildProcess game(options);
    Outcome outcome;
    if (auto status = game.WaitForExit(Patience)) {
        outcome.ended = true;
        outcome.status = *status;
    }
    outcome.standardError = ReadFile(options.stderrPath);
    return outcome;
}

// Hiding a plugin takes a mount namespace, which only root may make.
bool CanHidePlugins() {
    ChildProcess::Options options;
    options.argv = {"/usr/bin/unshare", "--mount", "/bin/true"};
    options.environment = {"PATH=/usr/bin:/bin"};
    ChildProcess probe(options);
    const auto status = probe.WaitForExit(Patience);
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

class StartingWithoutDisplay : public ::testing::TestWithParam<FailedStart> {};

} // namespace

// One line that names the cause, and failure status 1: never an abort, a core
// dump or a screenful of Qt's own warnings.
TEST_P(StartingWithoutDisplay, SaysWhyInOneLineAndFails) {
    const FailedStart& start = GetParam();
    if (start.withoutWaylandPlugin && !CanHidePlugins()) {
        GTEST_SKIP() << "this user cannot make a mount namespace to hide the Wayland plugin";
    }
    const Outcome outcome = RunGame(start);
    ASSERT_TRUE(outcome.ended) << "the game kept running with no display to show it on";
    ASSERT_TRUE(WIFEXITED(outcome.status))
        << "the game was ended by signal " << WTERMSIG(outcome.status) << "; it wrote:\n"
        << outcome.standardError;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 1);
    const std::string& text = outcome.standardError;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "it wrote:\n" << text;
    EXPECT_EQ(text.rfind("dvigushki: cannot open the game window: ", 0), 0u) << "it wrote:\n"
                                                                             << text;
    for (const std::string& mention : start.mentions) {
        EXPECT_NE(text.find(mention + (&mention == &start.mentions.back() ? "\n" : "")),
                  std::string::npos)
            << "it wrote:\n"
            << text << "without: " << mention;
    }
}

INSTANTIATE_TEST_SUITE_P(Causes, StartingWithoutDisplay, ::testing::ValuesIn(FailedStarts),
                         [](const auto& info) { return std::string(info.param.name); });

// A display that goes away in the middle of a game ends it, with failure
// status 1 and a line or two, not a crash.
TEST(LosingTheDisplay, EndsTheGameWithFailureStatus) {
    GameSession game;
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    game.LoseDisplay();
    const auto status = game.Process().WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << "the game outlived its display";
    const std::string text = game.StandardError();
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status) << ":\n" << text;
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 1) << "it said nothing";
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 2) << "it wrote:\n" << text;
}

TEST(StartingWithStrayWords, WindowOpensTheSameAsWithout) {
    QImage plain;
    {
        GameSession game;
        ASSERT_TRUE(game.Started()) << game.StartFailure();
        ASSERT_TRUE(game.WaitForBoard(Nothing(), "plain"));
        plain = game.GrabWindow();
    }
    // Each of these would change the window if Qt or the game took it in:
    // another platform, another display, a mirrored layout, another style.
    GameSession game(GameSession::Options{{"-platform", "offscreen", "foo", "--bar", "-display",
                                           UnservedDisplay(), "-reverse", "-style", "windows"},
                                          {}});
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    EXPECT_EQ(game.Title(), FifteenCaption);
    EXPECT_TRUE(game.WaitForBoard(Nothing(), "with-words"));
    const QImage seen = game.GrabWindow();
    EXPECT_EQ(seen, plain) << "the window differs from a plain start; see "
                           << game.SaveScreenshot("with-words", seen) << " and "
                           << game.SaveScreenshot("plain", plain);
    EXPECT_EQ(game.StandardError(), "");

    // And it plays as usual.
    ASSERT_TRUE(game.Choose(menu::Arrange));
    EXPECT_TRUE(game.WaitForBoard(Arranged(1), "arranged"));
}
