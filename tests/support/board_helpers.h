#pragma once

#include "board_facts.h"
#include "game_state.h"

#include <array>
#include <initializer_list>
#include <set>

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

// The values the game keeps, written out rather than taken from the game's
// own names, so that a wrong constant in the game cannot hide behind itself.
inline constexpr Word Marked = -1; // a MoveTarget flag that is True
inline constexpr Word Unmarked = 0;

// The neighbour sets as a player reads them off the board.
inline const std::array<std::set<int>, CellCount> Neighbours = {{
    {2, 5},
    {1, 3, 6},
    {2, 4, 7},
    {3, 8},
    {1, 6, 9},
    {2, 5, 7, 10},
    {3, 6, 8, 11},
    {4, 7, 12},
    {5, 10, 13},
    {6, 9, 11, 14},
    {7, 10, 12, 15},
    {8, 11, 16},
    {9, 14},
    {10, 13, 15},
    {11, 14, 16},
    {12, 15},
}};
inline bool IsNeighbour(int a, int b) {
    return Neighbours.at(static_cast<std::size_t>(a - 1)).count(b) == 1;
}

// Whether slides of tiles into the neighbouring blank (16) can bring `cells`
// to 1..16 in order, judged without the game's own parity count: every slide
// swaps the blank with a neighbour, so it flips the parity of the whole
// arrangement and moves the blank one step. The two parities therefore stay
// in step, and on a board of this size that is also enough.
inline bool SlidesBackToOrder(const std::array<int, CellCount>& cells) {
    int cycles = 0;
    std::array<bool, CellCount> seen{};
    for (int start = 0; start < CellCount; ++start) {
        if (seen[static_cast<std::size_t>(start)]) {
            continue;
        }
        ++cycles;
        for (int k = start; !seen.at(static_cast<std::size_t>(k));
             k = cells.at(static_cast<std::size_t>(k)) - 1) {
            seen.at(static_cast<std::size_t>(k)) = true;
        }
    }
    int blank = 0;
    while (cells[static_cast<std::size_t>(blank)] != 16) {
        ++blank;
    }
    const int stepsHome = (3 - blank / 4) + (3 - blank % 4);
    return (CellCount - cycles) % 2 == stepsHome % 2;
}
