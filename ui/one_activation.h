#pragma once

#include <QAbstractNativeEventFilter>

// Orca's click command (KP_Divide) asks the AT-SPI registry for a real
// click at the cell, then reads where the pointer is to judge whether the
// click happened. The registry answers before the X server has moved the
// pointer, so that reading often finds it where it was. Orca then takes the
// click for lost, clicks again and runs the cell's press action as well: one
// command, two or three activations of the one cell, all before the player
// presses another key. (When the registry is slow to answer, the press comes
// first and the clicks arrive late.)
//
// This tells such repeats apart. Within the run of events between two key
// presses, a press action on the cell a click has just reached, and a click
// on the cell a press action has just reached, repeat that activation. Two
// clicks alone are two clicks, and two presses two presses, so what the
// mouse does is as it always was.
class OneActivation {
  public:
    // Whether a click on cell k, or its press action, is a new activation.
    bool Click(int k) { return Activate(k, clicked_, pressed_); }
    bool Press(int k) { return Activate(k, pressed_, clicked_); }
    // The player pressed a key: whatever comes next is asked for anew.
    void KeyPressed() { cell_ = 0; }

  private:
    // `by` is the way the activation came, `other` the other way.
    bool Activate(int k, bool& by, bool& other);

    int cell_ = 0; // the cell activated last since the last key, or 0
    bool clicked_ = false;
    bool pressed_ = false;
};

// Tells `activation` of every key press the X server sends the game, also
// those a screen reader takes for itself and the game never handles.
class KeyPressWatch : public QAbstractNativeEventFilter {
  public:
    explicit KeyPressWatch(OneActivation& activation) : activation_(activation) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    OneActivation& activation_;
};
