#include "board_refresh.h"

#include "holders.h"
#include "overflow.h"

namespace {

// Ticks counted between two looks for matched pairs.
constexpr Word TicksBetweenChecks = 50;

void DrawTiles(const GameState& state, Board& board, int firstHolder) {
    for (int k = 1; k <= CellCount; ++k) {
        for (int v = 1; v <= TileCount; ++v) {
            if (state.Cells(k) == v) {
                board.SetCellPicture(k, firstHolder - 1 + v);
            }
        }
    }
}

void TakeOffMatchedPairs(const GameState& state, Board& board) {
    for (int i = 1; i <= CellCount; ++i) {
        for (int j = i + 1; j <= CellCount; ++j) {
            if (state.FaceShown(i) > 0 && state.FaceShown(j) > 0 &&
                state.FaceShown(i) == state.FaceShown(j)) {
                board.SetCellVisible(i, false);
                board.SetCellVisible(j, false);
            }
        }
    }
}

} // namespace

void RefreshBoard(GameState& state, Board& board) {
    if (state.GameMode == FifteenPuzzle) {
        board.SetCaption(FifteenCaption);
        if (state.TileStyle == DigitTiles) {
            DrawTiles(state, board, FirstDigitTile);
        }
        if (state.TileStyle == PictureTiles) {
            DrawTiles(state, board, FirstPictureTile);
        }
    }
    if (state.GameMode == PairsGame) {
        state.PairTicks = AddChecked(state.PairTicks, 1);
        board.SetCaption(PairsCaption);
        if (state.PairTicks > TicksBetweenChecks) {
            TakeOffMatchedPairs(state, board);
            state.PairTicks = 0;
        }
    }
}
