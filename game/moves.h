#pragma once

#include "game_state.h"

// Cells that share an edge; the board does not wrap from one row to the next.
constexpr bool AreNeighbours(int a, int b) {
    const int rowA = (a - 1) / 4, colA = (a - 1) % 4;
    const int rowB = (b - 1) / 4, colB = (b - 1) % 4;
    const int dRow = rowA > rowB ? rowA - rowB : rowB - rowA;
    const int dCol = colA > colB ? colA - colB : colB - colA;
    return dRow + dCol == 1;
}

// The fifteen-puzzle rule for a click on cell k, run in either game. A click
// that finds the blank in a marked cell moves the held tile into it; any other
// click picks up what the cell holds and marks the cells around it.
void MoveRule(GameState& state, int k);
