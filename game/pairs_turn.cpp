#include "pairs_turn.h"

#include "holders.h"
#include "overflow.h"

void TurnRule(GameState& state, Board& board, int k) {
    state.FlipCount = AddChecked(state.FlipCount, 1);
    if (state.FlipCount == 3) {
        state.FlipCount = 1;
        for (int j = 1; j <= CellCount; ++j) {
            board.SetCellPicture(j, CardBack);
            state.FaceShown(j) = 0;
        }
    }
    const Word v = state.Cells(k);
    if (v >= 1 && v <= 16) {
        const Word f = FaceOf(v);
        board.SetCellPicture(k, FirstFace - 1 + f);
        state.FaceShown(k) = f;
    }
}
