#include "board_helpers.h"
#include "board_refresh.h"
#include "game.h"
#include "game_fixture.h"
#include "game_state.h"
#include "overflow.h"
#include "recording_board.h"
#include "scripted_random.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

TEST(GameStateTest, ComesIntoBeingAllZeros) {
    const GameState state;
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(state.Cells(k), 0);
        EXPECT_EQ(state.MoveTarget(k), 0);
        EXPECT_EQ(state.FaceShown(k), 0);
    }
    EXPECT_EQ(state.TileStyle, 0);
    EXPECT_EQ(state.GameMode, 0);
    EXPECT_EQ(state.HeldTile, 0);
    EXPECT_EQ(state.FlipCount, 0);
    EXPECT_EQ(state.PairTicks, 0);
}

// The game as the window starts it: the fifteen puzzle in digit tiles,
// nothing dealt, and no control touched.
TEST_F(GameTest, LoadSetsFifteenPuzzleWithDigitTilesAndNothingElse) {
    GameState expected;
    expected.TileStyle = 1; // digit tiles
    expected.GameMode = 1;  // the fifteen puzzle
    EXPECT_EQ(S(), expected);
    EXPECT_TRUE(board.calls.empty()) << "loading touches no control";
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

// A handler that meets a run-time error (an overflowing counter, or a board
// call that fails as a window's control can) stops there, and what it had
// written before stays.
TEST(RunTimeErrorTest, StopsTheHandlerWithWhatItHadWritten) {
    // Runs the handler on a board whose n-th call from now fails (none for 0).
    auto stops = [](Session& s, int failingCall, const std::function<void()>& handler) {
        s.board.calls.clear();
        s.board.FailCall(failingCall);
        EXPECT_THROW(handler(), RunTimeError);
    };

    Session overflow;
    overflow.KnownPairs();
    overflow.S().FlipCount = 32767;
    stops(overflow, 0, [&] { overflow.Click(6); });
    EXPECT_EQ(overflow.S().HeldTile, 6) << "the pick-up before the failure stays";
    EXPECT_EQ(overflow.S().FlipCount, 32767);
    EXPECT_TRUE(overflow.board.calls.empty());

    Session turnDown;
    turnDown.KnownPairs();
    turnDown.Clicks(5, 13);
    stops(turnDown, 5, [&] { turnDown.Click(1); }); // cell 5's back fails
    EXPECT_EQ(turnDown.S().FlipCount, 1) << "the new turn had begun";
    EXPECT_EQ(turnDown.board.calls.size(), 4u) << "cells 1 to 4 were turned";
    EXPECT_EQ(turnDown.S().FaceShown(5), 5) << "cell 5 was not";

    Session face;
    face.KnownPairs();
    face.S().FaceShown(3) = 7;
    stops(face, 1, [&] { face.Click(3); });
    EXPECT_EQ(face.S().FlipCount, 1);
    EXPECT_EQ(face.S().FaceShown(3), 7) << "a face is recorded once it shows";

    Session caption;
    caption.KnownPairs();
    caption.S().PairTicks = 10;
    stops(caption, 1, [&] { caption.Ticks(); });
    EXPECT_EQ(caption.S().PairTicks, 11) << "the tick counted before the caption";

    Session hide;
    hide.KnownPairs();
    hide.Clicks(2, 10);
    hide.S().PairTicks = 50;
    stops(hide, 2, [&] { hide.Ticks(); }); // after the caption
    EXPECT_EQ(hide.S().PairTicks, 51) << "the count restarts only after hiding";

    // An odd shuffle: the deal swaps its last two tiles before it shows the cells.
    Session fifteen(DrawsFor({2, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 0}, 16));
    fifteen.S().GameMode = 2;
    stops(fifteen, 1, [&] { fifteen.game.Двигушки_Click(); });
    EXPECT_EQ(fifteen.S().GameMode, 1);
    EXPECT_EQ(CellsOf(fifteen.S()),
              (std::array<int, CellCount>{2, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 14, 16}));

    Session dealt(DrawsFor({5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 0}, 17));
    stops(dealt, 1, [&] { dealt.game.Парные_картинки_Click(); }); // the first card back
    EXPECT_EQ(dealt.S().GameMode, 2);
    EXPECT_EQ(CellsOf(dealt.S()),
              (std::array<int, CellCount>{5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4}));
}
