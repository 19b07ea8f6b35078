#pragma once

#include "board.h"
#include "game_state.h"
#include "random_source.h"

// Deals a fresh fifteen puzzle: tiles 1 to 15 in random order in cells 1 to
// 15, the blank in cell 16, every cell visible. Pictures follow at the next tick.
void DealFifteen(GameState& state, Board& board, RandomSource& random);

// Deals a fresh pairs board: 1 to 16 in random order, every card face down and
// visible again.
void DealPairs(GameState& state, Board& board, RandomSource& random);

// True when slides of tiles into the neighbouring blank can bring cells 1 to
// 15 into order, for a board whose blank is in cell 16.
bool IsSolvableWithBlankLast(const GameState& state);
