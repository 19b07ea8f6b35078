#pragma once

#include "board_helpers.h"
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

    RecordingBoard board;
    ScriptedRandom random;
    Game game{board, random};
};

class GameTest : public ::testing::Test, protected Session {};
