#include "one_activation.h"

#include <QByteArray>
#include <cstdint>

bool OneActivation::Activate(int k, bool& by, bool& other) {
    if (k != cell_) {
        cell_ = k;
        by = true;
        other = false;
        return true;
    }
    by = true;
    return !other;
}

bool KeyPressWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    // An X event starts with its type, the top bit marking one sent by
    // another client; 2 is KeyPress.
    constexpr std::uint8_t KeyPress = 2;
    if (eventType == "xcb_generic_event_t" &&
        (*static_cast<const std::uint8_t*>(message) & 0x7f) == KeyPress) {
        activation_.KeyPressed();
    }
    return false;
}
