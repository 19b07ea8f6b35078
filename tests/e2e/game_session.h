#pragma once

#include "board_picture.h"
#include "desktop.h"
#include "gnome_desktop.h"
#include "kwin_desktop.h"
#include "processes.h"
#include "screen_reader.h"
#include "waiting.h"
#include "wayland_desktop.h"
#include "x_display.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

inline constexpr const char* FifteenCaption = "Двигушки";
inline constexpr const char* PairsCaption = "Парные картинки";

// Where a test keeps what it saw: build/tests/e2e/artifacts/<suite>.<test>/,
// or artifacts/<desktop>/<suite>.<test>/ for DVIGUSHKI_E2E_DESKTOP=sway, openbox.
std::string ArtifactDir();

// The game the suites play: DVIGUSHKI_GAME_UNDER_TEST when it is set (the
// test command plays the package's binary, the one players get), else the
// one this build tree was configured with.
std::string GameUnderTest();

// The desktops a session can put the game on: a bare X server (Xvfb), the
// same under a window manager (openbox), or a Wayland compositor (sway,
// GNOME Shell with Xwayland, or KWin).
enum class DesktopKind { BareX, Openbox, Sway, Gnome, Kwin };

// The desktop DVIGUSHKI_E2E_DESKTOP names (x11, openbox, sway, gnome or kwin); a
// bare X server when it is not set.
DesktopKind DesktopFromEnvironment();

// When a screen reader comes to the session's desktop: never (the desktop
// then has no D-Bus session bus at all), before the game starts, or when the
// test calls StartScreenReader.
enum class ScreenReaderStart { None, BeforeTheGame, Later };

// The real game binary on a desktop of its own, seen and played only the way
// a player does it: by looking at the screen and clicking, or through a
// screen reader.
class GameSession {
  public:
    struct Options {
        std::vector<std::string> arguments;   // after the program's name
        std::vector<std::string> environment; // added to the usual few
        int scale = 1;                        // as QT_SCALE_FACTOR asks
        QSize screen{800, 600};
        // The display's X resources when the game starts, e.g. a desktop's
        // "Xft.dpi:\t144\n".
        std::string xResources = {};
        // The desktop, through xResources or environment, asks for `scale`;
        // QT_SCALE_FACTOR is left unset.
        bool scaleFromDesktop = false;
        DesktopKind desktop = DesktopFromEnvironment();
        ScreenReaderStart screenReader = ScreenReaderStart::None;
        // Another program with a window of the game's size in its place, such
        // as the benchmarks' bare window; it shows no board, so the session
        // waits for its window alone.
        std::string program = {};
        // Runs on the desktop once its buses are up and before the game
        // starts, as a test's own screen reader does on a player's desktop.
        std::function<void(GameSession&)> beforeTheGame = {};
    };

    GameSession() : GameSession(Options{}) {}
    explicit GameSession(const Options& options);

    // The main window is up, its client area found and painted.
    bool Started() const { return window_ != 0; }
    const std::string& StartFailure() const { return startFailure_; }
    // From the program's start to its window on the screen, to a
    // millisecond or so on X11 (on Wayland each look asks the compositor).
    std::chrono::nanoseconds TimeToWindow() const { return timeToWindow_; }

    DesktopKind Kind() const { return kind_; }
    // The connection to the X server; throws on Wayland.
    XDisplay& X();
    // KWin, which knows more of the window than other desktops say; throws elsewhere.
    KwinDesktop& Kwin();
    ChildProcess& Process() { return *game_; }
    // Ends the X server under the running game, as a display lost in the
    // middle of a game; the session then only watches the game's process.
    void LoseDisplay();
    std::string StandardError() const { return ReadFile(stderrPath_); }

    // The screen reader on the desktop; throws when there is none yet.
    ScreenReader& Reader();
    void StartScreenReader();
    // The session's accessibility buses, and how its desktop runs a program
    // (user, variables, display), for a screen reader a test starts itself;
    // Buses throws when the session has none.
    const AccessibilityBuses& Buses() const;
    const ChildProcess::Options& DesktopProgram() const { return desktopProgram_; }

    std::string Title() { return desktop_->Title(window_); }
    // The name the desktop matches to a desktop entry (see Desktop::AppId).
    std::string AppId() { return desktop_->AppId(window_); }
    unsigned long WindowId() const { return window_; }
    QRect WindowRect() const { return windowRect_; }
    // The client area below the menu bar, on the screen.
    QRect ClientRect() const { return clientRect_; }
    QRect MenuBarRect() const;
    int Scale() const { return scale_; }

    QImage GrabWindow() { return desktop_->Grab(windowRect_); }
    QImage GrabScreen();
    QImage GrabClient() { return desktop_->Grab(clientRect_); }
    // Saves a screenshot of the window under the artifact directory; its path.
    std::string SaveScreenshot(const std::string& label, const QImage& image = {});

    // A click in the middle of cell k, where no other cell reaches.
    void ClickCell(int k);
    // A click at a point of the client area, in unscaled client pixels.
    void ClickClient(QPoint client);

    // The items of the menu bar, left to right, found by their text on the screen.
    std::vector<QRect> MenuBarItems();
    // Clicks bar item `item`; for a drop-down, waits for it, clicks its entry
    // `entry` (top to bottom, found by its text) and waits for it to close.
    ::testing::AssertionResult Choose(int item, int entry = -1);

    ::testing::AssertionResult WaitForTitle(const std::string& title);
    // Waits until the board shows exactly `layout`; on failure says which
    // cells differ and where the screenshots are.
    ::testing::AssertionResult WaitForBoard(const Layout& layout, const std::string& label);
    // Waits until every cell is recognised among `candidates`; the layout read.
    Layout WaitForReadableBoard(const std::vector<int>& candidates);
    // Waits until the screen shows the same thing on two looks in a row.
    QImage StableClient();

    // Writes the window to $DVIGUSHKI_SCREENSHOTS/<name>.png when that is set.
    void Publish(const std::string& name);

  private:
    // The desktop's servers first, so that they go last: after the game.
    std::unique_ptr<XvfbServer> xvfb_;
    std::unique_ptr<SwayDesktop> sway_;
    std::unique_ptr<GnomeDesktop> gnome_;
    std::unique_ptr<KwinDesktop> kwin_;
    std::unique_ptr<XDisplay> x_;
    std::unique_ptr<WindowManager> windowManager_;
    std::unique_ptr<AccessibilityBuses> buses_;
    std::unique_ptr<ScreenReader> reader_;
    ChildProcess::Options desktopProgram_;
    std::unique_ptr<ChildProcess> game_;
    DesktopKind kind_;
    Desktop* desktop_ = nullptr;
    std::string where_;
    std::string stderrPath_;
    unsigned long window_ = 0;
    QRect windowRect_;
    QRect clientRect_;
    int scale_ = 1;
    int shots_ = 0;
    std::string startFailure_;
    std::chrono::nanoseconds timeToWindow_{0};
};

// The menu bar's items and entries, by their place (the texts cannot be read
// off the screen, but their order is fixed).
namespace menu {
inline constexpr int Game = 0;
inline constexpr int NewBoard = 0;
inline constexpr int Fifteen = 1;
inline constexpr int Pairs = 2;
inline constexpr int Figures = 1;
inline constexpr int Digits = 0;
inline constexpr int Picture = 1;
inline constexpr int Arrange = 2;
} // namespace menu

// Groups the positions where `marked` is set into `groups` runs, joining
// across the smallest gaps first; empty when they cannot make that many.
std::vector<std::pair<int, int>> Clusters(const std::vector<bool>& marked, int groups);

// Readable failure messages for Qt's geometry types.
inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << size.width() << " x " << size.height();
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "(" << point.x() << ", " << point.y() << ")";
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << rect.width() << " x " << rect.height() << " at (" << rect.x() << ", " << rect.y()
         << ")";
}
