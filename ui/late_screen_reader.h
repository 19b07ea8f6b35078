#pragma once

// A screen reader started after the game must still find it.
//
// On Linux Qt joins the accessibility bus (AT-SPI) only while the desktop's
// flags say that assistive technology is on (org.a11y.Status, which a screen
// reader sets when it starts). Qt 6.8 follows those flags as they change; Qt
// 6.4, Debian 12's, reads them once, at start-up, so a game started before
// the screen reader stayed invisible to it. With such a Qt the game asks to
// join the bus whenever there is one, as Qt's QT_LINUX_ACCESSIBILITY_ALWAYS_ON
// does; a player's own setting of that variable stands. Call before the
// application object is made.
void FindableByLateScreenReaders();
