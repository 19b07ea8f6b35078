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
        for (int n = 1; n <= CellCount; ++n) {
            if (n == k) {
                EXPECT_EQ(S().MoveTarget(n), k % 2 == 0 ? 5 : 7)
                    << "cell " << k << " kept its mark";
            } else {
                EXPECT_EQ(S().MoveTarget(n), IsNeighbour(k, n) ? Marked : Unmarked)
                    << "click " << k << ", cell " << n;
            }
        }
    }
    EXPECT_EQ(Board(), Solved()) << "pick-ups move nothing";
}

TEST_F(MoveTest, SlidesAroundTheBottomRightCorner) {
    SolvedBoard();
    Clicks(12, 16);
    EXPECT_EQ(Board(), SolvedWith(12, 16)) << "tile 12 moves down into the blank";

    Clicks(15, 12);
    EXPECT_EQ(Board(), SolvedWith(12, 16)) << "cell 12 is not next to cell 15";
    EXPECT_EQ(S().HeldTile, Blank) << "the second click picked up the blank";

    Clicks(11, 12);
    auto expected = SolvedWith(12, 16);
    std::swap(expected[10], expected[11]);
    EXPECT_EQ(Board(), expected) << "tile 11 moves right into the blank";
}

TEST_F(MoveTest, TileAwayFromTheBlankCannotMoveIntoIt) {
    SolvedBoard();
    Clicks(6, 16);
    EXPECT_EQ(Board(), Solved());
    EXPECT_EQ(S().HeldTile, Blank);
    EXPECT_EQ(S().MoveTarget(12), Marked);
    EXPECT_EQ(S().MoveTarget(15), Marked);
}

TEST_F(MoveTest, OnlyTheLastPickUpCanMove) {
    SolvedBoard();
    Clicks(15, 12, 16);
    EXPECT_EQ(Board(), SolvedWith(12, 16)) << "tile 12, picked up second, moved";
}

TEST_F(MoveTest, SameTileTwiceMovesNothing) {
    SolvedBoard();
    Clicks(15, 15);
    EXPECT_EQ(Board(), Solved());
    EXPECT_EQ(S().HeldTile, 15);
}

TEST_F(MoveTest, RowEdgesDoNotJoin) {
    // Blank in cell 5, tile 5 in cell 16: tile 4 is one cell number away.
    SolvedBoard();
    std::swap(S().Cells(5), S().Cells(16));
    Clicks(4, 5);
    EXPECT_EQ(S().Cells(4), 4);
    EXPECT_EQ(S().Cells(5), Blank);

    // Blank in cell 4: tile 5 cannot climb back over the edge either.
    SolvedBoard();
    std::swap(S().Cells(4), S().Cells(16));
    Clicks(5, 4);
    EXPECT_EQ(S().Cells(5), 5);
    EXPECT_EQ(S().Cells(4), Blank);
}

TEST_F(MoveTest, NothingMovesBeforeTheFirstDeal) {
    for (int k = 1; k <= CellCount; ++k) {
        S().HeldTile = 5;
        Click(k);
        EXPECT_EQ(S().HeldTile, 0) << "the click picked up the empty cell";
        for (int n = 1; n <= CellCount; ++n) {
            if (n != k) {
                EXPECT_EQ(S().MoveTarget(n), IsNeighbour(k, n) ? Marked : Unmarked);
            }
        }
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
