#include "board_helpers.h"
#include "board_refresh.h"
#include "game.h"
#include "game_state.h"
#include "recording_board.h"
#include "scripted_random.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Call = RecordingBoard::Call;

class RefreshTest : public ::testing::Test {
  protected:
    RefreshTest() { game.Form_Load(); }

    GameState& S() { return game.State; }
    void Tick() { RefreshBoard(game.State, board); }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            Tick();
        }
    }
    // A pairs board in a known layout: cell k holds k, so k and k + 8 pair up.
    void PairsBoard() {
        game.Парные_картинки_Click();
        game.Расставить_Click();
        board.calls.clear();
    }
    std::vector<int> HiddenCells() const {
        std::vector<int> hidden;
        for (int k = 1; k <= CellCount; ++k) {
            if (!board.Visible(k)) {
                hidden.push_back(k);
            }
        }
        return hidden;
    }

    RecordingBoard board;
    ScriptedRandom random;
    Game game{board, random};
};

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
            Tick();
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

TEST_F(RefreshTest, StyleChangeRedrawsTheBlankToo) {
    game.Расставить_Click();
    Tick();
    EXPECT_EQ(board.Picture(16), 16);
    game.Картинка1_Click();
    Tick();
    for (int k = 1; k <= CellCount; ++k) {
        EXPECT_EQ(board.Picture(k), 32 + k);
    }
    game.Цифры_Click();
    Tick();
    EXPECT_EQ(board.Picture(16), 16);
}

TEST_F(RefreshTest, MovedTileShowsInItsNewCellAtTheNextTick) {
    game.Расставить_Click();
    Tick();
    game.CellClick(15);
    game.CellClick(16);
    EXPECT_EQ(board.Picture(16), 16) << "the rules draw nothing themselves";
    Tick();
    EXPECT_EQ(board.Picture(16), 15);
    EXPECT_EQ(board.Picture(15), 16);
}

TEST_F(RefreshTest, UndealtBoardGetsOnlyTheCaption) {
    Ticks(3);
    EXPECT_EQ(board.Caption(), FifteenCaption);
    EXPECT_EQ(board.calls, (std::vector<Call>(3, Call{Call::Caption, 0, 0})));

    // A cell without a tile number keeps whatever it shows.
    game.Расставить_Click();
    Tick();
    S().Cells(4) = 0;
    S().Cells(5) = 17;
    Tick();
    EXPECT_EQ(board.Picture(4), 4);
    EXPECT_EQ(board.Picture(5), 5);
}

TEST_F(RefreshTest, CaptionFollowsTheGameOnEveryTick) {
    game.Парные_картинки_Click();
    Tick();
    EXPECT_EQ(board.Caption(), PairsCaption);
    game.Двигушки_Click();
    Tick();
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
    Tick();
    EXPECT_EQ(board.calls, (std::vector<Call>{{Call::Caption, 0, 0}}));
}

TEST_F(RefreshTest, PairsTicksCountToFiftyAndTheFiftyFirstChecks) {
    PairsBoard();
    game.CellClick(3);
    game.CellClick(11); // a pair, face up
    for (int tick = 1; tick <= 50; ++tick) {
        Tick();
        ASSERT_EQ(S().PairTicks, tick);
        ASSERT_TRUE(HiddenCells().empty()) << "no check on tick " << tick;
    }
    Tick();
    EXPECT_EQ(S().PairTicks, 0);
    EXPECT_EQ(HiddenCells(), (std::vector<int>{3, 11}));
    EXPECT_EQ(S().FaceShown(3), 3) << "hiding leaves the faces recorded";
}

TEST_F(RefreshTest, PairsTicksNeverChangeAPicture) {
    PairsBoard();
    game.CellClick(3);
    game.CellClick(11);
    board.calls.clear();
    Ticks(51);
    for (const Call& call : board.calls) {
        EXPECT_NE(call.kind, Call::Picture);
    }
    EXPECT_EQ(board.calls.size(), 51u + 2u);
    EXPECT_EQ(board.calls[51], (Call{Call::Visible, 3, 0}));
    EXPECT_EQ(board.calls[52], (Call{Call::Visible, 11, 0}));
}

TEST_F(RefreshTest, DifferentFacesStayUp) {
    PairsBoard();
    game.CellClick(3);
    game.CellClick(12);
    Ticks(51);
    EXPECT_TRUE(HiddenCells().empty());
}

TEST_F(RefreshTest, ThirdCardBeforeTheCheckLosesThePair) {
    PairsBoard();
    game.CellClick(3);
    game.CellClick(11);
    Ticks(20);
    game.CellClick(5);
    Ticks(31);
    EXPECT_EQ(S().PairTicks, 0) << "the check ran";
    EXPECT_TRUE(HiddenCells().empty());
}

TEST_F(RefreshTest, CheckHidesEveryMatchingTwoInPairOrder) {
    // Three cards of one face can only come from a hand-set state, but the
    // check must still walk the pairs (1,2), (1,3) ... (15,16) in order.
    PairsBoard();
    S().FaceShown(2) = 5;
    S().FaceShown(9) = 5;
    S().FaceShown(4) = 5;
    S().FaceShown(15) = 1; // side by side, and the last two cells
    S().FaceShown(16) = 1;
    S().PairTicks = 50;
    board.calls.clear();
    Tick();
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
    PairsBoard();
    Ticks(30);
    game.Двигушки_Click();
    Ticks(100);
    game.Картинка1_Click();
    game.Парные_картинки_Click();
    EXPECT_EQ(S().PairTicks, 30);
    game.Расставить_Click();
    game.CellClick(1);
    game.CellClick(9);
    Ticks(20);
    EXPECT_TRUE(HiddenCells().empty());
    Tick();
    EXPECT_EQ(HiddenCells(), (std::vector<int>{1, 9})) << "the first check comes 21 ticks in";
}
