#pragma once

#include "game_state.h"

#include <stdexcept>

// A handler that fails stops where it is; what it had written stays. The
// window catches this at its event dispatch and reports it.
class RunTimeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Adds two words as the game's counters are raised: a sum outside the 16-bit
// range is an overflow error, never a wrap-around.
Word AddChecked(Word a, Word b);
