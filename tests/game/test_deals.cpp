#include "board_helpers.h"
#include "clock_random.h"
#include "deals.h"
#include "game.h"
#include "game_fixture.h"
#include "game_state.h"
#include "recording_board.h"
#include "scripted_random.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <ios>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Call = RecordingBoard::Call;

void ExpectFifteenDeal(const GameState& state) {
    auto cells = CellsOf(state);
    EXPECT_TRUE(SlidesBackToOrder(cells));
    EXPECT_EQ(cells[15], Blank) << "the blank starts bottom right";
    std::sort(cells.begin(), cells.begin() + 15);
    EXPECT_EQ(cells, Solved()) << "tiles 1 to 15 once each";
}

void ExpectPairsDeal(const GameState& state, const RecordingBoard& board) {
    auto cells = CellsOf(state);
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(cells, Solved()) << "numbers 1 to 16 once each";
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(state.FaceShown(k), 0);
        EXPECT_EQ(board.Picture(k), facts::CardBack);
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
    EXPECT_TRUE(SlidesBackToOrder(CellsOf(S())));

    // An even shuffle stays exactly as drawn.
    ScriptedRandom even(DrawsFor({2, 1, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 0}, 16));
    DealFifteen(S(), board, even);
    EXPECT_EQ(CellsOf(S()),
              (std::array<int, CellCount>{2, 1, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST(SolvabilityTest, AgreesWithTheSlidingParityOnEveryBoard) {
    const std::array<std::pair<std::array<int, CellCount>, bool>, 4> known = {{
        {Solved(), true},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 14, 16}, false}, // fourteen-fifteen
        {{15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 16}, false}, // 105 inversions
        {{2, 3, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, true},  // a three-cycle
    }};
    GameState state;
    for (const auto& [cells, solvable] : known) {
        for (int k = 1; k <= CellCount; ++k) {
            state.Cells(k) = static_cast<Word>(cells[static_cast<std::size_t>(k - 1)]);
        }
        EXPECT_EQ(SlidesBackToOrder(cells), solvable);
        EXPECT_EQ(IsSolvableWithBlankLast(state), solvable);
    }
    // And on shuffles of all kinds, against the independent judgement.
    std::mt19937 shuffler(2024);
    for (int round = 0; round < 2000; ++round) {
        auto cells = Solved();
        std::shuffle(cells.begin(), cells.begin() + 15, shuffler);
        for (int k = 1; k <= CellCount; ++k) {
            state.Cells(k) = static_cast<Word>(cells[static_cast<std::size_t>(k - 1)]);
        }
        ASSERT_EQ(IsSolvableWithBlankLast(state), SlidesBackToOrder(cells)) << round;
    }
}

TEST(PairsDealTest, PlacesEachNumberOnceAndTurnsEveryCardDown) {
    Session pairs(DrawsFor({0, 9, 9, 4}, 17)); // 0 and the repeated 9 are drawn again
    pairs.S().GameMode = PairsGame;
    // A board in play: the deal must clear it before it deals.
    pairs.game.Расставить_Click();
    for (int k = 1; k <= CellCount; ++k) {
        pairs.S().FaceShown(k) = static_cast<Word>(k % 9);
        pairs.board.SetCellVisible(k, k % 3 != 0);
    }
    RecordingBoard& board = pairs.board;
    board.calls.clear();
    pairs.game.Новая_Click();
    EXPECT_EQ(pairs.S().Cells(1), 9);
    EXPECT_EQ(pairs.S().Cells(2), 4);
    ExpectPairsDeal(pairs.S(), board);
    EXPECT_EQ(pairs.random.reseeds, 17);

    // Backs first, cell by cell, then every cell shown, cell by cell.
    ASSERT_EQ(board.calls.size(), 32u);
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(board.calls[static_cast<std::size_t>(k - 1)],
                  (Call{Call::Picture, k, facts::CardBack}));
        EXPECT_EQ(board.calls[static_cast<std::size_t>(k + 15)], (Call{Call::Visible, k, 1}));
    }
}

TEST_F(DealTest, NewGameDealsTheCurrentGameAndResetsNothingElse) {
    game.Расставить_Click();
    Click(12);
    S().FaceShown(3) = 4;
    S().FaceShown(11) = 4;
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
    board.SetCellPicture(4, facts::FaceHolder(1));
    game.Парные_картинки_Click();
    ExpectPairsDeal(S(), board);

    board.SetCellVisible(5, false);
    game.Двигушки_Click();
    EXPECT_EQ(S().GameMode, FifteenPuzzle);
    ExpectFifteenDeal(S());
    EXPECT_TRUE(board.Visible(5));
    EXPECT_EQ(board.Picture(5), facts::CardBack) << "card pictures stay until the next tick";
}

TEST(RealDealTest, ThousandsOfDealsAreAllSolvable) {
    ClockRandom random;
    RecordingBoard board;
    GameState state;
    for (int deal = 0; deal < 5000; ++deal) {
        DealFifteen(state, board, random);
        ExpectFifteenDeal(state);
        ASSERT_FALSE(HasFailure()) << "deal " << deal;
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

TEST(RealDealTest, NextValueIsTheTopOfAWordAndStaysBelowOne) {
    const std::array<std::pair<std::uint32_t, float>, 5> words = {{
        {0, 0.0f},
        {0xff, 0.0f}, // the low eight bits do not count
        {0x100, 0x1p-24f},
        {0x80000000u, 0.5f},
        {0xffffffffu, 1.0f - 0x1p-24f}, // so a deal over 17 draws at most 16
    }};
    for (const auto& [word, value] : words) {
        EXPECT_EQ(ClockRandom::UnitFromWord(word), value) << std::hex << word;
    }
}

TEST(RealDealTest, ReseedsTakeTheClockAndDoNotReplayTheSequence) {
    // Games started at different moments deal differently: the clock, not
    // only the engine, seeds the first deal.
    ClockRandom first;
    first.rtcRandomize();
    const float dealt = first.rtcRandomNext(16);
    bool differs = false;
    for (int i = 0; i < 100000 && !differs; ++i) {
        ClockRandom later;
        later.rtcRandomize();
        differs = later.rtcRandomNext(16) != dealt;
    }
    EXPECT_TRUE(differs) << "every new generator deals the same";

    // Reseeds in quick succession within one game move the sequence on.
    ClockRandom random;
    std::set<float> firsts;
    for (int i = 0; i < 100; ++i) {
        random.rtcRandomize();
        firsts.insert(random.rtcRandomNext(16));
    }
    EXPECT_GT(firsts.size(), 95u);
}
