#pragma once

// How assistive technology (a screen reader, switch access, voice control)
// sees the window and plays it, through Qt's accessibility interface, which
// on Linux is AT-SPI:
//
// - each board cell is a button named for the picture it shows, described by
//   its row and column, whose press action is a click on that cell;
// - the board lists its cells in cell order, 1 to 16, row by row, however
//   they are stacked on the screen, and leaves out the cells taken off;
// - the window, the board and the cells give their places and answer "what is
//   at this point" in the screen's own pixels, also where Qt scales the
//   window up (it answers in its own, unscaled ones).
//
class QWidget;

// Installs the interfaces of the window and its cells for every window made
// from now on; more calls change nothing.
void InstallAccessibleBoard();

// Makes `client`, the window's client area that holds the cells, the board a
// reader sees. Call it as soon as the client area is made: Qt keeps the
// first interface anything asked for.
void MakeAccessibleBoard(QWidget* client);
