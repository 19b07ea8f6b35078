#include "mouse_only.h"

#include <QEvent>

bool MouseOnly::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    // Asked before a key press whether a shortcut may take it; swallowed, no
    // shortcut or access key ever sees the key either.
    case QEvent::ShortcutOverride:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
