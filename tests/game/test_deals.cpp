#include "clock_random.h"
#include "deals.h"
#include "game_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace {

using Call = RecordingBoard::Call;

std::vector<float> DrawsFor(std::initializer_list<int> xs, int range) {
    std::vector<float> values;
    for (int x : xs) {
        values.push_back(Drawing(x, range));
    }
    return values;
}

void ExpectFifteenDeal(const GameState& state) {
    auto cells = CellsOf(state);
    EXPECT_EQ(cells[15], Blank) << "the blank starts bottom right";
    std::sort(cells.begin(), cells.begin() + 15);
    for (int k = 1; k <= 15; ++k) {
        EXPECT_EQ(cells[static_cast<std::size_t>(k - 1)], k) << "tiles 1 to 15 once each";
    }
}

void ExpectPairsDeal(const GameState& state, const RecordingBoard& board) {
    auto cells = CellsOf(state);
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(cells, Solved()) << "numbers 1 to 16 once each";
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(state.FaceShown(k), 0);
        EXPECT_EQ(board.Picture(k), CardBack);
        EXPECT_TRUE(board.Visible(k));
    }
}

class DealTest : public GameTest {};

} // namespace

TEST_F(DealTest, ScriptedFifteenDealFollowsItsFirstPassesStepByStep) {
    // 0.5 and 0.5 draw 8 twice, 0.0 draws 0, 0.07 draws 1 (0.07 x 16 = 1.12).
    ScriptedRandom scripted({0.5f, 0.5f, 0.0f, 0.07f});
    scripted.StopWhenDone();
    EXPECT_THROW(DealFifteen(S(), board, scripted), ScriptedRandom::RanOut);
    // Pass 1 put 8 in cell 1 and the blank in cell 16; pass 2 drew 8 again
    // (in cell 1), then 0 (cell 2 still empty), then placed 1 in cell 2.
    EXPECT_EQ(CellsOf(S()),
              (std::array<int, CellCount>{8, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16}));
    EXPECT_EQ(scripted.reseeds, 3) << "one reseed a pass, none for a redraw";
    EXPECT_EQ(scripted.draws, 5) << "pass 3 reseeded and ran out on its first draw";
}

TEST_F(DealTest, LastTwoPassesOfAFifteenDealPlaceNothing) {
    // Fifteen draws of 1..15 in order fill cells 1..15. Then passes 16 and 17
    // see 5 rejected and 0 accepted with nowhere to go.
    auto script = DrawsFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 5, 0, 5, 5, 0}, 16);
    ScriptedRandom scripted(script);
    DealFifteen(S(), board, scripted);
    EXPECT_EQ(CellsOf(S()), Solved()) << "an ordered deal is not dealt again";
    EXPECT_EQ(scripted.draws, 20);
    EXPECT_EQ(scripted.reseeds, 17);
}

TEST_F(DealTest, FifteenDealClearsTheBoardFirstAndShowsEveryCellLast) {
    S().Cells(16) = 3; // left over from a pairs board
    board.SetCellVisible(7, false);
    board.calls.clear();
    game.Новая_Click();
    ExpectFifteenDeal(S());
    std::vector<Call> shown;
    for (int k = 1; k <= CellCount; ++k) {
        shown.push_back({Call::Visible, k, 1});
    }
    EXPECT_EQ(board.calls, shown) << "no pictures: the next tick draws the tiles";
}

TEST_F(DealTest, OddShuffleHasItsLastTwoTilesSwapped) {
    // 2 1 3 4 ... 15 has one inversion and cannot be solved as dealt.
    ScriptedRandom scripted(
        DrawsFor({2, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 0}, 16));
    DealFifteen(S(), board, scripted);
    EXPECT_EQ(CellsOf(S()),
              (std::array<int, CellCount>{2, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 14, 16}));
    EXPECT_TRUE(IsSolvableWithBlankLast(S()));

    // An even shuffle stays exactly as drawn.
    ScriptedRandom even(DrawsFor({2, 1, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 0}, 16));
    DealFifteen(S(), board, even);
    EXPECT_EQ(CellsOf(S()),
              (std::array<int, CellCount>{2, 1, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST(SolvabilityTest, CountsInversionsOfTheFirstFifteenCells) {
    GameState state;
    Lay(state, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_TRUE(IsSolvableWithBlankLast(state));
    Lay(state, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 14, 16});
    EXPECT_FALSE(IsSolvableWithBlankLast(state)) << "the famous unsolvable fourteen-fifteen";
    Lay(state, {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 16});
    EXPECT_FALSE(IsSolvableWithBlankLast(state)) << "105 inversions";
    Lay(state, {2, 3, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_TRUE(IsSolvableWithBlankLast(state)) << "a three-cycle is even";
}

TEST_F(DealTest, PairsDealPlacesEachNumberOnceAndTurnsEveryCardDown) {
    auto script = DrawsFor({0, 9, 9, 4}, 17); // 0 and the repeated 9 are drawn again
    ScriptedRandom scripted(script);
    Game pairs(board, scripted);
    pairs.Form_Load();
    pairs.State.GameMode = PairsGame;
    for (int k = 1; k <= CellCount; ++k) {
        pairs.State.FaceShown(k) = static_cast<Word>(k % 9);
        board.SetCellVisible(k, k % 3 != 0);
    }
    board.calls.clear();
    pairs.Новая_Click();
    EXPECT_EQ(pairs.State.Cells(1), 9);
    EXPECT_EQ(pairs.State.Cells(2), 4);
    ExpectPairsDeal(pairs.State, board);
    EXPECT_EQ(scripted.reseeds, 17);

    // Backs first, cell by cell, then every cell shown, cell by cell.
    ASSERT_EQ(board.calls.size(), 32u);
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(board.calls[static_cast<std::size_t>(k - 1)], (Call{Call::Picture, k, CardBack}));
        EXPECT_EQ(board.calls[static_cast<std::size_t>(k + 15)], (Call{Call::Visible, k, 1}));
    }
}

TEST_F(DealTest, NewGameDealsTheCurrentGameAndResetsNothingElse) {
    game.Расставить_Click();
    Click(12);
    S().FlipCount = 1;
    S().PairTicks = 37;
    S().TileStyle = PictureTiles;
    const GameState before = S();

    game.Новая_Click();
    EXPECT_EQ(S().GameMode, FifteenPuzzle);
    EXPECT_EQ(S().HeldTile, before.HeldTile);
    EXPECT_EQ(S().MoveTarget, before.MoveTarget);
    EXPECT_EQ(S().FlipCount, 1);
    EXPECT_EQ(S().PairTicks, 37);
    EXPECT_EQ(S().TileStyle, PictureTiles);
    EXPECT_EQ(S().FaceShown, before.FaceShown) << "a fifteen deal leaves the faces alone";

    game.Парные_картинки_Click();
    game.Новая_Click();
    EXPECT_EQ(S().GameMode, PairsGame);
    ExpectPairsDeal(S(), board);
    EXPECT_EQ(S().FlipCount, 1);
    EXPECT_EQ(S().PairTicks, 37);
}

TEST_F(DealTest, GameSwitchesSetTheModeAndAlwaysDeal) {
    game.Двигушки_Click();
    EXPECT_EQ(S().GameMode, FifteenPuzzle);
    ExpectFifteenDeal(S());

    game.Парные_картинки_Click();
    EXPECT_EQ(S().GameMode, PairsGame);
    ExpectPairsDeal(S(), board);

    // Choosing the current game deals again.
    S().FaceShown(3) = 2;
    board.SetCellVisible(3, false);
    board.SetCellPicture(4, FirstFace);
    game.Парные_картинки_Click();
    ExpectPairsDeal(S(), board);

    board.SetCellVisible(5, false);
    game.Двигушки_Click();
    EXPECT_EQ(S().GameMode, FifteenPuzzle);
    ExpectFifteenDeal(S());
    EXPECT_TRUE(board.Visible(5));
    EXPECT_EQ(board.Picture(5), CardBack) << "card pictures stay until the next tick";
}

TEST(RealDealTest, ThousandsOfDealsAreAllSolvable) {
    ClockRandom random;
    RecordingBoard board;
    GameState state;
    for (int deal = 0; deal < 5000; ++deal) {
        DealFifteen(state, board, random);
        auto cells = CellsOf(state);
        ASSERT_EQ(cells[15], Blank);
        std::sort(cells.begin(), cells.begin() + 15);
        ASSERT_TRUE(std::equal(cells.begin(), cells.begin() + 15, Solved().begin()));
        ASSERT_TRUE(IsSolvableWithBlankLast(state)) << "deal " << deal;
    }
}

TEST(RealDealTest, EveryTileLandsInEveryCellAboutEquallyOften) {
    ClockRandom random;
    RecordingBoard board;
    GameState state;
    constexpr int Deals = 15000;
    std::array<std::array<int, 15>, 15> seen{}; // [tile][cell]
    for (int deal = 0; deal < Deals; ++deal) {
        DealFifteen(state, board, random);
        for (int k = 1; k <= 15; ++k) {
            ++seen[static_cast<std::size_t>(state.Cells(k) - 1)][static_cast<std::size_t>(k - 1)];
        }
    }
    // 225 cells of a table with 196 degrees of freedom: the chi-square
    // statistic has mean 196 and a standard deviation near 20, so a bound of
    // 400 is ten deviations out and never trips by chance, yet a shuffle that
    // favours any cell or tile by a few per cent blows well past it.
    const double expected = Deals / 15.0;
    double chiSquare = 0;
    for (const auto& tile : seen) {
        for (int count : tile) {
            chiSquare += (count - expected) * (count - expected) / expected;
        }
    }
    EXPECT_LT(chiSquare, 400.0);
}

TEST(RealDealTest, NextValueStaysBelowOne) {
    ClockRandom random;
    float highest = 0;
    for (int i = 0; i < 200000; ++i) {
        if (i % 1000 == 0) {
            random.rtcRandomize();
        }
        const float value = random.rtcRandomNext(16);
        ASSERT_GE(value, 0.0f);
        ASSERT_LT(value, 1.0f);
        ASSERT_LT(static_cast<int>(value * 17.0f), 17);
        highest = std::max(highest, value);
    }
    EXPECT_GT(highest, 0.999f);
}

TEST(RealDealTest, ReseedsInQuickSuccessionDoNotReplayTheSequence) {
    ClockRandom random;
    std::set<float> firsts;
    for (int i = 0; i < 100; ++i) {
        random.rtcRandomize();
        firsts.insert(random.rtcRandomNext(16));
    }
    EXPECT_GT(firsts.size(), 95u);
}
