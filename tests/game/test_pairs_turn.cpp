#include "board_helpers.h"
#include "game.h"
#include "game_fixture.h"
#include "game_state.h"
#include "recording_board.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

class PairsTurnTest : public GameTest {
  protected:
    PairsTurnTest() { KnownPairs(); }

    int FaceUpCount() const {
        int up = 0;
        for (int k = 1; k <= CellCount; ++k) {
            up += game.State.FaceShown(k) != 0 ? 1 : 0;
        }
        return up;
    }
};

} // namespace

TEST_F(PairsTurnTest, EveryCardShowsItsOwnFace) {
    for (int v = 1; v <= 16; ++v) {
        Click(v); // cell v holds card v
        EXPECT_EQ(board.Picture(v), facts::FaceHolder(v)) << "card " << v;
        EXPECT_EQ(S().FaceShown(v), facts::FaceHolder(v) - facts::CardBack) << "card " << v;
    }
}

TEST_F(PairsTurnTest, TwoCardsATurnAndTheThirdClickTurnsAllDown) {
    Click(1);
    EXPECT_EQ(S().FlipCount, 1);
    EXPECT_EQ(board.Picture(1), facts::FaceHolder(1));
    EXPECT_EQ(S().FaceShown(1), 1);

    Click(2);
    EXPECT_EQ(S().FlipCount, 2);
    EXPECT_EQ(board.Picture(2), facts::FaceHolder(2));
    EXPECT_EQ(FaceUpCount(), 2);

    board.calls.clear();
    Click(11);
    EXPECT_EQ(S().FlipCount, 1);
    ASSERT_EQ(board.calls.size(), 17u) << "sixteen backs in cell order, then the new card";
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(board.calls[static_cast<std::size_t>(k - 1)],
                  (RecordingBoard::Call{RecordingBoard::Call::Picture, k, facts::CardBack}));
    }
    EXPECT_EQ(board.calls.back(),
              (RecordingBoard::Call{RecordingBoard::Call::Picture, 11, facts::FaceHolder(11)}));
    EXPECT_EQ(FaceUpCount(), 1);
    EXPECT_EQ(S().FaceShown(11), 3);

    Click(4);
    EXPECT_EQ(S().FlipCount, 2);
    EXPECT_EQ(FaceUpCount(), 2);
    Click(5);
    EXPECT_EQ(S().FlipCount, 1);
    EXPECT_EQ(FaceUpCount(), 1);
    EXPECT_EQ(board.Picture(11), facts::CardBack);
    EXPECT_EQ(board.Picture(5), facts::FaceHolder(5));
}

TEST_F(PairsTurnTest, SameCardTwiceIsTwoClicksWithOneCardUp) {
    Clicks(6, 6);
    EXPECT_EQ(S().FlipCount, 2);
    EXPECT_EQ(FaceUpCount(), 1) << "one card cannot make a pair";
    EXPECT_EQ(board.Picture(6), facts::FaceHolder(6));
}

TEST_F(PairsTurnTest, NewTurnOnAFaceUpCardTurnsItDownAndUpAgain) {
    Clicks(3, 7);
    board.calls.clear();
    Click(7);
    EXPECT_EQ(board.calls[6],
              (RecordingBoard::Call{RecordingBoard::Call::Picture, 7, facts::CardBack}));
    EXPECT_EQ(board.Picture(7), facts::FaceHolder(7));
    EXPECT_EQ(S().FaceShown(7), 7);
    EXPECT_EQ(S().FaceShown(3), 0);
}

TEST_F(PairsTurnTest, NewBoardCarriesTheTurnCountOver) {
    Click(1);
    ASSERT_EQ(S().FlipCount, 1);
    game.Новая_Click();
    EXPECT_EQ(S().FlipCount, 1);
    Click(2);
    EXPECT_EQ(S().FlipCount, 2) << "the first card on the new board is the turn's second";
    EXPECT_EQ(FaceUpCount(), 1);
    Click(3);
    EXPECT_EQ(S().FlipCount, 1);
    EXPECT_EQ(board.Picture(2), facts::CardBack) << "the second click already starts a new turn";
}

TEST_F(PairsTurnTest, NumberOutsideTheDeckShowsNothingButStillCounts) {
    // Two numbers no card has, clicked one after the other.
    Word flips = 0;
    for (const auto& [k, number] : {std::pair{5, 0}, std::pair{6, 17}}) {
        S().Cells(k) = static_cast<Word>(number);
        S().FaceShown(k) = 4;
        Click(k);
        EXPECT_EQ(S().FlipCount, ++flips) << "number " << number;
        EXPECT_EQ(S().FaceShown(k), 4) << "number " << number;
        EXPECT_TRUE(board.calls.empty()) << "number " << number;
    }
}

TEST_F(PairsTurnTest, FifteenPuzzleClicksDoNotTurnCards) {
    game.Двигушки_Click();
    S().FlipCount = 1;
    board.calls.clear();
    Clicks(1, 2, 3);
    EXPECT_EQ(S().FlipCount, 1);
    EXPECT_TRUE(board.calls.empty());
}
