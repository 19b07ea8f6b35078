#include "game_fixture.h"
#include "overflow.h"

#include <gtest/gtest.h>

TEST(GameStateTest, ComesIntoBeingAllZeros) {
    const GameState state;
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(state.Cells(k), 0);
        EXPECT_EQ(state.MoveTarget(k), False);
        EXPECT_EQ(state.FaceShown(k), 0);
    }
    EXPECT_EQ(state.TileStyle, 0);
    EXPECT_EQ(state.GameMode, 0);
    EXPECT_EQ(state.HeldTile, 0);
    EXPECT_EQ(state.FlipCount, 0);
    EXPECT_EQ(state.PairTicks, 0);
}

TEST(GameStateTest, FormLoadSetsFifteenPuzzleWithDigitTilesAndNothingElse) {
    GameState state;
    Form_Load(state);
    GameState expected;
    expected.TileStyle = DigitTiles;
    expected.GameMode = FifteenPuzzle;
    EXPECT_EQ(state, expected);
}

TEST(GameStateTest, CellsAreNumberedOneToSixteenAndNoFurther) {
    GameState state;
    state.Cells(1) = 7;
    state.Cells(16) = 9;
    EXPECT_EQ(CellsOf(state)[0], 7);
    EXPECT_EQ(CellsOf(state)[15], 9);
    EXPECT_THROW(state.Cells(0), std::out_of_range);
    EXPECT_THROW(state.Cells(17), std::out_of_range);
}

TEST(GameStateTest, CheckedAdditionStopsAtTheEdgesOfSixteenBits) {
    EXPECT_EQ(AddChecked(2, 1), 3);
    EXPECT_EQ(AddChecked(32766, 1), 32767);
    EXPECT_EQ(AddChecked(-32767, -1), -32768);
    EXPECT_THROW(AddChecked(32767, 1), RunTimeError);
    EXPECT_THROW(AddChecked(-32768, -1), RunTimeError);
}

TEST_F(GameTest, StartsUndealtInTheFifteenPuzzle) {
    EXPECT_EQ(S().GameMode, FifteenPuzzle);
    EXPECT_EQ(S().TileStyle, DigitTiles);
    EXPECT_EQ(CellsOf(S()), (std::array<int, CellCount>{}));
    EXPECT_TRUE(board.calls.empty()) << "loading touches no control";
}

TEST_F(GameTest, OverflowingTurnCountStopsTheClickWithTheMoveRuleAlreadyApplied) {
    game.Парные_картинки_Click();
    S().FlipCount = 32767;
    board.calls.clear();
    EXPECT_THROW(Click(6), RunTimeError);
    EXPECT_EQ(S().HeldTile, S().Cells(6)) << "the pick-up before the failure stays";
    EXPECT_EQ(S().FlipCount, 32767);
    EXPECT_TRUE(board.calls.empty());
}
