#pragma once

#include "board_helpers.h"
#include "board_refresh.h"
#include "game.h"
#include "recording_board.h"
#include "scripted_random.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

// A game as the window starts it, on a recording board and a scripted generator.
struct Session {
    explicit Session(std::vector<float> script = {}) : random(std::move(script)) {
        game.Form_Load();
    }

    GameState& S() { return game.State; }
    void Click(int k) { game.CellClick(k); }
    template <typename... Cells> void Clicks(Cells... k) { (Click(k), ...); }
    // The window's timer, ticked by hand.
    void Ticks(int n = 1) {
        for (int i = 0; i < n; ++i) {
            RefreshBoard(game.State, board);
        }
    }
    // The pairs game in a known layout: cell k holds k, so k and k + 8 pair
    // up; the calls that made it are forgotten.
    void KnownPairs() {
        game.Парные_картинки_Click();
        game.Расставить_Click();
        board.calls.clear();
    }

    RecordingBoard board;
    ScriptedRandom random;
    Game game{board, random};
};

class GameTest : public ::testing::Test, protected Session {};
