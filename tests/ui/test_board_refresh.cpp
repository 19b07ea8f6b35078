#include "board_helpers.h"
#include "game_fixture.h"
#include "game_state.h"
#include "recording_board.h"

#include <algorithm>
#include <cstddef>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Call = RecordingBoard::Call;

std::vector<int> HiddenCells(const RecordingBoard& board) {
    std::vector<int> hidden;
    for (int k = 1; k <= CellCount; ++k) {
        if (!board.Visible(k)) {
            hidden.push_back(k);
        }
    }
    return hidden;
}

class RefreshTest : public GameTest {};

} // namespace

TEST_F(RefreshTest, EveryTileInEveryCellShowsItsOwnPictureInBothStyles) {
    for (Word style : {DigitTiles, PictureTiles}) {
        S().TileStyle = style;
        const int first = style == DigitTiles ? 1 : facts::FirstPiece;
        for (int shift = 0; shift < 16; ++shift) {
            for (int k = 1; k <= CellCount; ++k) {
                S().Cells(k) = static_cast<Word>((k - 1 + shift) % 16 + 1);
            }
            board.calls.clear();
            Ticks();
            ASSERT_EQ(board.calls.size(), 17u) << "the caption, then one picture a cell";
            EXPECT_EQ(board.calls[0].kind, Call::Caption);
            for (int k = 1; k <= CellCount; ++k) {
                EXPECT_EQ(board.calls[static_cast<std::size_t>(k)],
                          (Call{Call::Picture, k, first - 1 + S().Cells(k)}))
                    << "style " << style << ", cell " << k;
            }
        }
    }
}

TEST_F(RefreshTest, MovedTileShowsInItsNewCellAtTheNextTick) {
    game.Расставить_Click();
    Ticks();
    Clicks(15, 16);
    EXPECT_EQ(board.Picture(16), 16) << "the rules draw nothing themselves";
    Ticks();
    EXPECT_EQ(board.Picture(16), 15);
    EXPECT_EQ(board.Picture(15), 16);
}

TEST_F(RefreshTest, UndealtBoardGetsOnlyTheCaption) {
    Ticks(3);
    EXPECT_EQ(board.Caption(), FifteenCaption);
    EXPECT_EQ(board.calls, (std::vector<Call>(3, Call{Call::Caption, 0, 0})));

    // A cell without a tile number keeps whatever it shows.
    game.Расставить_Click();
    Ticks();
    S().Cells(4) = 0;
    S().Cells(5) = 17;
    Ticks();
    EXPECT_EQ(board.Picture(4), 4);
    EXPECT_EQ(board.Picture(5), 5);
}

TEST_F(RefreshTest, CaptionFollowsTheGameOnEveryTick) {
    game.Парные_картинки_Click();
    Ticks();
    EXPECT_EQ(board.Caption(), PairsCaption);
    game.Двигушки_Click();
    Ticks();
    EXPECT_EQ(board.Caption(), FifteenCaption);
}

TEST_F(RefreshTest, OtherGameModesOrStylesChangeNothing) {
    game.Расставить_Click();
    for (Word mode : {Word{0}, Word{3}, Word{-1}}) {
        S().GameMode = mode;
        const GameState before = S();
        board.calls.clear();
        Ticks(60);
        EXPECT_TRUE(board.calls.empty()) << "mode " << mode;
        EXPECT_EQ(S(), before);
    }
    S().GameMode = FifteenPuzzle;
    S().TileStyle = 3;
    board.calls.clear();
    Ticks();
    EXPECT_EQ(board.calls, (std::vector<Call>{{Call::Caption, 0, 0}}));
}

// The ticks of a round only count and check: no picture changes, and the
// 51st hides a pair still face up and starts the count again.
TEST_F(RefreshTest, PairsTicksCountToFiftyAndTheFiftyFirstChecks) {
    KnownPairs();
    Clicks(3, 11); // a pair, face up
    board.calls.clear();
    for (int tick = 1; tick <= 50; ++tick) {
        Ticks();
        ASSERT_EQ(S().PairTicks, tick);
        ASSERT_TRUE(HiddenCells(board).empty()) << "no check on tick " << tick;
    }
    Ticks();
    EXPECT_EQ(S().PairTicks, 0);
    EXPECT_EQ(HiddenCells(board), (std::vector<int>{3, 11}));
    EXPECT_EQ(S().FaceShown(3), 3) << "hiding leaves the faces recorded";
    EXPECT_EQ(std::count_if(board.calls.begin(), board.calls.end(),
                            [](const Call& call) { return call.kind == Call::Picture; }),
              0);
    ASSERT_EQ(board.calls.size(), 51u + 2u);
    EXPECT_EQ(board.calls[51], (Call{Call::Visible, 3, 0}));
    EXPECT_EQ(board.calls[52], (Call{Call::Visible, 11, 0}));
}

TEST(RefreshPairsTest, NothingIsTakenOffWithoutAPairFaceUpAtTheCheck) {
    Session differ;
    differ.KnownPairs();
    differ.Clicks(3, 12);
    differ.Ticks(51);
    EXPECT_TRUE(HiddenCells(differ.board).empty()) << "different faces stay up";

    Session third;
    third.KnownPairs();
    third.Clicks(3, 11);
    third.Ticks(20);
    third.Click(5);
    third.Ticks(31);
    EXPECT_EQ(third.S().PairTicks, 0) << "the check ran";
    EXPECT_TRUE(HiddenCells(third.board).empty()) << "a third card before the check lost the pair";
}

TEST_F(RefreshTest, CheckHidesEveryMatchingTwoInPairOrder) {
    // Three cards of one face can only come from a hand-set state, but the
    // check must still walk the pairs (1,2), (1,3) ... (15,16) in order.
    KnownPairs();
    S().FaceShown(2) = 5;
    S().FaceShown(9) = 5;
    S().FaceShown(4) = 5;
    S().FaceShown(15) = 1; // side by side, and the last two cells
    S().FaceShown(16) = 1;
    S().PairTicks = 50;
    board.calls.clear();
    Ticks();
    EXPECT_EQ(board.calls, (std::vector<Call>{{Call::Caption, 0, 0},
                                              {Call::Visible, 2, 0},
                                              {Call::Visible, 4, 0},
                                              {Call::Visible, 2, 0},
                                              {Call::Visible, 9, 0},
                                              {Call::Visible, 4, 0},
                                              {Call::Visible, 9, 0},
                                              {Call::Visible, 15, 0},
                                              {Call::Visible, 16, 0}}));
}

TEST_F(RefreshTest, TickCountCarriesOverGamesAndStyles) {
    KnownPairs();
    Ticks(30);
    game.Двигушки_Click();
    Ticks(100);
    game.Картинка1_Click();
    game.Парные_картинки_Click();
    EXPECT_EQ(S().PairTicks, 30);
    game.Расставить_Click();
    Clicks(1, 9);
    Ticks(20);
    EXPECT_TRUE(HiddenCells(board).empty());
    Ticks();
    EXPECT_EQ(HiddenCells(board), (std::vector<int>{1, 9})) << "the first check comes 21 ticks in";
}
