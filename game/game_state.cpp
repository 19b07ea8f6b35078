#include "game_state.h"

#include "overflow.h"

void Form_Load(GameState& state) {
    state.TileStyle = DigitTiles;
    state.GameMode = FifteenPuzzle;
}

Word AddChecked(Word a, Word b) {
    const int sum = a + b;
    if (sum < INT16_MIN || sum > INT16_MAX) {
        throw RunTimeError("Overflow");
    }
    return static_cast<Word>(sum);
}
