#pragma once

#include "cell_image.h"
#include "form1.h"
#include "game_state.h"
#include "scripted_random.h"

#include <QAction>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

// The game's window, shown on Qt's offscreen platform, with a scripted
// generator and a timer stopped at once: the tests tick it by hand.
class WindowTest : public ::testing::Test {
  protected:
    WindowTest() {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.Timer1().stop(); // the tests tick by hand
    }

    GameState& S() { return window.TheGame().State; }
    QWidget* Client() { return window.centralWidget(); }

    // A real click at a point of the client area, routed by the window to
    // whichever visible cell lies on top there.
    void ClickAt(QPoint client) {
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                          Client()->mapTo(&window, client));
    }
    QPoint CellCentre(int k) { return window.Cell(k)->geometry().center(); }
    void Ticks(int n) {
        for (int tick = 0; tick < n; ++tick) {
            window.Timer1_Timer();
        }
    }

    QAction* MenuCommand(const char* name) {
        return window.findChild<QAction*>(QString::fromUtf8(name));
    }

    ScriptedRandom random;
    Form1 window{&random};
};
