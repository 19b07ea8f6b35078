#pragma once

#include "whole_scale.h"

#include <QVersionNumber>

class QWidget;

// Where Qt's own way onto a desktop would make the window look or behave
// unlike the desktop's other windows, the game takes another, chosen from
// the environment. A choice the player made in Qt's variables stands.

// Whether the session is GNOME's, by XDG_CURRENT_DESKTOP: a list of desktop
// names, any of which may be "GNOME" ("GNOME", "ubuntu:GNOME",
// "GNOME-Classic:GNOME"), in any case, as Qt reads it.
bool OnGnome(const Environment& environment);

// Whether the game asks Qt for X11 (xcb), through Xwayland, instead of
// Wayland. GNOME Shell draws no title bar for a Wayland window, and Qt
// before 6.8 has no GNOME-styled one to draw itself: its plain fallback bar,
// grey and square, looks like no other window on the desktop. Through
// Xwayland GNOME Shell frames the game as it frames every X11 window, with
// GNOME's own bar (a close button only, for a window of one size), and finds
// its desktop entry by the window's class. So on a GNOME Wayland session with
// such a Qt the game goes through Xwayland, when there is an X display
// (DISPLAY) and the player has named no platform (QT_QPA_PLATFORM). Other
// Wayland desktops (sway, KDE Plasma) draw their own bars for Wayland
// windows, and Qt 6.8 draws a GNOME-styled one: there Wayland stays, and
// with it a fractional scale where the compositor offers one.
bool GoesThroughXwayland(const Environment& environment, const QVersionNumber& qt);

// Whether Qt will draw its Adwaita-style bar on Wayland: on GNOME, from Qt
// 6.8 on, unless QT_WAYLAND_DECORATION names a bar. That bar takes its
// buttons from the desktop portal's settings (org.gnome.desktop.wm.preferences
// button-layout, which GNOME gives as "appmenu:close"), and shows none, not
// even close, when no portal answers.
bool QtDrawsAdwaitaBar(const Environment& environment, const QVersionNumber& qt);

// Before the application exists: QT_QPA_PLATFORM=xcb where GoesThroughXwayland.
void ChoosePlatform();

// Once the application exists and before the window is made: where Qt would
// draw its Adwaita bar on Wayland and no desktop portal is on the session
// bus, Qt's plain bar instead (QT_WAYLAND_DECORATION=bradient), which always
// has its buttons. The maximize button it has too does nothing here (see
// NeverMaximized).
void ChooseTitleBar();

// On X11, before the window is shown: names the desktop entry in the hints
// that KDE's KWin (_KDE_NET_WM_DESKTOP_FILE) and GNOME's mutter
// (_GTK_APPLICATION_ID) look for before they guess from WM_CLASS. Qt 6.8
// sets both itself, to the same name; Qt 6.4 sets neither, and KWin 5.27 on
// X11 then finds no entry for the window. Elsewhere it does nothing.
void NameDesktopEntry(QWidget& window, const char* desktopEntryId);
