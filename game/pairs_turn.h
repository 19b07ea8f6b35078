#pragma once

#include "board.h"
#include "game_state.h"

// The face a pairs card shows: cards v and v + 8 are the two of one pair.
constexpr Word FaceOf(Word v) {
    return static_cast<Word>((v - 1) % 8 + 1);
}

// The pairs rule for a click on cell k: turn the card face up at once. The
// click after a turn's second card first turns every card face down. Matches
// are judged by the timer, not here.
void TurnRule(GameState& state, Board& board, int k);
