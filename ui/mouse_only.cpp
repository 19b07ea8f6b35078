#include "mouse_only.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

void MouseOnly::Watch(QWidget* window) {
    // Installed last, so it sees each event before the menu bar's own watch
    // on the window does.
    window->installEventFilter(this);
    for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
        bar->installEventFilter(this);
    }
    for (QMenu* menu : window->findChildren<QMenu*>()) {
        menu->installEventFilter(this);
    }
}

bool MouseOnly::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Asked before a key press whether a shortcut may take it: taken
        // here, so no shortcut or access key ever sees the key.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
