#include "menu_keys.h"

#include "cell_image.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace {

// What walks a menu: the arrows, Return and Enter to choose, Escape to leave.
bool WalksAMenu(const QKeyEvent* key) {
    if (key->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Alt alone, which the menu bar watches for on the window: tapped, it puts
// the bar into its keyboard mode or takes it out; at an open drop-down it
// closes the menus.
bool IsAlt(const QKeyEvent* key) {
    return key->key() == Qt::Key_Alt;
}

// F10 does what a tap of Alt does, wherever it is pressed. Qt's menus know
// Alt alone, so the tap is given to them as they would get it from the
// keyboard: to the window, where the menu bar watches, or to the open
// drop-down.
void TapAlt(QWidget* at) {
    QWidget* target = at->window();
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
    shortcut.ignore();
    QCoreApplication::sendEvent(target, &shortcut);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

} // namespace

void MenuKeys::Watch(QWidget* window) {
    // Installed last, so it sees each event before the menu bar's own watch
    // on the window does.
    window->installEventFilter(this);
    for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
        bar->installEventFilter(this);
    }
    for (QMenu* menu : window->findChildren<QMenu*>()) {
        menu->installEventFilter(this);
    }
    for (CellImage* cell : window->findChildren<CellImage*>()) {
        cell->installEventFilter(this);
    }
}

bool MenuKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress &&
        type != QEvent::KeyRelease) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
        if (type == QEvent::KeyPress && !key->isAutoRepeat()) {
            TapAlt(static_cast<QWidget*>(watched));
        }
        event->accept();
        return true;
    }
    // Alt goes on its way up to the window, where the menu bar sees it.
    if (IsAlt(key)) {
        return false;
    }
    const bool atTheMenus =
        qobject_cast<QMenuBar*>(watched) != nullptr || qobject_cast<QMenu*>(watched) != nullptr;
    if (atTheMenus && WalksAMenu(key)) {
        return false;
    }
    // Asked before a key press whether a shortcut may take it: taken here,
    // so no shortcut or access key ever sees the key.
    event->accept();
    return true;
}
