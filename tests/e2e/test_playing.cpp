// Both games played through the real window, checked by what the screen shows
// and by what a screen reader, started before the game, reads of it.

#include "board_picture.h"
#include "game_session.h"
#include "processes.h"
#include "x_display.h"

#include <algorithm>
#include <cstddef>
#include <gtest/gtest.h>
#include <optional>
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
        ASSERT_TRUE(game.WaitForBoard(Layout{Backs()}, "pairs-dealt"));
        ASSERT_TRUE(game.Choose(menu::Arrange));
    }
    static Layout Backs() {
        Layout backs{};
        backs.fill(CardBack);
        return backs;
    }

    // Board cell k as the screen reader has it, found by where it lies: the
    // place it gives starts at the cell's corner. Relative to the board the
    // reader gives, as a Wayland window knows no place on the screen.
    std::optional<Accessible> ReaderCell(int k) {
        const std::vector<Accessible> tree = game.Reader().Tree();
        const std::optional<Accessible> board = BoardOf(tree);
        for (const Accessible& cell : CellsOf(tree)) {
            if (board &&
                cell.extents.topLeft() == board->extents.topLeft() + CellCorner(k) * game.Scale()) {
                return cell;
            }
        }
        return std::nullopt;
    }
    // What mouse review finds in the middle of cell k.
    std::optional<Accessible> AtCellCentre(int k) {
        const QPoint centre = CellCore(k).center() * game.Scale();
        if (game.Kind() == DesktopKind::Sway) {
            return game.Reader().At(
                game.ClientRect().topLeft() - game.WindowRect().topLeft() + centre, true);
        }
        return game.Reader().At(game.ClientRect().topLeft() + centre);
    }
    ::testing::AssertionResult PressCell(int k) {
        const std::optional<Accessible> cell = ReaderCell(k);
        if (!cell || !game.Reader().Press(cell->path)) {
            return ::testing::AssertionFailure() << "the reader could not press cell " << k;
        }
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult PressMenu(const std::string& name) {
        const std::optional<Accessible> item = Find(game.Reader().Tree(), "menu item", name);
        if (!item || !game.Reader().Press(item->path)) {
            return ::testing::AssertionFailure() << "the reader could not press " << name;
        }
        return ::testing::AssertionSuccess();
    }
    // The names the reader reads on the board, in its order.
    std::vector<std::string> NamesRead() {
        std::vector<std::string> names;
        for (const Accessible& cell : CellsOf(game.Reader().Tree())) {
            names.push_back(cell.name);
        }
        return names;
    }
    ::testing::AssertionResult WaitForNames(const std::vector<std::string>& names) {
        std::vector<std::string> read;
        if (WaitUntil([&] { return (read = NamesRead()) == names; })) {
            return ::testing::AssertionSuccess();
        }
        auto joined = [](const std::vector<std::string>& list) {
            std::string text;
            for (const std::string& name : list) {
                text += (text.empty() ? "" : " | ") + name;
            }
            return text;
        };
        return ::testing::AssertionFailure()
               << "the reader never read " << joined(names) << "\n  it reads " << joined(read);
    }
    // The name changes heard since the last look, cell by cell as they came.
    std::vector<Heard> NameChanges() {
        std::vector<Heard> changes;
        for (const Heard& heard : game.Reader().Events()) {
            if (heard.type == "object:property-change:accessible-name") {
                changes.push_back(heard);
            }
        }
        return changes;
    }

    GameSession game{WithAScreenReader()};

  private:
    static GameSession::Options WithAScreenReader() {
        GameSession::Options options;
        options.screenReader = ScreenReaderStart::BeforeTheGame;
        return options;
    }
};

// What a screen reader must say for each cell of a fifteen-puzzle layout: the
// tile's number in either style, and a word for the blank.
std::vector<std::string> TileNames(const Layout& layout) {
    std::vector<std::string> names;
    for (int holder : layout) {
        const int tile = holder >= FirstPiece ? holder - FirstPiece + 1 : holder;
        names.push_back(tile == 16 ? "Пусто" : std::to_string(tile));
    }
    return names;
}

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
// entry's own id, its file name; on X11 its StartupWMClass.
std::string DesktopEntryName(DesktopKind desktop) {
    std::string id = "io.github.dvigushki.Dvigushki";
    if (desktop == DesktopKind::Sway) {
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

    // A screen reader finds the window under its title, the menu bar and the
    // board by name, and the sixteen cells in cell order, each a button that
    // says it shows no picture yet.
    std::vector<Accessible> tree;
    ASSERT_TRUE(WaitUntil([&] { return CellsOf(tree = game.Reader().Tree()).size() == 16; }))
        << "the reader finds no board of 16 cells (" << tree.size() << " objects)";
    const std::optional<Accessible> frame = Find(tree, "frame", FifteenCaption);
    ASSERT_TRUE(frame.has_value()) << "no window named " << FifteenCaption;
    EXPECT_TRUE(Find(tree, "menu bar", "Меню").has_value());
    const std::optional<Accessible> board = BoardOf(tree);
    ASSERT_TRUE(board.has_value());
    EXPECT_EQ(board->name, "Игровое поле");
    if (game.Kind() != DesktopKind::Sway) {
        // Where the screen shows them: what mouse review and magnifiers go by.
        EXPECT_EQ(frame->extents, game.WindowRect());
        EXPECT_EQ(board->extents, game.ClientRect());
    }
    const std::vector<Accessible> cells = CellsOf(tree);
    for (int k = 1; k <= 16; ++k) {
        const Accessible& cell = cells[static_cast<std::size_t>(k - 1)];
        EXPECT_EQ(cell.role, "push button") << "cell " << k;
        EXPECT_EQ(cell.name, "Нет картинки") << "cell " << k;
        EXPECT_EQ(cell.actions, std::vector<std::string>{"Press"}) << "cell " << k;
        EXPECT_EQ(cell.extents, QRect(board->extents.topLeft() + CellCorner(k), QSize(81, 73)))
            << "the reader's cell " << k << " is not the board's cell " << k;
    }
}

TEST_F(Playing, ArrangeActsAtOnceInEitherStyle) {
    ASSERT_TRUE(WaitUntil([&] { return CellsOf(game.Reader().Tree()).size() == 16; }));
    NameChanges();
    ASSERT_TRUE(game.Choose(menu::Arrange));
    ASSERT_TRUE(game.WaitForBoard(Arranged(1), "arranged-digits"));
    EXPECT_TRUE(WaitForNames(TileNames(Arranged(1))));
    // Each cell announced its new picture once, however many ticks redrew
    // the board meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<std::string> announced;
    for (const Heard& change : NameChanges()) {
        announced.push_back(change.detail);
    }
    EXPECT_EQ(announced, TileNames(Arranged(1)));
    // What mouse review finds in the middle of each cell is that cell.
    for (int k = 1; k <= 16; ++k) {
        const std::optional<Accessible> found = AtCellCentre(k);
        EXPECT_TRUE(found && found->path == ReaderCell(k).value().path)
            << "at cell " << k << "'s centre the reader finds "
            << (found ? found->role + " " + found->name : "nothing");
    }

    // Every picture changes, no name does, and the reader hears nothing.
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Picture));
    ASSERT_TRUE(game.WaitForBoard(Arranged(FirstPiece), "arranged-picture"));
    game.Publish("fifteen-picture");
    EXPECT_TRUE(WaitForNames(TileNames(Arranged(FirstPiece))));
    EXPECT_EQ(NameChanges().size(), 0u);

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
    EXPECT_TRUE(WaitForNames(TileNames(slid)));

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
    EXPECT_TRUE(WaitForNames(TileNames(pieces)));
}

// A player who cannot use the mouse plays through the screen reader alone: a
// menu command, a move and a pair, each by pressing, seen on the screen too.
TEST_F(Playing, PressActionsAlonePlayAMoveAndFindAPair) {
    ASSERT_TRUE(WaitUntil([&] { return CellsOf(game.Reader().Tree()).size() == 16; }));
    ASSERT_TRUE(PressMenu("Расставить"));
    ASSERT_TRUE(game.WaitForBoard(Arranged(1), "arranged"));
    ASSERT_TRUE(PressCell(12));
    ASSERT_TRUE(PressCell(16));
    const Layout moved = With(Arranged(1), {{12, DigitBlank}, {16, 12}});
    ASSERT_TRUE(game.WaitForBoard(moved, "moved-by-presses"));
    game.SaveScreenshot("moved-by-presses");
    EXPECT_TRUE(WaitForNames(TileNames(moved)));

    // Парные картинки sits in a drop-down, pressed without opening it.
    ASSERT_TRUE(PressMenu("Парные картинки"));
    ASSERT_TRUE(game.WaitForTitle(PairsCaption));
    ASSERT_TRUE(game.WaitForBoard(Backs(), "pairs-dealt"));
    ASSERT_TRUE(PressMenu("Расставить"));
    ASSERT_TRUE(PressCell(7));
    ASSERT_TRUE(game.WaitForBoard(With(Backs(), {{7, FaceHolder(7)}}), "7-up-by-press"));
    game.SaveScreenshot("card-turned-by-press");
    ASSERT_TRUE(PressCell(15));
    ASSERT_TRUE(game.WaitForBoard(With(Backs(), {{7, 0}, {15, 0}}), "pair-found-by-presses"));
    game.SaveScreenshot("pair-found-by-presses");
    EXPECT_TRUE(WaitUntil([&] { return CellsOf(game.Reader().Tree()).size() == 14; }));
    EXPECT_FALSE(ReaderCell(7).has_value());
    EXPECT_FALSE(ReaderCell(15).has_value());
}

// The game is played with the mouse alone: keys run no menu command, open or
// close no menu and move nothing, whether no menu was open, one the mouse
// opened is, or one was opened and closed with the mouse before.
TEST_F(Playing, KeysRunNoCommandAndMoveNothing) {
    ASSERT_TRUE(game.Choose(menu::Arrange));
    Move(12, 16);
    ASSERT_TRUE(game.WaitForBoard(With(Arranged(1), {{12, DigitBlank}, {16, 12}}), "12-down"));

    const std::vector<std::vector<std::string>> sequences = {
        {"Alt_L", "Right", "Right", "Return"},  // Расставить, were keys let through
        {"Alt_L", "Return", "Return"},          // Новая
        {"Alt_L", "Down", "Down", "KP_Enter"},  // Двигушки
        {"F10", "Down", "Down", "Return"},      // Двигушки, by F10
        {"F10", "Return", "Up", "space"},       // Парные картинки, from below
        {"Alt_L", "Left", "space", "KP_Enter"}, // Расставить, from the left
        {"space", "Return", "Escape", "Down", "Return"}, // no menu asked for
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
        press({"Escape"});
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
    // Every card face down is read by one word, the same for all.
    std::vector<std::string> backs;
    ASSERT_TRUE(WaitUntil([&] {
        backs = NamesRead();
        return backs.size() == 16 && std::count(backs.begin(), backs.end(), backs[0]) == 16;
    })) << "the face-down cards are not all read alike";
    const std::string back = backs[0];
    NameChanges();

    game.ClickCell(5);
    Layout board = With(Backs(), {{5, FaceHolder(5)}});
    ASSERT_TRUE(game.WaitForBoard(board, "one-face"));
    // The turned card is read by its face, and the reader heard it turn.
    const std::string face = ReaderCell(5).value().name;
    EXPECT_NE(face, back);
    EXPECT_NE(face, "");
    EXPECT_EQ(ReaderCell(13).value().name, back);

    // Cards 5 and 13 show one face: both leave the board, and the reader's
    // board too. The reader heard both turn up, named alike.
    game.ClickCell(13);
    board = With(Backs(), {{5, 0}, {13, 0}});
    ASSERT_TRUE(game.WaitForBoard(board, "pair-taken-off"));
    EXPECT_TRUE(WaitUntil([&] { return CellsOf(game.Reader().Tree()).size() == 14; }));
    EXPECT_FALSE(ReaderCell(5).has_value());
    EXPECT_FALSE(ReaderCell(13).has_value());
    std::vector<std::string> turned;
    int left = 0;
    for (const Heard& heard : game.Reader().Events()) {
        if (heard.type == "object:property-change:accessible-name") {
            turned.push_back(heard.detail);
        }
        left += heard.type == "object:children-changed:remove" ? 1 : 0;
    }
    EXPECT_EQ(turned, (std::vector<std::string>{face, face}))
        << "cards 5 and 13 were not heard turning up alike";
    EXPECT_EQ(left, 2) << "the reader was not told that two cards left the board";

    // Cards 2 and 3 differ: they stay face up, through many checks for pairs ...
    game.ClickCell(2);
    game.ClickCell(3);
    board = With(board, {{2, FaceHolder(2)}, {3, FaceHolder(3)}});
    ASSERT_TRUE(game.WaitForBoard(board, "two-faces"));
    EXPECT_NE(ReaderCell(2).value().name, ReaderCell(3).value().name);
    EXPECT_NE(ReaderCell(2).value().name, back);
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

// A screen reader turned on during a game, after the game started, still
// finds the window and reads the board as it stands.
TEST(LateScreenReader, FindsTheGameAlreadyRunning) {
    GameSession::Options options;
    options.screenReader = ScreenReaderStart::Later;
    GameSession game(options);
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    ASSERT_TRUE(game.Choose(menu::Arrange));
    ASSERT_TRUE(game.WaitForBoard(Arranged(1), "arranged"));

    game.StartScreenReader();
    std::vector<std::string> names;
    EXPECT_TRUE(WaitUntil([&] {
        names.clear();
        for (const Accessible& cell : CellsOf(game.Reader().Tree())) {
            names.push_back(cell.name);
        }
        return names == TileNames(Arranged(1));
    })) << "the reader found "
        << names.size() << " cells";
    EXPECT_EQ(game.StandardError(), "");
}
