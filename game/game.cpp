#include "game.h"

#include "deals.h"
#include "moves.h"
#include "pairs_turn.h"

void Game::CellClick(int k) {
    MoveRule(State, k);
    if (State.GameMode == PairsGame) {
        TurnRule(State, board_, k);
    }
}

void Game::DealFifteen() {
    ::DealFifteen(State, board_, random_);
}
void Game::DealPairs() {
    ::DealPairs(State, board_, random_);
}

// A new game, a change of game and the arrange command leave the last pick-up
// and the pairs turn count as they were: the next click carries on from them.

void Game::Новая_Click() {
    if (State.GameMode == FifteenPuzzle) {
        DealFifteen();
    }
    if (State.GameMode == PairsGame) {
        DealPairs();
    }
}

void Game::Двигушки_Click() {
    State.GameMode = FifteenPuzzle;
    DealFifteen();
}

void Game::Парные_картинки_Click() {
    State.GameMode = PairsGame;
    DealPairs();
}

void Game::Цифры_Click() {
    State.TileStyle = DigitTiles;
}
void Game::Картинка1_Click() {
    State.TileStyle = PictureTiles;
}

void Game::Расставить_Click() {
    for (int k = 1; k <= CellCount; ++k) {
        State.Cells(k) = static_cast<Word>(k);
    }
}
