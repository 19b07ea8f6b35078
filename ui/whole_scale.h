#pragma once

#include <string>
#include <string_view>

// Scaled desktops get whole-number scales only. At 1.5 a picture pixel
// would become one device pixel here and two there, so thin lines would come
// out uneven and stair-steps irregular; at a whole scale every picture pixel
// is a square of one size and the board is an exact copy, only larger.
//
// Qt finds a desktop's scale itself from the X screen (Xft.dpi, as GNOME
// sets it) and rounds it by its rounding policy; the scales a desktop gives
// in QT_SCREEN_SCALE_FACTORS (as KDE sets them) Qt takes as they stand, so
// those are rounded here, the same way, before Qt reads them. An explicit
// QT_SCALE_FACTOR, or a rounding policy set in the environment, stays the
// player's own choice.
void UseWholeScaleFactors();

// A QT_SCREEN_SCALE_FACTORS value with every factor rounded to the nearest
// whole number, halves up, and at least 1: "1.5" gives "2", and
// "DP-1=1.25;HDMI-1=1.75" gives "DP-1=1;HDMI-1=2". A factor that is not a
// number is left as it is, for Qt to judge.
std::string WholeScreenScaleFactors(std::string_view factors);
