#pragma once

#include <QImage>
#include <QRgb>

namespace pictures {

// The colour of the board between and beside the cells. The icon is a corner
// of that board, so the two share it.
inline constexpr QRgb BoardColour = 0x3c4a5a;

// The game's icon at `size` x `size` pixels, drawn from the game's own
// pictures: three digit tiles and the heart card on the board's colour. The
// installed icons and the window's own icon both come from here, so a desktop
// shows the same picture whether or not the game is installed.
QImage DrawGameIcon(int size);

} // namespace pictures
