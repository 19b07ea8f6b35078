#include "board_helpers.h"
#include "desktop_fit.h"
#include "game.h"
#include "one_activation.h"
#include "paint_counter.h"
#include "whole_scale.h"
#include "window_test.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <QStringList>
#include <QTest>
#include <cstddef>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Variables = std::map<std::string, std::string>;

Environment EnvironmentOf(const Variables& variables) {
    return [&variables](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end()) {
            return std::nullopt;
        }
        return found->second;
    };
}

std::string Described(const Variables& variables) {
    std::string given;
    for (const auto& [name, value] : variables) {
        given += name + "=\"" + value + "\" ";
    }
    return given;
}

} // namespace

// Sixteen empty cells, each in its place with no picture; the caption and
// the rules' start are seen where a player meets them.
TEST_F(WindowTest, OpensOnSixteenEmptyCells) {
    EXPECT_EQ(Client()->size(), QSize(facts::ClientWidth, facts::ClientHeight));
    for (int k = 1; k <= CellCount; ++k) {
        CellImage* cell = window.Cell(k);
        EXPECT_EQ(cell->objectName(), QStringLiteral("Image%1").arg(16 + k));
        EXPECT_EQ(cell->geometry(), QRect(facts::CellLeft(k), facts::CellTop(k),
                                          facts::EmptyCellWidth, facts::EmptyCellHeight))
            << "cell " << k;
        EXPECT_TRUE(cell->isVisible());
        EXPECT_EQ(cell->Picture(), nullptr);
    }
}

TEST_F(WindowTest, MenuTreeHasItsCaptionsInOrderAndNothingElse) {
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("Игра"));
    EXPECT_EQ(bar[1]->text(), QStringLiteral("Фигуры"));
    EXPECT_EQ(bar[2]->text(), QStringLiteral("Расставить"));
    EXPECT_EQ(bar[2]->menu(), nullptr) << "Расставить acts at once, without a drop-down";

    auto captions = [](QAction* entry) {
        QStringList texts;
        for (QAction* item : entry->menu()->actions()) {
            texts << item->text();
        }
        return texts;
    };
    EXPECT_EQ(captions(bar[0]), (QStringList{"Новая", "Двигушки", "Парные картинки"}));
    EXPECT_EQ(captions(bar[1]), (QStringList{"Цифры", "Картинка 1"}));

    QList<QAction*> all = bar;
    all << bar[0]->menu()->actions() << bar[1]->menu()->actions();
    for (QAction* action : all) {
        EXPECT_FALSE(action->isSeparator());
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
        EXPECT_FALSE(action->text().contains('&')) << "no access-key letters";
        EXPECT_FALSE(action->isCheckable());
        EXPECT_TRUE(action->isEnabled());
        EXPECT_TRUE(action->isVisible());
    }
}

TEST_F(WindowTest, MenuCommandsReachTheirHandlers) {
    MenuCommand("Расставить")->trigger();
    EXPECT_EQ(CellsOf(S()), Solved());
    MenuCommand("Картинка1")->trigger();
    EXPECT_EQ(S().TileStyle, PictureTiles);
    MenuCommand("Цифры")->trigger();
    EXPECT_EQ(S().TileStyle, DigitTiles);
    MenuCommand("Парные_картинки")->trigger();
    EXPECT_EQ(S().GameMode, PairsGame);
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(window.Cell(k)->size(), QSize(80, 71)) << "card backs at once, in cell " << k;
    }
    MenuCommand("Двигушки")->trigger();
    EXPECT_EQ(S().GameMode, FifteenPuzzle);
    S().Cells = PerCell{};
    MenuCommand("Новая")->trigger();
    EXPECT_EQ(S().Cells(16), Blank);
    EXPECT_NE(S().Cells(1), 0);
}

// Keys reach the menus alone: Alt or F10, the arrows, Return or Enter and
// Escape walk them and choose a command, as menus do on any desktop; no
// other key, and no key outside a menu, does anything, whether the window,
// a cell or an open menu has the keyboard. No command has a shortcut.
TEST_F(WindowTest, KeysReachTheMenusAlone) {
    using Keys = std::vector<Qt::Key>;
    struct Row {
        bool cellHasFocus;
        Keys keys;
        const char* command; // the one command they run, or none
        bool menuLeftOpen;
    };
    const Row rows[] = {
        {false, {Qt::Key_Alt, Qt::Key_Right, Qt::Key_Right, Qt::Key_Return}, "Расставить", false},
        {false, {Qt::Key_Alt, Qt::Key_Return, Qt::Key_Return}, "Новая", false},
        {false, {Qt::Key_F10, Qt::Key_Down, Qt::Key_Down, Qt::Key_Enter}, "Двигушки", false},
        {true, {Qt::Key_F10, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}, "Парные_картинки", false},
        {true,
         {Qt::Key_F10, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
         "Картинка1",
         false},
        {true, {Qt::Key_Alt, Qt::Key_Left, Qt::Key_Return}, "Расставить", false},
        // Leaving the menus without a command.
        {false, {Qt::Key_Alt, Qt::Key_Escape}, nullptr, false},
        {false, {Qt::Key_F10, Qt::Key_F10, Qt::Key_Return}, nullptr, false},
        {true, {Qt::Key_F10, Qt::Key_Down, Qt::Key_Escape, Qt::Key_Escape}, nullptr, false},
        {false, {Qt::Key_Alt, Qt::Key_Down, Qt::Key_F10, Qt::Key_Return}, nullptr, false},
        // Keys that walk no menu, in the menus or outside them.
        {false,
         {Qt::Key_Space, Qt::Key_Return, Qt::Key_Down, Qt::Key_Tab, Qt::Key_1},
         nullptr,
         false},
        {true,
         {Qt::Key_Space, Qt::Key_Return, Qt::Key_Left, Qt::Key_Tab, Qt::Key_Backtab},
         nullptr,
         false},
        {false, {Qt::Key_Alt, Qt::Key_Space, Qt::Key_N, Qt::Key_Escape}, nullptr, false},
        {true, {Qt::Key_F10, Qt::Key_Down, Qt::Key_Space, Qt::Key_Home, Qt::Key_H}, nullptr, true},
    };
    QStringList triggered;
    for (QAction* action : window.findChildren<QAction*>()) {
        QObject::connect(action, &QAction::triggered,
                         [&triggered, action] { triggered << action->objectName(); });
    }
    auto popup = [] { return QApplication::activePopupWidget(); };
    for (const Row& row : rows) {
        // Tile 12 moved into the blank: any command or move would change this.
        MenuCommand("Двигушки")->trigger();
        MenuCommand("Цифры")->trigger();
        MenuCommand("Расставить")->trigger();
        ClickAt(CellCentre(12));
        ClickAt(CellCentre(16));
        window.Timer1_Timer();
        const std::string keys = "row " + std::to_string(&row - rows);
        if (row.cellHasFocus) {
            window.Cell(16)->setFocus();
        } else {
            window.setFocus();
        }
        const GameState before = S();
        triggered.clear();
        for (Qt::Key key : row.keys) {
            QWidget* target = popup() != nullptr ? popup() : QApplication::focusWidget();
            QTest::keyClick(target != nullptr ? target->windowHandle() : window.windowHandle(),
                            key);
            QCoreApplication::processEvents();
        }
        if (row.command != nullptr) {
            EXPECT_EQ(triggered, QStringList{QString::fromUtf8(row.command)}) << keys;
        } else {
            EXPECT_TRUE(triggered.isEmpty()) << keys << ": " << triggered.join(' ').toStdString();
            EXPECT_TRUE(S() == before) << keys << ": the game state changed";
        }
        EXPECT_EQ(popup() != nullptr, row.menuLeftOpen) << keys;
        if (!row.menuLeftOpen) {
            EXPECT_EQ(window.Cell(16)->hasFocus(), row.cellHasFocus)
                << keys << ": the focus stayed elsewhere";
        }
        if (popup() != nullptr) {
            popup()->close();
            window.menuBar()->setActiveAction(nullptr);
        }
    }
}

// A cell that is clicked or pressed takes the focus, so that a screen reader
// follows the player there; the focus shows nowhere on the screen, Tab never
// moves it, and a cell taken off the board takes none.
TEST_F(WindowTest, ClickedOrPressedCellTakesTheFocusAndShowsNone) {
    MenuCommand("Парные_картинки")->trigger();
    MenuCommand("Расставить")->trigger(); // cells k and k + 8 pair up
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QImage unfocused = window.Cell(3)->grab().toImage();
    auto press = [](CellImage* cell) {
        QAccessible::queryAccessibleInterface(cell)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    };
    struct Row {
        const char* how;
        std::function<void()> activate;
        int focused; // the cell with the focus after it
    };
    // Two clicks on card 3 are two clicks, a turn; cards 4 and 12 then pair
    // up, and the press on 12 right after its click is the same activation.
    // Were either counted otherwise, the turns would fall apart and no pair
    // would be taken off.
    const Row rows[] = {
        {"click on 3", [&] { ClickAt(CellCentre(3)); }, 3},
        {"click on 3 again", [&] { ClickAt(CellCentre(3)); }, 3},
        {"press on 4", [&] { press(window.Cell(4)); }, 4},
        {"Tab", [&] { QTest::keyClick(window.windowHandle(), Qt::Key_Tab); }, 4},
        {"click on 12", [&] { ClickAt(CellCentre(12)); }, 12},
        {"press on 12", [&] { press(window.Cell(12)); }, 12},
    };
    // As a click's, a press's cell has the focus before the game hears of it,
    // so a reader is on the cell when its name changes.
    bool focusedWhenHeard = false;
    QObject::connect(window.Cell(4), &CellImage::Pressed,
                     [&] { focusedWhenHeard = window.Cell(4)->hasFocus(); });
    for (const Row& row : rows) {
        row.activate();
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), window.Cell(row.focused)) << row.how;
    }
    EXPECT_TRUE(focusedWhenHeard);
    Ticks(51);
    ASSERT_TRUE(window.Cell(4)->isHidden());
    ASSERT_TRUE(window.Cell(12)->isHidden());
    press(window.Cell(4));
    EXPECT_FALSE(window.Cell(4)->hasFocus()) << "a card taken off took the focus";
    // Card 3 is face down again, as before it had the focus: drawn the same.
    window.Cell(3)->setFocus();
    ASSERT_TRUE(window.Cell(3)->hasFocus());
    EXPECT_EQ(window.Cell(3)->grab().toImage(), unfocused) << "a focus frame is drawn";
}

// Orca's click command repeats itself (see one_activation.h): a click and
// then the press action on the same cell, or the press action and then a
// click, all before the next key, are one activation. Two clicks are two,
// and two presses two.
TEST(OneActivationTest, RepeatsOfOneActivationCountOnce) {
    struct Row {
        const char* events; // c<k> click, p<k> press action, k key
        std::vector<bool> activations;
    };
    const Row rows[] = {
        {"c5 p5 c5", {true, false, false}}, // Orca's click seemed lost
        {"p5 c5 c5", {true, false, false}}, // its clicks came late
        {"c5 c5", {true, true}},
        {"p5 p5", {true, true}},
        {"c5 c5 p5 c5", {true, true, false, false}},
        {"c5 p5 k c5 p5", {true, false, true, false}},
        {"p5 k c5", {true, true}},
        {"c5 p6 c5 p5", {true, true, true, false}},
        {"p5 c6 p6 c5 p5", {true, true, false, true, false}},
    };
    for (const Row& row : rows) {
        OneActivation activation;
        std::vector<bool> seen;
        std::istringstream events(row.events);
        for (std::string event; events >> event;) {
            if (event == "k") {
                activation.KeyPressed();
                continue;
            }
            const int k = std::stoi(event.substr(1));
            seen.push_back(event[0] == 'c' ? activation.Click(k) : activation.Press(k));
        }
        EXPECT_EQ(seen, row.activations) << row.events;
    }
}

// Clicks move a tile, and the next tick shows it: each cell takes the size of
// its picture and keeps its corner.
TEST_F(WindowTest, CellTakesTheSizeOfItsPictureAndKeepsItsCorner) {
    MenuCommand("Расставить")->trigger();
    window.Timer1_Timer();
    EXPECT_EQ(window.Cell(1)->geometry(), QRect(8, 8, 87, 78));
    EXPECT_EQ(window.Cell(16)->geometry(), QRect(248, 224, 83, 73));
    ClickAt(CellCentre(12));
    ClickAt(CellCentre(16));
    EXPECT_EQ(S().Cells(16), 12);
    window.Timer1_Timer();
    EXPECT_EQ(window.Cell(16)->geometry(), QRect(248, 224, 82, 79)) << "digit 12";
    EXPECT_EQ(window.Cell(12)->geometry(), QRect(248, 152, 83, 73)) << "the blank";
    MenuCommand("Картинка1")->trigger();
    window.Timer1_Timer();
    EXPECT_EQ(window.Cell(11)->geometry(), QRect(168, 152, 88, 91));
    EXPECT_EQ(window.Cell(12)->geometry(), QRect(248, 152, 81, 86)) << "piece 16";
}

TEST_F(WindowTest, EmptyCellsTakeClicksAnywhereInTheirRectangle) {
    S().HeldTile = 7;
    ClickAt(QPoint(8 + 80 + 1, 8 + 72 + 1)); // the top-left pixel of cell 6
    EXPECT_EQ(S().HeldTile, 0) << "the click picked up the empty cell";
    EXPECT_EQ(S().MoveTarget(2), True);
    EXPECT_EQ(S().MoveTarget(10), True);
    EXPECT_EQ(S().MoveTarget(1), False);
}

TEST_F(WindowTest, PressOnOneCellAndReleaseOnAnotherIsNoClick) {
    MenuCommand("Расставить")->trigger();
    window.Timer1_Timer();
    QWindow* handle = window.windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, Client()->mapTo(&window, CellCentre(12)));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, Client()->mapTo(&window, CellCentre(11)));
    EXPECT_EQ(S().HeldTile, 0);
    QTest::mouseClick(handle, Qt::RightButton, {}, Client()->mapTo(&window, CellCentre(12)));
    EXPECT_EQ(S().HeldTile, 0) << "only the left button clicks";
}

TEST_F(WindowTest, SharedStripOfOverlappingCellsBelongsToTheLowerNumber) {
    MenuCommand("Расставить")->trigger();
    window.Timer1_Timer();
    // Digit 1 is 87 wide: from x 8 it reaches over cell 2, which starts at 88.
    ASSERT_GT(window.Cell(1)->geometry().right(), window.Cell(2)->geometry().left());
    ClickAt(QPoint(90, 30));
    EXPECT_EQ(S().HeldTile, 1);
    EXPECT_EQ(S().MoveTarget(5), True) << "cell 1 took the click, and cell 2 did not";
    EXPECT_EQ(S().MoveTarget(3), False);
}

TEST_F(WindowTest, HiddenCellTakesNoClick) {
    MenuCommand("Парные_картинки")->trigger();
    MenuCommand("Расставить")->trigger(); // cells k and k + 8 pair up
    ClickAt(CellCentre(6));
    ClickAt(CellCentre(14));
    Ticks(51);
    ASSERT_FALSE(window.Cell(6)->isVisible());
    ASSERT_FALSE(window.Cell(14)->isVisible());
    const Word flips = S().FlipCount;
    ClickAt(CellCentre(6) + QPoint(10, 10)); // under cell 6, no neighbour reaches here
    EXPECT_EQ(S().FlipCount, flips);
    EXPECT_EQ(S().HeldTile, 14) << "no click reached anything";
}

TEST_F(WindowTest, UnchangedBoardIsNeverRepainted) {
    MenuCommand("Расставить")->trigger();
    window.Timer1_Timer();
    QTest::qWait(20);
    PaintCounter counter;
    for (int k = 1; k <= CellCount; ++k) {
        window.Cell(k)->installEventFilter(&counter);
    }
    for (int tick = 0; tick < 1000; ++tick) {
        window.Timer1_Timer();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(counter.paints, 0);

    // A real change still reaches the screen.
    MenuCommand("Картинка1")->trigger();
    window.Timer1_Timer();
    QTest::qWait(20);
    EXPECT_GE(counter.paints, 16);
}

TEST_F(WindowTest, RunTimeErrorIsReportedAndTheGameGoesOn) {
    MenuCommand("Парные_картинки")->trigger();
    S().FlipCount = 32767;
    testing::internal::CaptureStderr();
    ClickAt(CellCentre(3));
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(report, "Run-time error: Overflow\n");
    EXPECT_EQ(S().HeldTile, S().Cells(3)) << "what the handler wrote before the error stays";
    S().FlipCount = 0;
    ClickAt(CellCentre(3));
    EXPECT_EQ(S().FlipCount, 1);
}

TEST_F(WindowTest, TimerTicksFromCreationAndEachTickIsOneRefresh) {
    // Nothing here starts or drives this window's timer. Its ticks alone
    // count the pairs game round: 1 to 50, and the 51st takes a pair off.
    Form1 fresh(&random);
    Game& game = fresh.TheGame();
    game.Парные_картинки_Click();
    game.Расставить_Click(); // cells k and k + 8 pair up
    game.CellClick(4);
    game.CellClick(12);
    game.State.PairTicks = 0;
    std::vector<int> counts;
    std::vector<bool> taken;
    QObject::connect(&fresh.Timer1(), &QTimer::timeout, &fresh, [&] {
        counts.push_back(game.State.PairTicks);
        taken.push_back(fresh.Cell(4)->isHidden() && fresh.Cell(12)->isHidden());
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.size() >= 60; }, 20000));
    for (std::size_t tick = 0; tick < 60; ++tick) {
        EXPECT_EQ(counts[tick], static_cast<int>((tick + 1) % 51)) << "tick " << tick + 1;
        EXPECT_EQ(taken[tick], tick + 1 >= 51) << "tick " << tick + 1;
    }
}

// However it is asked, by a title bar's button or a window manager, the
// window takes its maximized state back and keeps its size.
TEST_F(WindowTest, NeverStaysMaximized) {
    const QSize size = window.size();
    window.setWindowState(Qt::WindowMaximized);
    ASSERT_TRUE(window.windowState() & Qt::WindowMaximized);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window.size(), size);

    window.windowHandle()->setWindowStates(Qt::WindowMaximized);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowState() == Qt::WindowNoState; }));
    EXPECT_EQ(window.size(), size);
}

// X11 through Xwayland on a GNOME Wayland session, for a Qt without a
// GNOME-styled bar of its own, unless the player names a platform; and
// where Qt draws its Adwaita bar instead.
TEST(DesktopFit, GnomeGetsItsOwnBarWhereQtHasNone) {
    const QVersionNumber qt64(6, 4, 2), qt68(6, 8, 2), qt610(6, 10);
    struct Row {
        Variables environment;
        QVersionNumber qt;
        bool throughXwayland;
        bool adwaitaBar;
    };
    const Variables gnome = {
        {"XDG_CURRENT_DESKTOP", "GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}};
    auto with = [&gnome](std::initializer_list<std::pair<const std::string, std::string>> more) {
        Variables variables = gnome;
        for (const auto& [name, value] : more) {
            variables[name] = value;
        }
        return variables;
    };
    const Row rows[] = {
        {gnome, qt64, true, false},
        {gnome, qt68, false, true},
        {gnome, qt610, false, true},
        {with({{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}), qt64, true, false},
        {with({{"XDG_CURRENT_DESKTOP", "GNOME-Classic:GNOME"}}), qt68, false, true},
        {with({{"XDG_CURRENT_DESKTOP", "gnome"}}), qt64, true, false},
        // Other desktops draw their own bars for Wayland windows.
        {with({{"XDG_CURRENT_DESKTOP", "KDE"}}), qt64, false, false},
        {with({{"XDG_CURRENT_DESKTOP", "sway"}}), qt68, false, false},
        {with({{"XDG_CURRENT_DESKTOP", "GNOME-Flashback:Unity"}}), qt64, false, false},
        {with({{"XDG_CURRENT_DESKTOP", ""}}), qt64, false, false},
        // The player's platform or bar stands.
        {with({{"QT_QPA_PLATFORM", "wayland"}}), qt64, false, false},
        {with({{"QT_QPA_PLATFORM", ""}}), qt64, true, false},
        {with({{"QT_WAYLAND_DECORATION", "bradient"}}), qt68, false, false},
        // No X display to go through, or an X11 session already.
        {with({{"DISPLAY", ""}}), qt64, false, false},
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}},
         qt64,
         false,
         false},
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}},
         qt64,
         true,
         false},
    };
    for (const Row& row : rows) {
        const std::string given =
            Described(row.environment) + "Qt " + row.qt.toString().toStdString();
        const Environment environment = EnvironmentOf(row.environment);
        EXPECT_EQ(GoesThroughXwayland(environment, row.qt), row.throughXwayland) << given;
        EXPECT_EQ(QtDrawsAdwaitaBar(environment, row.qt), row.adwaitaBar) << given;
    }
}

TEST(ScreenScaleFactors, RoundToWholeNumbersHalvesUp) {
    const std::pair<const char*, const char*> rows[] = {
        {"1.5", "2"},     {"1.25", "1"},
        {"1.75", "2"},    {"2", "2"},
        {"2.5", "3"},     {"0.75", "1"},
        {"0.4", "1"},     {"DP-1=1.25;HDMI-1=1.75", "DP-1=1;HDMI-1=2"},
        {"1.5;1", "2;1"}, {"eDP-1=1.5", "eDP-1=2"},
        {"big", "big"},   {"1.5x;1.5", "1.5x;2"},
        {"-2", "-2"},     {"", ""},
    };
    for (const auto& [given, whole] : rows) {
        EXPECT_EQ(WholeScreenScaleFactors(given), whole) << "from \"" << given << '"';
    }
}

// Whole scales where Qt will show the window on X11; the compositor's own
// scale where it tries Wayland first; the player's policy wherever it names
// one, given to Qt by the game and taken out of the environment.
TEST(ScaleRounding, FollowsThePlatformQtTriesFirstAndThePlayersPolicy) {
    using Policy = Qt::HighDpiScaleFactorRoundingPolicy;
    struct Row {
        Variables environment;
        Policy policy;
        bool playersVariableTaken;
    };
    const Row rows[] = {
        {{}, Policy::Round, false},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, Policy::PassThrough, false},
        // Qt asks only whether it is set; an empty one means wayland-0.
        {{{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}}, Policy::PassThrough, false},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, Policy::PassThrough, false},
        {{{"XDG_SESSION_TYPE", "Wayland"}, {"DISPLAY", ":0"}}, Policy::Round, false},
        // QT_QPA_PLATFORM outranks the session; its first plugin goes first.
        {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, Policy::Round, false},
        {{{"QT_QPA_PLATFORM", "xcb;wayland"}, {"XDG_SESSION_TYPE", "wayland"}},
         Policy::Round,
         false},
        {{{"QT_QPA_PLATFORM", "wayland-egl;xcb"}}, Policy::PassThrough, false},
        {{{"QT_QPA_PLATFORM", "xcb:wayland"}}, Policy::Round, false},
        {{{"QT_QPA_PLATFORM", "offscreen"}, {"WAYLAND_DISPLAY", "wayland-0"}},
         Policy::Round,
         false},
        {{{"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", "wayland-0"}}, Policy::PassThrough, false},
        // The player's own policy, in any case, on either platform.
        {{{"QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough"}, {"DISPLAY", ":0"}},
         Policy::PassThrough,
         true},
        {{{"QT_SCALE_FACTOR_ROUNDING_POLICY", "round"}, {"WAYLAND_DISPLAY", "wayland-0"}},
         Policy::Round,
         true},
        {{{"QT_SCALE_FACTOR_ROUNDING_POLICY", "CEIL"}}, Policy::Ceil, true},
        {{{"QT_SCALE_FACTOR_ROUNDING_POLICY", "RoundPreferFloor"}}, Policy::RoundPreferFloor, true},
        // An empty one says nothing and goes; one Qt does not know stays for
        // Qt to report, and the game's choice stands meanwhile.
        {{{"QT_SCALE_FACTOR_ROUNDING_POLICY", ""}, {"WAYLAND_DISPLAY", "wayland-0"}},
         Policy::PassThrough,
         true},
        {{{"QT_SCALE_FACTOR_ROUNDING_POLICY", "Nearest"}, {"DISPLAY", ":0"}}, Policy::Round, false},
    };
    for (const Row& row : rows) {
        const std::string given = Described(row.environment);
        const ScaleRounding rounding = ScaleRoundingFor(EnvironmentOf(row.environment));
        EXPECT_EQ(static_cast<int>(rounding.policy), static_cast<int>(row.policy)) << given;
        EXPECT_EQ(rounding.playersVariableTaken, row.playersVariableTaken) << given;
    }
}

// Qt 6.8's false alarm at fractional Wayland scales goes; every other message
// reaches the handler that was there before, unchanged.
TEST(StaleScaleWarnings, OnlyQtsFalseAlarmIsDropped) {
    static QStringList passedOn;
    passedOn.clear();
    const QtMessageHandler original =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            passedOn.append(message);
        });
    IgnoreStaleScaleWarnings();
    const std::pair<const char*, bool> rows[] = {
        {"The cached device pixel ratio value was stale on window update.  Please file a QTBUG "
         "which explains how to reproduce.",
         false},
        {"The cached device pixel ratio value was stale on window expose.  Please file a QTBUG "
         "which explains how to reproduce.",
         false},
        {"Unknown scale factor rounding policy: Nearest. Supported values are: Round, Ceil, "
         "Floor, RoundPreferFloor, PassThrough.",
         true},
        {"The cached device pixel ratio", true},
        {"could not connect to display :3", true},
    };
    for (const auto& [message, kept] : rows) {
        qWarning("%s", message);
    }
    qInstallMessageHandler(original);
    QStringList expected;
    for (const auto& [message, kept] : rows) {
        if (kept) {
            expected.append(QString::fromUtf8(message));
        }
    }
    EXPECT_EQ(passedOn, expected);
}
