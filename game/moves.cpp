#include "moves.h"

namespace {

void MoveHeldTileInto(GameState& state, int k) {
    // The marks are the only test of adjacency, so the held tile is looked
    // for over the whole board rather than among k's neighbours.
    for (int j = 1; j <= CellCount; ++j) {
        if (j != k && state.Cells(j) == state.HeldTile) {
            state.Cells(k) = state.HeldTile;
            state.Cells(j) = Blank;
        }
    }
}

void PickUp(GameState& state, int k) {
    state.HeldTile = state.Cells(k);
    // MoveTarget(k) keeps whatever the last pick-up elsewhere left in it.
    for (int n = 1; n <= CellCount; ++n) {
        if (n != k) {
            state.MoveTarget(n) = AreNeighbours(k, n) ? True : False;
        }
    }
}

} // namespace

void MoveRule(GameState& state, int k) {
    if (state.GameMode == FifteenPuzzle && state.MoveTarget(k) == True && state.Cells(k) == Blank) {
        MoveHeldTileInto(state, k);
    } else {
        PickUp(state, k);
    }
}
