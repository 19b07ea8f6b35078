// Starting the game the wrong way: no display to show it on, or words on the
// command line it has no use for.

#include "game_session.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct Outcome {
    bool ended = false;
    int status = 0;
    std::string standardError;
};

// Runs the game to its end without any X server, or reports that it did not end.
Outcome RunWithoutDisplay(std::vector<std::string> environment,
                          std::vector<std::string> arguments = {}) {
    const std::string dir = ArtifactDir();
    const std::string runtime = dir + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    ChildProcess::Options options;
    options.argv = {DVIGUSHKI_EXE};
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.environment = {"PATH=/usr/bin:/bin", "HOME=" + runtime, "LANG=C.UTF-8",
                           "XDG_RUNTIME_DIR=" + runtime};
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    options.stderrPath = dir + "/stderr.txt";
    ChildProcess game(options);
    Outcome outcome;
    if (auto status = game.WaitForExit(std::chrono::seconds(60))) {
        outcome.ended = true;
        outcome.status = *status;
    }
    outcome.standardError = ReadFile(options.stderrPath);
    return outcome;
}

// One display number that no server answers on.
std::string UnservedDisplay() {
    for (int n = 4242;; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (!std::filesystem::exists(socket) && !std::filesystem::exists(lock)) {
            return ":" + std::to_string(n);
        }
    }
}

void ExpectOneLineAndFailure(const Outcome& outcome, const std::string& mention) {
    ASSERT_TRUE(outcome.ended) << "the game kept running with no display to show it on";
    ASSERT_TRUE(WIFEXITED(outcome.status))
        << "the game was ended by signal " << WTERMSIG(outcome.status) << "; it wrote:\n"
        << outcome.standardError;
    EXPECT_NE(WEXITSTATUS(outcome.status), 0);
    const std::string& text = outcome.standardError;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "it wrote:\n" << text;
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << "it wrote:\n" << text;
    EXPECT_NE(text.find("display"), std::string::npos) << "it wrote:\n" << text;
    EXPECT_NE(text.find(mention), std::string::npos) << "it wrote:\n" << text;
}

} // namespace

TEST(StartingWithoutDisplay, UnsetDisplayGivesOneLineAndFailure) {
    ExpectOneLineAndFailure(RunWithoutDisplay({}), "DISPLAY");
}

TEST(StartingWithoutDisplay, UnreachableDisplayGivesOneLineAndFailure) {
    const std::string display = UnservedDisplay();
    ExpectOneLineAndFailure(RunWithoutDisplay({"DISPLAY=" + display}), display);
}

TEST(StartingWithoutDisplay, CommandLineCannotSendItElsewhere) {
    // Were the words passed on to Qt, the game would run without any screen.
    ExpectOneLineAndFailure(RunWithoutDisplay({}, {"-platform", "offscreen", "foo", "--bar"}),
                            "DISPLAY");
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
