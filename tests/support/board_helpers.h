#pragma once

#include "game_state.h"

#include <array>
#include <initializer_list>

// Puts the given numbers into cells 1, 2, ... in order.
inline void Lay(GameState& state, std::initializer_list<int> numbers) {
    int k = 1;
    for (int n : numbers) {
        state.Cells(k++) = static_cast<Word>(n);
    }
}

inline std::array<int, CellCount> CellsOf(const GameState& state) {
    std::array<int, CellCount> cells{};
    for (int k = 1; k <= CellCount; ++k) {
        cells[static_cast<std::size_t>(k - 1)] = state.Cells(k);
    }
    return cells;
}

inline std::array<int, CellCount> Solved() {
    return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
}
