#include "never_maximized.h"

#include <QEvent>
#include <QMetaObject>
#include <QWidget>

void NeverMaximized::Watch(QWidget* window) {
    window->installEventFilter(this);
}

bool NeverMaximized::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->windowState() & Qt::WindowMaximized) {
            // Once Qt has finished taking the state on: asked from within,
            // the window system would be sent the change while Qt still
            // records the one before.
            QMetaObject::invokeMethod(
                window,
                [window] { window->setWindowState(window->windowState() & ~Qt::WindowMaximized); },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}
