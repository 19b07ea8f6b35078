// The game through the desktop's accessibility bus, as a screen reader meets
// it: found after it started, read, looked at with mouse review and played by
// presses alone, each step seen on the screen too. What the window gives a
// reader in each case is the window tests' (tests/ui); here is what only the
// real bus shows: that Qt joins it and hands on the board as it is, with its
// roles, actions, places in the screen's pixels and the changes announced.

#include "board_picture.h"
#include "game_session.h"

#include <algorithm>
#include <cstddef>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : " | ") + name;
    }
    return text;
}

class Reading {
  public:
    explicit Reading(GameSession& game) : game_(game) {}

    // Board cell k as the reader has it, found by where it lies: the place it
    // gives starts at the cell's corner. Relative to the board the reader
    // gives, as a Wayland window knows no place on the screen.
    std::optional<Accessible> Cell(int k) {
        const std::vector<Accessible> tree = game_.Reader().Tree();
        const std::optional<Accessible> board = BoardOf(tree);
        for (const Accessible& cell : CellsOf(tree)) {
            if (board && cell.extents.topLeft() ==
                             board->extents.topLeft() + CellCorner(k) * game_.Scale()) {
                return cell;
            }
        }
        return std::nullopt;
    }
    // What mouse review finds at a point of the window, given on the screen.
    std::optional<Accessible> At(QPoint screen) {
        if (game_.Kind() == DesktopKind::Sway) {
            return game_.Reader().At(screen - game_.WindowRect().topLeft(), true);
        }
        return game_.Reader().At(screen);
    }
    std::optional<Accessible> AtCellCentre(int k) {
        return At(game_.ClientRect().topLeft() + CellCore(k).center() * game_.Scale());
    }
    ::testing::AssertionResult PressCell(int k) {
        const std::optional<Accessible> cell = Cell(k);
        if (!cell || !game_.Reader().Press(cell->path)) {
            return ::testing::AssertionFailure() << "the reader could not press cell " << k;
        }
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult PressMenu(const std::string& name) {
        const std::optional<Accessible> item = Find(game_.Reader().Tree(), "menu item", name);
        if (!item || !game_.Reader().Press(item->path)) {
            return ::testing::AssertionFailure() << "the reader could not press " << name;
        }
        return ::testing::AssertionSuccess();
    }
    // The names the reader reads on the board, in its order.
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const Accessible& cell : CellsOf(game_.Reader().Tree())) {
            names.push_back(cell.name);
        }
        return names;
    }
    ::testing::AssertionResult WaitForNames(const std::vector<std::string>& names) {
        std::vector<std::string> read;
        if (WaitUntil([&] { return (read = Names()) == names; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the reader never read " << Joined(names) << "\n  it reads " << Joined(read);
    }
    // Drops what the reader heard so far.
    void Forget() {
        game_.Reader().Events();
        named_.clear();
        removed_ = 0;
    }
    // Waits until the reader has heard `names` given to cells, in that
    // order, and `removed` cells leave the board, since the last wait; then
    // nothing else may have been heard of either kind.
    ::testing::AssertionResult WaitToHear(const std::vector<std::string>& names, int removed = 0) {
        WaitUntil([&] {
            for (const Heard& heard : game_.Reader().Events()) {
                // The window's new title (which Qt 6.8 sends too) names no cell.
                if (heard.type == "object:property-change:accessible-name" &&
                    heard.detail != FifteenCaption && heard.detail != PairsCaption) {
                    named_.push_back(heard.detail);
                }
                removed_ += heard.type == "object:children-changed:remove" ? 1 : 0;
            }
            return named_.size() >= names.size() && removed_ >= removed;
        });
        const std::vector<std::string> named = named_;
        const int gone = removed_;
        named_.clear();
        removed_ = 0;
        if (named == names && gone == removed) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the reader heard the names " << Joined(named) << " and " << gone
               << " cells leave\n  instead of " << Joined(names) << " and " << removed;
    }

  private:
    GameSession& game_;
    std::vector<std::string> named_;
    int removed_ = 0;
};

} // namespace

// A reader started while the game runs (which Debian 12's Qt misses unless
// the game asks otherwise; with Qt 6.8, one started before it) finds the
// window, reads the board with its places where the screen shows it, and
// plays both games by pressing. On X11 the window is twice the size, so
// places must come in the screen's own pixels.
TEST(ScreenReader, FindsTheRunningGameReadsItAndPlaysIt) {
    GameSession::Options options;
    // Qt 6.8 tells a reader that comes after the game of no change, though
    // it reads the tree all the same; there the reader comes first.
    const bool late = QT_VERSION < QT_VERSION_CHECK(6, 8, 0);
    options.screenReader = late ? ScreenReaderStart::Later : ScreenReaderStart::BeforeTheGame;
    if (options.desktop != DesktopKind::Sway) {
        options.scale = 2;
        options.screen = QSize(1024, 900);
    }
    GameSession game(options);
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    const int scale = game.Scale();
    if (late) {
        game.StartScreenReader();
    }
    Reading reader(game);

    // The window under its title, the menu bar and the board by name, and
    // the sixteen cells in cell order, each a button with a press action.
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
        EXPECT_EQ(cell.description, "ряд " + std::to_string((k - 1) / 4 + 1) + ", столбец " +
                                        std::to_string((k - 1) % 4 + 1));
        EXPECT_EQ(cell.actions, std::vector<std::string>{"Press"}) << "cell " << k;
        EXPECT_EQ(cell.extents,
                  QRect(board->extents.topLeft() + CellCorner(k) * scale, QSize(81, 73) * scale))
            << "the reader's cell " << k << " is not the board's cell " << k;
    }
    // Mouse review finds each cell at its centre and each entry of the menu bar.
    for (int k = 1; k <= 16; ++k) {
        const std::optional<Accessible> found = reader.AtCellCentre(k);
        EXPECT_TRUE(found && found->path == reader.Cell(k).value().path)
            << "at cell " << k << "'s centre the reader finds "
            << (found ? found->role + " " + found->name : "nothing");
    }
    const std::vector<QRect> items = game.MenuBarItems();
    const std::vector<std::string> entries = {"Игра", "Фигуры", "Расставить"};
    ASSERT_EQ(items.size(), entries.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::optional<Accessible> found = reader.At(items[i].center());
        EXPECT_EQ(found ? found->name : "nothing", entries[i]);
    }
    reader.Forget();

    // Each cell announces its tile once; the picture style changes no name,
    // and the reader hears nothing of it.
    ASSERT_TRUE(reader.PressMenu("Расставить"));
    ASSERT_TRUE(game.WaitForBoard(Arranged(1), "arranged"));
    EXPECT_TRUE(reader.WaitForNames(TileNames(Arranged(1))));
    ASSERT_TRUE(reader.PressMenu("Картинка 1"));
    ASSERT_TRUE(game.WaitForBoard(Arranged(FirstPiece), "arranged-picture"));
    EXPECT_TRUE(reader.WaitToHear(TileNames(Arranged(1))));

    ASSERT_TRUE(reader.PressCell(12));
    ASSERT_TRUE(reader.PressCell(16));
    const Layout moved = With(Arranged(FirstPiece), {{12, FirstPiece + 15}, {16, FirstPiece + 11}});
    ASSERT_TRUE(game.WaitForBoard(moved, "moved-by-presses"));
    EXPECT_TRUE(reader.WaitForNames(TileNames(moved)));
    EXPECT_TRUE(reader.WaitToHear({"Пусто", "12"}));

    // Парные картинки sits in a drop-down, pressed without opening it. Cards
    // 7 and 15 make a pair: both turn up, named alike, and leave the board.
    ASSERT_TRUE(reader.PressMenu("Парные картинки"));
    ASSERT_TRUE(game.WaitForTitle(PairsCaption));
    const Layout backs = Backs();
    ASSERT_TRUE(game.WaitForBoard(backs, "pairs-dealt"));
    EXPECT_TRUE(reader.WaitForNames(std::vector<std::string>(16, "Рубашка")));
    EXPECT_TRUE(reader.WaitToHear(std::vector<std::string>(16, "Рубашка")));
    ASSERT_TRUE(reader.PressMenu("Расставить"));
    ASSERT_TRUE(reader.PressCell(7));
    ASSERT_TRUE(game.WaitForBoard(With(backs, {{7, FaceHolder(7)}}), "7-up-by-press"));
    ASSERT_TRUE(reader.PressCell(15));
    ASSERT_TRUE(game.WaitForBoard(With(backs, {{7, 0}, {15, 0}}), "pair-found-by-presses"));
    EXPECT_TRUE(WaitUntil([&] { return CellsOf(game.Reader().Tree()).size() == 14; }));
    EXPECT_FALSE(reader.Cell(7).has_value());
    EXPECT_FALSE(reader.Cell(15).has_value());
    EXPECT_TRUE(reader.WaitToHear({"Малиновая рамка", "Малиновая рамка"}, 2));
    const std::optional<Accessible> hole = reader.AtCellCentre(7);
    EXPECT_EQ(hole ? hole->role : "nothing", "panel") << "where card 7 was lies the board";

    EXPECT_TRUE(game.Process().Running()) << "the game ended during the test";
    EXPECT_EQ(game.StandardError(), "") << "the game wrote to its standard error";
}
