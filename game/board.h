#pragma once

#include "holders.h"

#include <string_view>

// What the rules may do to the window: the caption and the sixteen board
// cells. Pictures are named by the number of the hidden holder that keeps
// them (holders.h).
class Board {
  public:
    virtual ~Board() = default;

    virtual void SetCaption(std::string_view caption) = 0;
    // Cell k (1..16) is given the picture of holder n and takes its size.
    virtual void SetCellPicture(int k, int holder) = 0;
    // A hidden cell is not drawn and takes no clicks.
    virtual void SetCellVisible(int k, bool visible) = 0;
};
