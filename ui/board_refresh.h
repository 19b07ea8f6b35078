#pragma once

#include "board.h"
#include "game_state.h"

// The window's redraw on every timer tick. In the fifteen puzzle it draws the
// whole board from the state; in the pairs game it counts ticks and every
// 51st tick takes off the board each two face-up cards showing one face.
void RefreshBoard(GameState& state, Board& board);

inline constexpr const char* FifteenCaption = "Двигушки";
inline constexpr const char* PairsCaption = "Парные картинки";
