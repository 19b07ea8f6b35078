#pragma once

#include <QtCore/qnamespace.h>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// How Qt draws the board on a scaled desktop, chosen before the application
// exists, since Qt reads the choice while it sets up its screens.
//
// On X11 the game takes whole-number scales only. At 1.5 a picture pixel
// would become one device pixel here and two there, so thin lines would come
// out uneven and stair-steps irregular; at a whole scale every picture pixel
// is a square of one size and the board is an exact copy, only larger. Qt
// finds an X screen's scale itself (from Xft.dpi, as GNOME sets it) and
// rounds it by its rounding policy, here Round; the scales a desktop gives in
// QT_SCREEN_SCALE_FACTORS (as KDE sets them) Qt takes as they stand, so
// those are rounded here, the same way, before Qt reads them.
//
// On Wayland the compositor has the last word: it shows the window at the
// output's scale, resampling whatever buffer it gets. Whole-number rounding
// there only makes Qt ignore a fractional scale the compositor offers and
// draw at the next whole one, which the compositor then shrinks, blurring
// the menus and every edge of the board. So on Wayland Qt is left to draw at
// the compositor's own scale (PassThrough, Qt's default): the menus come out
// as sharp as text at that scale can be, and wherever the window's place lets
// the compositor show Qt's buffer pixel for pixel, the board is unblended.
// (Qt 6.4 knows no fractional Wayland scales; there both draw alike.)
//
// An explicit QT_SCALE_FACTOR, or a rounding policy the player sets in
// QT_SCALE_FACTOR_ROUNDING_POLICY, stays the player's own choice.

// A variable of the game's environment, or nothing when it is not set.
using Environment = std::function<std::optional<std::string>(const char* name)>;

// The game's own environment, read as it is when asked.
Environment ProcessEnvironment();

struct ScaleRounding {
    Qt::HighDpiScaleFactorRoundingPolicy policy;
    // QT_SCALE_FACTOR_ROUNDING_POLICY is taken out of the environment: the
    // policy it names is given to Qt here instead, before the application
    // exists. Left in, Qt would set that policy itself while the application
    // is being made, and Qt 6.8 then warns that it came too late at every
    // start. An empty one names nothing and goes too, or Qt would call it an
    // unknown policy; a name Qt does not know stays for Qt to report.
    bool playersVariableTaken;
};

// The rounding for a game started in `environment`.
ScaleRounding ScaleRoundingFor(const Environment& environment);

// Whether Qt will try to show the window on Wayland first, by the rule Qt
// itself follows: the first platform QT_QPA_PLATFORM names when it is set;
// otherwise Wayland wherever WAYLAND_DISPLAY is set or XDG_SESSION_TYPE is
// "wayland", before X11. Should Wayland then fail and Qt fall back to X11
// (Xwayland), the window gets Qt's own rounding there.
bool QtTriesWaylandFirst(const Environment& environment);

// Gives Qt the rounding for the game's own environment and rounds the
// factors in QT_SCREEN_SCALE_FACTORS; before the QApplication is made.
void ChooseScaleRounding();

// Once the application exists: drops one false alarm of Qt 6.8's and passes
// every other message on to the handler installed before. At a fractional
// Wayland scale Qt's Wayland plugin learns a window's scale just after the
// window has been made at the output's whole one, and Qt's check for a stale
// device pixel ratio, which then puts the ratio right itself, asks in a warning
// to report it as a Qt bug ("The cached device pixel ratio value was stale
// on window update/expose"): once at every start and again as drop-downs
// open, whatever the program. Nothing is wrong on the screen.
void IgnoreStaleScaleWarnings();

// A QT_SCREEN_SCALE_FACTORS value with every factor rounded to the nearest
// whole number, halves up, and at least 1: "1.5" gives "2", and
// "DP-1=1.25;HDMI-1=1.75" gives "DP-1=1;HDMI-1=2". A factor that is not a
// number is left as it is, for Qt to judge.
std::string WholeScreenScaleFactors(std::string_view factors);
