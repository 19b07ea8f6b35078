#include "board_helpers.h"
#include "game.h"
#include "game_fixture.h"
#include "game_state.h"
#include "moves.h"

#include <array>
#include <cstddef>
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

class MoveTest : public GameTest {
  protected:
    void SolvedBoard() { game.Расставить_Click(); }
    std::array<int, CellCount> Board() const { return CellsOf(game.State); }
    // The board after swapping two cells of the solved one.
    static std::array<int, CellCount> SolvedWith(int a, int b) {
        auto cells = Solved();
        std::swap(cells[static_cast<std::size_t>(a - 1)], cells[static_cast<std::size_t>(b - 1)]);
        return cells;
    }
    // Every cell but k is marked if it is next to k, and unmarked if not.
    void ExpectNeighboursMarked(int k) {
        for (int n = 1; n <= CellCount; ++n) {
            if (n != k) {
                EXPECT_EQ(S().MoveTarget(n), IsNeighbour(k, n) ? Marked : Unmarked)
                    << "click " << k << ", cell " << n;
            }
        }
    }
};

} // namespace

TEST(NeighbourTest, CellsShareAnEdgeWithoutWrappingAround) {
    for (int a = 1; a <= CellCount; ++a) {
        for (int b = 1; b <= CellCount; ++b) {
            EXPECT_EQ(AreNeighbours(a, b), IsNeighbour(a, b)) << a << " and " << b;
        }
    }
}

TEST_F(MoveTest, PickUpMarksExactlyTheNeighboursAndLeavesTheCellsOwnMark) {
    SolvedBoard();
    for (int k = 1; k <= CellCount; ++k) {
        S().MoveTarget(k) = static_cast<Word>(k % 2 == 0 ? 5 : 7);
        Click(k);
        EXPECT_EQ(S().HeldTile, S().Cells(k));
        EXPECT_EQ(S().MoveTarget(k), k % 2 == 0 ? 5 : 7) << "cell " << k << " kept its mark";
        ExpectNeighboursMarked(k);
    }
    EXPECT_EQ(Board(), Solved()) << "pick-ups move nothing";
}

// Clicks on the solved board, some of its cells first laid by hand: the
// board they leave and the tile held after them.
TEST_F(MoveTest, ClicksMoveOnlyTheHeldTileIntoAMarkedBlank) {
    using Layout = std::array<int, CellCount>;
    const Layout twelveDown = SolvedWith(12, 16);
    struct Row {
        const char* what;
        std::vector<std::pair<int, int>> laid; // {cell, number} over the solved board
        std::vector<int> clicks;
        Layout board;
        int held;
    };
    const Row rows[] = {
        {"tile 12 down into the blank", {}, {12, 16}, twelveDown, 12},
        {"then 15, not next to cell 12, picks up the blank",
         {},
         {12, 16, 15, 12},
         twelveDown,
         Blank},
        {"then 11 right into the blank",
         {},
         {12, 16, 11, 12},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16, 11, 13, 14, 15, 12},
         11},
        {"a tile away from the blank stays", {}, {6, 16}, Solved(), Blank},
        {"only the last pick-up moves", {}, {15, 12, 16}, twelveDown, 12},
        {"the same tile twice moves nothing", {}, {15, 15}, Solved(), 15},
        // Blank in cell 5 or 4: the tile one cell number away is not next to it.
        {"tile 4 cannot wrap into cell 5",
         {{5, 16}, {16, 5}},
         {4, 5},
         {1, 2, 3, 4, 16, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 5},
         Blank},
        {"tile 5 cannot wrap into cell 4",
         {{4, 16}, {16, 4}},
         {5, 4},
         {1, 2, 3, 16, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 4},
         Blank},
        // A dealt board holds each tile once, so only a hand-set one shows
        // that every other cell holding the held tile gives it up.
        {"a move takes the tile from every cell past the first",
         {{1, 12}},
         {12, 16},
         {16, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 13, 14, 15, 12},
         12},
        // After a move the tile goes back only if its old cell's mark still
        // says True: the pick-up of cell 16 marked cell 12, that of cell 1
        // cleared it.
        {"tile 12 goes back up", {}, {16, 12, 16, 12}, Solved(), 12},
        {"tile 12 cannot go back up", {}, {1, 12, 16, 12}, twelveDown, Blank},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SolvedBoard();
        for (const auto& [k, number] : row.laid) {
            S().Cells(k) = static_cast<Word>(number);
        }
        for (int k : row.clicks) {
            Click(k);
        }
        EXPECT_EQ(Board(), row.board);
        EXPECT_EQ(S().HeldTile, row.held);
    }
}

TEST_F(MoveTest, NothingMovesBeforeTheFirstDeal) {
    for (int k = 1; k <= CellCount; ++k) {
        S().HeldTile = 5;
        Click(k);
        EXPECT_EQ(S().HeldTile, 0) << "the click picked up the empty cell";
        ExpectNeighboursMarked(k);
    }
    EXPECT_EQ(Board(), (std::array<int, CellCount>{}));
}

TEST_F(MoveTest, TheMarkMustBeExactlyTrue) {
    SolvedBoard();
    Click(12);
    S().MoveTarget(16) = 1;
    Click(16);
    EXPECT_EQ(Board(), Solved()) << "a mark of 1 is not True";
    EXPECT_EQ(S().HeldTile, Blank);
}

TEST_F(MoveTest, MoveLooksAtEveryOtherCellPastItsFirstMatch) {
    // A dealt board holds each tile once, so only a hand-set one shows this:
    // every other cell that holds the held tile gives it up, not just the first.
    SolvedBoard();
    S().Cells(1) = 12;
    Clicks(12, 16);
    EXPECT_EQ(S().Cells(16), 12);
    EXPECT_EQ(S().Cells(1), Blank);
    EXPECT_EQ(S().Cells(12), Blank) << "the search stopped at cell 1";
}

TEST_F(MoveTest, AfterAMoveTheTileGoesBackOnlyIfItsOldCellWasMarkedBefore) {
    SolvedBoard();
    Clicks(16, 12, 16); // the pick-up of cell 16 marked cell 12
    EXPECT_EQ(Board(), SolvedWith(12, 16));
    Click(12);
    EXPECT_EQ(Board(), Solved()) << "cell 12's own mark still said True";

    SolvedBoard();
    Clicks(1, 12, 16); // the pick-up of cell 1 cleared cell 12's mark
    Click(12);
    EXPECT_EQ(Board(), SolvedWith(12, 16));
    EXPECT_EQ(S().HeldTile, Blank) << "the click picked up the blank instead";
}

TEST_F(MoveTest, PickUpSurvivesArrangeAndNewGame) {
    SolvedBoard();
    Clicks(15, 12, 16, 15); // holding tile 15 from cell 15, cell 16 marked
    ASSERT_EQ(S().HeldTile, 15);
    game.Расставить_Click();
    Click(16);
    EXPECT_EQ(Board(), SolvedWith(15, 16)) << "the held tile 15 moved in after arranging";

    Click(12); // hold tile 12, cell 16 marked
    game.Новая_Click();
    const auto dealt = Board();
    int from = 0;
    for (int j = 1; j <= 15; ++j) {
        from = dealt[static_cast<std::size_t>(j - 1)] == 12 ? j : from;
    }
    ASSERT_NE(from, 0);
    Click(16);
    EXPECT_EQ(S().Cells(16), 12) << "tile 12 came into cell 16 from wherever the deal put it";
    EXPECT_EQ(S().Cells(from), Blank);
}

TEST_F(MoveTest, PairsClicksMoveNothingButSetThePickUp) {
    game.Парные_картинки_Click();
    const auto dealt = Board();
    for (int k : {16, 12, 16, 3}) {
        S().MoveTarget(k) = Marked;
        Click(k);
        EXPECT_EQ(S().HeldTile, S().Cells(k));
    }
    EXPECT_EQ(Board(), dealt);
    game.Двигушки_Click();
    EXPECT_EQ(S().HeldTile, dealt[2]) << "the pick-up from the pairs game carries over";
    EXPECT_EQ(S().MoveTarget(4), Marked);
    EXPECT_EQ(S().MoveTarget(5), Unmarked);
}

TEST_F(MoveTest, EachCellHandlerPicksUpAndMovesFromItsOwnCell) {
    auto handler = [this](int k) {
        return [this, k] { (game.*CellClickHandlers[static_cast<std::size_t>(k - 1)])(); };
    };
    SolvedBoard();
    // From the blank backwards, so that every click is a pick-up.
    for (int k = CellCount; k >= 1; --k) {
        handler(k)();
        EXPECT_EQ(S().HeldTile, k) << "Image" << 16 + k << "_Click";
    }

    // The blank walks through every cell and back, so that every cell gives
    // up a tile and takes one in.
    auto expected = Solved();
    int blank = 16;
    for (int next : {15, 14, 13, 9, 10, 11, 12, 8,  7,  6,  5, 1,  2,  3,  4,
                     3,  2,  1,  5, 6,  7,  8,  12, 11, 10, 9, 13, 14, 15, 16}) {
        handler(next)();
        handler(blank)();
        std::swap(expected[static_cast<std::size_t>(next - 1)],
                  expected[static_cast<std::size_t>(blank - 1)]);
        blank = next;
        ASSERT_EQ(Board(), expected) << "the blank should now be in cell " << blank;
    }
}
