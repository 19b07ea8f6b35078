#pragma once

#include "board.h"
#include "game_state.h"
#include "random_source.h"

#include <array>

// The game as its window drives it: the state record, and one handler for
// every cell click and every menu command. The window supplies the board the
// handlers draw on and the generator the deals draw from.
class Game {
  public:
    Game(Board& board, RandomSource& random) : board_(board), random_(random) {}

    GameState State;

    void Form_Load() { ::Form_Load(State); }

    // A click on cell k: the fifteen-puzzle rule in either game, then in the
    // pairs game the turn rule for the same cell.
    void CellClick(int k);

    void Image17_Click() { CellClick(1); }
    void Image18_Click() { CellClick(2); }
    void Image19_Click() { CellClick(3); }
    void Image20_Click() { CellClick(4); }
    void Image21_Click() { CellClick(5); }
    void Image22_Click() { CellClick(6); }
    void Image23_Click() { CellClick(7); }
    void Image24_Click() { CellClick(8); }
    void Image25_Click() { CellClick(9); }
    void Image26_Click() { CellClick(10); }
    void Image27_Click() { CellClick(11); }
    void Image28_Click() { CellClick(12); }
    void Image29_Click() { CellClick(13); }
    void Image30_Click() { CellClick(14); }
    void Image31_Click() { CellClick(15); }
    void Image32_Click() { CellClick(16); }

    // Игра
    void Новая_Click();
    void Двигушки_Click();
    void Парные_картинки_Click();
    // Фигуры
    void Цифры_Click();
    void Картинка1_Click();
    // on the menu bar itself
    void Расставить_Click();

    void DealFifteen();
    void DealPairs();

  private:
    Board& board_;
    RandomSource& random_;
};

// The click handler of each board cell, in cell order: the window wires cell k
// to entry k - 1.
inline constexpr std::array<void (Game::*)(), CellCount> CellClickHandlers = {
    &Game::Image17_Click, &Game::Image18_Click, &Game::Image19_Click, &Game::Image20_Click,
    &Game::Image21_Click, &Game::Image22_Click, &Game::Image23_Click, &Game::Image24_Click,
    &Game::Image25_Click, &Game::Image26_Click, &Game::Image27_Click, &Game::Image28_Click,
    &Game::Image29_Click, &Game::Image30_Click, &Game::Image31_Click, &Game::Image32_Click,
};
