// Under a real window manager (Debian's openbox, as it comes) the window
// keeps the size the board needs whatever is asked of it, and shows the
// game's icon; under KWin it is framed and tied to its desktop entry.

#include "game_session.h"
#include "x_display.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

class UnderWindowManager : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(game.Started()) << game.StartFailure();
        plain = game.X().OpenPlainWindow("a window of the test's own");
        ASSERT_TRUE(WaitUntil([&] { return !x().Property32(plain, "_NET_FRAME_EXTENTS").empty(); }))
            << "openbox did not take on a plain window";
    }

    XDisplay& x() { return game.X(); }

    bool HasState(unsigned long window, const char* state) {
        const auto states = x().Property32(window, "_NET_WM_STATE");
        return std::find(states.begin(), states.end(), x().AtomNamed(state)) != states.end();
    }

    // Waits until openbox has dealt with every request made before. It takes
    // them in turn, so once a later one shows, the earlier ones are done; the
    // later one is about the test's own window, which nothing else touches.
    ::testing::AssertionResult Settle() {
        const bool above = !HasState(plain, "_NET_WM_STATE_ABOVE");
        x().MessageWindowManager(
            plain, "_NET_WM_STATE",
            {above ? 1 : 0, static_cast<long>(x().AtomNamed("_NET_WM_STATE_ABOVE")), 0, 1});
        if (WaitUntil([&] { return HasState(plain, "_NET_WM_STATE_ABOVE") == above; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "openbox did not keep a window above when asked";
    }

    static GameSession::Options UnderOpenbox() {
        GameSession::Options options;
        options.desktop = DesktopKind::Openbox;
        return options;
    }

    GameSession game{UnderOpenbox()};
    unsigned long plain = 0;
};

} // namespace

TEST_F(UnderWindowManager, FramesTheWindowButOffersNoResizing) {
    XDisplay& x = this->x();
    const unsigned long window = game.WindowId();
    const std::vector<unsigned long> extents = x.Property32(window, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(extents.size(), 4u) << "no window manager took the window on";
    EXPECT_GT(extents[2], 0u) << "the frame has a title bar above the window";

    const auto limits = x.SizeLimits(window);
    ASSERT_TRUE(limits) << "the window gives no smallest and largest size (WM_NORMAL_HINTS)";
    EXPECT_EQ(limits->first, game.WindowRect().size());
    EXPECT_EQ(limits->second, game.WindowRect().size());

    // So the frame has no handles to drag and its menu no size entries.
    std::vector<std::string> allowed;
    for (unsigned long atom : x.Property32(window, "_NET_WM_ALLOWED_ACTIONS")) {
        allowed.push_back(x.AtomName(atom));
    }
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), "_NET_WM_ACTION_MOVE"), allowed.end());
    for (const char* action : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                               "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
        EXPECT_EQ(std::find(allowed.begin(), allowed.end(), action), allowed.end())
            << "openbox offers " << action;
    }
}

TEST_F(UnderWindowManager, KeepsItsSizeWhateverIsAsked) {
    XDisplay& x = this->x();
    const unsigned long window = game.WindowId();
    const QSize size = game.WindowRect().size();
    auto atom = [&](const char* name) { return static_cast<long>(x.AtomNamed(name)); };
    struct Attempt {
        const char* what;
        std::function<void()> ask;
    };
    // Full screen comes last: it takes the frame away.
    const Attempt attempts[] = {
        {"a program's ConfigureRequest for 500 x 500 (as xdotool windowsize)",
         [&] { x.RequestSize(window, QSize(500, 500)); }},
        {"a pager's _NET_MOVERESIZE_WINDOW to 600 x 500",
         [&] {
             // Static gravity, width and height given, from a pager.
             x.MessageWindowManager(window, "_NET_MOVERESIZE_WINDOW",
                                    {10 | 1 << 10 | 1 << 11 | 2 << 12, 0, 0, 600, 500});
         }},
        {"maximising",
         [&] {
             x.MessageWindowManager(window, "_NET_WM_STATE",
                                    {1, atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                                     atom("_NET_WM_STATE_MAXIMIZED_HORZ"), 1});
         }},
        {"full screen",
         [&] {
             x.MessageWindowManager(window, "_NET_WM_STATE",
                                    {1, atom("_NET_WM_STATE_FULLSCREEN"), 0, 1});
         }},
    };
    for (const Attempt& attempt : attempts) {
        attempt.ask();
        ASSERT_TRUE(Settle()) << "after " << attempt.what;
        EXPECT_EQ(x.Geometry(window).size(), size) << "after " << attempt.what;
    }
    EXPECT_TRUE(HasState(window, "_NET_WM_STATE_FULLSCREEN"))
        << "openbox took no full-screen request";
}

// The icon a title bar and a task switcher pick from, at four sizes: the
// game's own, the largest the very picture the build installs, so that the
// desktop shows the same one whether or not the game is installed.
TEST_F(UnderWindowManager, CarriesTheInstalledIcon) {
    const std::vector<unsigned long> icon = x().Property32(game.WindowId(), "_NET_WM_ICON");
    // Images one after another, each its width, its height and then its ARGB pixels.
    std::vector<QSize> sizes;
    QImage largest;
    for (std::size_t at = 0; at < icon.size();) {
        ASSERT_LE(at + 2, icon.size()) << "image " << sizes.size() << " has no size";
        const QSize size(static_cast<int>(icon[at]), static_cast<int>(icon[at + 1]));
        const std::size_t pixels = icon[at] * icon[at + 1];
        ASSERT_LE(at + 2 + pixels, icon.size()) << "image " << sizes.size() << " is cut short";
        QImage image(size, QImage::Format_ARGB32);
        for (std::size_t i = 0; i < pixels; ++i) {
            image.setPixel(static_cast<int>(i % icon[at]), static_cast<int>(i / icon[at]),
                           static_cast<QRgb>(icon[at + 2 + i]));
        }
        sizes.push_back(size);
        largest = image;
        at += 2 + pixels;
    }
    ASSERT_EQ(sizes, (std::vector<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}}))
        << "the window's icon (_NET_WM_ICON) is not the game's";
    const QImage installed(QStringLiteral(INSTALLED_ICON_64));
    ASSERT_FALSE(installed.isNull()) << INSTALLED_ICON_64;
    EXPECT_EQ(largest, installed.convertToFormat(QImage::Format_ARGB32))
        << "the window's 64 px icon is not the installed one";
}

// Under KWin on Wayland the bar is KWin's own (Breeze), above a window of
// the board's fixed size that KWin offers no resizing of, tied to the
// game's desktop entry by its app id.
TEST(UnderKwin, FramesAFixedWindowAndFindsItsEntry) {
    GameSession::Options options;
    options.desktop = DesktopKind::Kwin;
    GameSession game(options);
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    const KwinDesktop::Facts facts = game.Kwin().WindowFacts(game.WindowId());
    EXPECT_FALSE(facts.noBorder);
    EXPECT_TRUE(facts.frame.contains(facts.client));
    EXPECT_GT(facts.client.top() - facts.frame.top(), 20) << "KWin draws no bar above the window";
    EXPECT_FALSE(facts.maximizable);
    EXPECT_FALSE(facts.resizeable);
    EXPECT_EQ(facts.desktopFileName, "io.github.dvigushki.Dvigushki");
}
