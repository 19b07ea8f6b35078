#include "deals.h"

#include "holders.h"

#include <cmath>
#include <utility>

namespace {

// Each deal makes one pass more than it has cells to fill; the last pass
// finds the board full and places nothing.
constexpr int Passes = 17;

Word Draw(RandomSource& random, int range) {
    const float value = random.rtcRandomNext(static_cast<float>(range));
    return static_cast<Word>(std::floor(value * static_cast<float>(range)));
}

bool IsAmong(Word x, const GameState& state, int lastCell) {
    for (int j = 1; j <= lastCell; ++j) {
        if (state.Cells(j) == x) {
            return true;
        }
    }
    return false;
}

// One pass fills the first undealt cell among 1..lastCell with a number not yet
// there. While any cell is undealt, 0 is "on the board" too and is drawn again;
// once all are dealt only 0 gets through, and it has nowhere to go.
void DealPass(GameState& state, RandomSource& random, int range, int lastCell) {
    random.rtcRandomize();
    Word x = Draw(random, range);
    while (IsAmong(x, state, lastCell)) {
        x = Draw(random, range);
    }
    for (int j = 1; j <= lastCell; ++j) {
        if (state.Cells(j) == 0) {
            state.Cells(j) = x;
            return;
        }
    }
}

void ShowAllCells(Board& board) {
    for (int k = 1; k <= CellCount; ++k) {
        board.SetCellVisible(k, true);
    }
}

} // namespace

bool IsSolvableWithBlankLast(const GameState& state) {
    int inversions = 0;
    for (int i = 1; i <= 15; ++i) {
        for (int j = i + 1; j <= 15; ++j) {
            inversions += state.Cells(i) > state.Cells(j) ? 1 : 0;
        }
    }
    return inversions % 2 == 0;
}

void DealFifteen(GameState& state, Board& board, RandomSource& random) {
    for (int k = 1; k <= CellCount; ++k) {
        state.Cells(k) = 0;
    }
    for (int pass = 1; pass <= Passes; ++pass) {
        DealPass(state, random, 16, 15);
        if (state.Cells(16) == 0) {
            state.Cells(16) = Blank;
        }
    }
    // Half of all shuffles cannot be slid back into order. Swapping the last
    // two tiles flips the parity, so every new puzzle can be solved while the
    // rest of the shuffle stays as it was drawn.
    if (!IsSolvableWithBlankLast(state)) {
        std::swap(state.Cells(14), state.Cells(15));
    }
    ShowAllCells(board);
}

void DealPairs(GameState& state, Board& board, RandomSource& random) {
    for (int k = 1; k <= CellCount; ++k) {
        state.Cells(k) = 0;
        state.FaceShown(k) = 0;
    }
    for (int pass = 1; pass <= Passes; ++pass) {
        DealPass(state, random, 17, 16);
    }
    for (int k = 1; k <= CellCount; ++k) {
        board.SetCellPicture(k, CardBack);
    }
    ShowAllCells(board);
}
