// Both games played through the real window, checked by what the screen
// shows. A screen reader's view is test_screen_reader.cpp's.

#include "board_picture.h"
#include "game_session.h"
#include "processes.h"
#include "x_display.h"

#include <QLibraryInfo>
#include <QVersionNumber>
#include <algorithm>
#include <cstddef>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class Playing : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(game.Started()) << game.StartFailure(); }
    void TearDown() override {
        EXPECT_TRUE(game.Process().Running()) << "the game ended during the test";
        EXPECT_EQ(game.StandardError(), "") << "the game wrote to its standard error";
    }

    // Two clicks that move a tile when the first is next to the blank.
    void Move(int from, int to) {
        game.ClickCell(from);
        game.ClickCell(to);
    }

    // The pairs game with cell k holding card k, so cells k and k + 8 pair up.
    void KnownPairsBoard() {
        ASSERT_TRUE(game.Choose(menu::Game, menu::Pairs));
        ASSERT_TRUE(game.WaitForBoard(Backs(), "pairs-dealt"));
        ASSERT_TRUE(game.Choose(menu::Arrange));
    }

    GameSession game;
};

// Every tile 1..15 once, the blank in cell 16, in an order that slides back.
void ExpectDealtFifteen(const Layout& seen, int firstHolder) {
    EXPECT_EQ(seen[15], firstHolder - 1 + 16) << "the blank is in cell 16: " << Describe(seen);
    std::vector<int> tiles(seen.begin(), seen.end() - 1);
    std::sort(tiles.begin(), tiles.end());
    EXPECT_EQ(tiles, Range(firstHolder, firstHolder + 14))
        << "every tile shown once: " << Describe(seen);
    int inversions = 0;
    for (int i = 0; i < 15; ++i) {
        for (int j = i + 1; j < 15; ++j) {
            inversions += seen[static_cast<std::size_t>(i)] > seen[static_cast<std::size_t>(j)];
        }
    }
    EXPECT_EQ(inversions % 2, 0) << "this board cannot be solved: " << Describe(seen);
}

// What the desktop entry gives the window to be known by: on Wayland the
// entry's own id, its file name; on X11 its StartupWMClass. Under GNOME
// Shell the game goes through Xwayland with a Qt older than 6.8.
std::string DesktopEntryName(DesktopKind desktop) {
    std::string id = "io.github.dvigushki.Dvigushki";
    if (desktop == DesktopKind::Sway || desktop == DesktopKind::Kwin ||
        (desktop == DesktopKind::Gnome && QLibraryInfo::version() >= QVersionNumber(6, 8))) {
        return id;
    }
    std::istringstream entry(ReadFile(SOURCE_ROOT "/dist/" + id + ".desktop"));
    const std::string key = "StartupWMClass=";
    for (std::string line; std::getline(entry, line);) {
        if (line.rfind(key, 0) == 0) {
            return line.substr(key.size());
        }
    }
    return "(no StartupWMClass in the desktop entry)";
}

} // namespace

TEST_F(Playing, OpensOnTheFifteenPuzzleWithAnEmptyBoard) {
    EXPECT_EQ(game.Title(), FifteenCaption) << game.SaveScreenshot("title");
    EXPECT_EQ(game.AppId(), DesktopEntryName(game.Kind()))
        << "the desktop cannot tie the window to its desktop entry";
    EXPECT_GT(game.MenuBarRect().height(), 10);
    EXPECT_TRUE(game.WaitForBoard(Nothing(), "start"));
    EXPECT_EQ(game.MenuBarItems().size(), 3u) << game.SaveScreenshot("menu-bar");
}

TEST_F(Playing, ArrangeActsAtOnceInEitherStyle) {
    ASSERT_TRUE(game.Choose(menu::Arrange));
    ASSERT_TRUE(game.WaitForBoard(Arranged(1), "arranged-digits"));
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Picture));
    ASSERT_TRUE(game.WaitForBoard(Arranged(FirstPiece), "arranged-picture"));
    game.Publish("fifteen-picture");

    ASSERT_TRUE(game.Choose(menu::Figures, menu::Digits));
    EXPECT_TRUE(game.WaitForBoard(Arranged(1), "digits-again"));
    EXPECT_EQ(game.Title(), FifteenCaption);
}

TEST_F(Playing, TwoClicksSlideATileAndAFarTileStaysPut) {
    ASSERT_TRUE(game.Choose(menu::Arrange));
    ASSERT_TRUE(game.WaitForBoard(Arranged(1), "arranged"));

    Move(12, 16);
    const Layout slid = With(Arranged(1), {{12, DigitBlank}, {16, 12}});
    ASSERT_TRUE(game.WaitForBoard(slid, "12-down"));

    // Tile 1 is nowhere near the blank in cell 12. A legal move follows; had
    // the far one gone through, the blank would have left cell 12 and the
    // legal move could not show.
    Move(1, 12);
    Move(8, 12);
    EXPECT_TRUE(game.WaitForBoard(With(slid, {{8, DigitBlank}, {12, 8}}), "far-then-8-down"));
    game.Publish("fifteen-digits");

    // The same in picture style: the pieces move with their tiles.
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Picture));
    Move(7, 8);
    const Layout pieces = With(
        Arranged(FirstPiece),
        {{7, FirstPiece + 15}, {8, FirstPiece + 6}, {12, FirstPiece + 7}, {16, FirstPiece + 11}});
    EXPECT_TRUE(game.WaitForBoard(pieces, "picture-7-right"));
}

// Keys walk the menus alone (the Orca scenario plays through them): any other
// key runs no command and moves nothing, before, at or after a menu the
// mouse opened.
TEST_F(Playing, KeysOutsideTheMenusRunNoCommandAndMoveNothing) {
    ASSERT_TRUE(game.Choose(menu::Arrange));
    Move(12, 16);
    ASSERT_TRUE(game.WaitForBoard(With(Arranged(1), {{12, DigitBlank}, {16, 12}}), "12-down"));

    const std::vector<std::vector<std::string>> sequences = {
        {"space", "Tab", "1", "n"},
        {"BackSpace", "Home", "KP_Add", "KP_Divide"},
        {"End", "Delete", "Menu", "ISO_Left_Tab"},
    };
    auto popups = [&] {
        const auto windows = game.X().MappedTopWindows();
        return std::count_if(windows.begin(), windows.end(),
                             [](const TopWindow& w) { return w.overrideRedirect; });
    };
    auto press = [&](const std::vector<std::string>& keys) {
        for (const std::string& key : keys) {
            game.X().PressKey(key);
        }
    };
    for (const auto& keys : sequences) {
        press(keys);
        // At a menu the mouse opened, then again once a click closed it.
        const std::vector<QRect> items = game.MenuBarItems();
        ASSERT_EQ(items.size(), 3u);
        game.X().Click(items[menu::Game].center());
        ASSERT_TRUE(WaitUntil([&] { return popups() == 1; })) << "Игра did not open";
        press(keys);
        game.X().Click(items[menu::Game].center());
        ASSERT_TRUE(WaitUntil([&] { return popups() == 0; })) << "Игра did not close";
        press(keys);
    }
    // The X server hands keys and clicks to the game in order: once the
    // picture style shows, every key before it has been handled, and the
    // board must still be the one the mouse made.
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Picture));
    EXPECT_TRUE(game.WaitForBoard(
        With(Arranged(FirstPiece), {{12, FirstPiece + 15}, {16, FirstPiece + 11}}), "after-keys"));
    EXPECT_EQ(game.Title(), FifteenCaption);
}

TEST_F(Playing, NewDealsAShuffledSolvableBoard) {
    ASSERT_TRUE(game.Choose(menu::Game, menu::NewBoard));
    const Layout dealt = game.WaitForReadableBoard(Range(1, 16));
    ExpectDealtFifteen(dealt, 1);
    // Every pixel as the pictures have it, on a board worked out from the
    // deal rather than read again: the tile above the blank slides down.
    Move(12, 16);
    EXPECT_TRUE(game.WaitForBoard(With(dealt, {{12, DigitBlank}, {16, dealt[11]}}), "dealt-moved"));

    ASSERT_TRUE(game.Choose(menu::Game, menu::NewBoard));
    const Layout again = game.WaitForReadableBoard(Range(1, 16));
    ExpectDealtFifteen(again, 1);
    EXPECT_NE(again, dealt) << "two deals came out the same: " << Describe(again);
}

TEST_F(Playing, PairsGameShowsBacksThenFacesAndTakesOffPairs) {
    ASSERT_TRUE(game.Choose(menu::Game, menu::Pairs));
    EXPECT_TRUE(game.WaitForTitle(PairsCaption));
    ASSERT_TRUE(game.WaitForBoard(Backs(), "backs"));

    ASSERT_TRUE(game.Choose(menu::Arrange));
    game.ClickCell(5);
    Layout board = With(Backs(), {{5, FaceHolder(5)}});
    ASSERT_TRUE(game.WaitForBoard(board, "one-face"));
    // Cards 5 and 13 show one face: both leave the board.
    game.ClickCell(13);
    board = With(Backs(), {{5, 0}, {13, 0}});
    ASSERT_TRUE(game.WaitForBoard(board, "pair-taken-off"));

    // Cards 2 and 3 differ: they stay face up, through many checks for pairs ...
    game.ClickCell(2);
    game.ClickCell(3);
    board = With(board, {{2, FaceHolder(2)}, {3, FaceHolder(3)}});
    ASSERT_TRUE(game.WaitForBoard(board, "two-faces"));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(game.WaitForBoard(board, "two-faces-still"));
    game.Publish("pairs");

    // ... until the next click turns them down and shows its own card.
    game.ClickCell(16);
    EXPECT_TRUE(
        game.WaitForBoard(With(Backs(), {{5, 0}, {13, 0}, {16, FaceHolder(16)}}), "turned-down"));
    EXPECT_EQ(game.Title(), PairsCaption);
}

TEST_F(Playing, BackToTheFifteenPuzzleEveryCellShowsAgain) {
    KnownPairsBoard();
    game.ClickCell(1);
    game.ClickCell(9);
    ASSERT_TRUE(game.WaitForBoard(With(Backs(), {{1, 0}, {9, 0}}), "pair-gone"));

    ASSERT_TRUE(game.Choose(menu::Game, menu::Fifteen));
    EXPECT_TRUE(game.WaitForTitle(FifteenCaption));
    const Layout dealt = game.WaitForReadableBoard(Range(1, 16));
    ExpectDealtFifteen(dealt, 1);

    // The same deal in pieces of the picture, in every cell.
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Picture));
    Layout pieces = dealt;
    for (int& holder : pieces) {
        holder += FirstPiece - 1;
    }
    EXPECT_TRUE(game.WaitForBoard(pieces, "fifteen-again-in-pieces"));
    ASSERT_TRUE(game.Choose(menu::Arrange));
    EXPECT_TRUE(game.WaitForBoard(Arranged(FirstPiece), "picture-after-pairs"));
}
