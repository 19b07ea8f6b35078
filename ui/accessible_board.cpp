#include "accessible_board.h"

#include "cell_image.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Qt lays widgets out in device-independent pixels and, unasked, gives a
// reader those; on a screen scaled by 2 every place and size would come out
// half of what the screen shows. On X11 the screen's own pixels are what the
// reader's pointer and the other windows use. A Wayland client knows no
// places on the screen at all, so there Qt's coordinates stand.
double ScreenScale(const QWidget* widget) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return 1;
    }
    return widget->devicePixelRatioF();
}

// Qt's scaling keeps each screen's top-left corner where it is.
QPoint ScreenOrigin(const QWidget* widget) {
    return widget->screen() != nullptr ? widget->screen()->geometry().topLeft() : QPoint();
}

QRect OnScreen(const QWidget* widget) {
    if (!widget->isVisible()) {
        return {};
    }
    const double scale = ScreenScale(widget);
    const QPoint origin = ScreenOrigin(widget);
    const QPointF corner = origin + QPointF(widget->mapToGlobal(QPoint(0, 0)) - origin) * scale;
    return QRect(corner.toPoint(), (QSizeF(widget->size()) * scale).toSize());
}

// The point of `widget` that screen pixel (x, y) lies in.
QPoint FromScreen(const QWidget* widget, int x, int y) {
    const double scale = ScreenScale(widget);
    const QPoint origin = ScreenOrigin(widget);
    const QPointF global = origin + QPointF(QPoint(x, y) - origin) / scale;
    return widget->mapFromGlobal(
        QPoint(static_cast<int>(std::floor(global.x())), static_cast<int>(std::floor(global.y()))));
}

// The window: Qt's own frame, but with screen places, and finding what lies
// at a screen point.
class AccessibleWindow : public QAccessibleWidget {
  public:
    explicit AccessibleWindow(QMainWindow* window)
        : QAccessibleWidget(window, QAccessible::Window) {}

    QRect rect() const override { return OnScreen(widget()); }

    QAccessibleInterface* childAt(int x, int y) const override {
        auto* window = static_cast<QMainWindow*>(widget());
        const QPoint point = FromScreen(window, x, y);
        if (!window->isVisible() || !window->rect().contains(point)) {
            return nullptr;
        }
        QMenuBar* bar = window->menuBar();
        if (bar->isVisible() && bar->geometry().contains(point)) {
            // The menu bar and its entries are Qt's own and answer in its
            // coordinates, so the entry is found here, where they are known.
            QAccessibleInterface* menus = QAccessible::queryAccessibleInterface(bar);
            const QPoint global = window->mapToGlobal(point);
            QAccessibleInterface* entry = menus->childAt(global.x(), global.y());
            return entry != nullptr ? entry : menus;
        }
        QWidget* board = window->centralWidget();
        if (board != nullptr && board->isVisible() && board->geometry().contains(point)) {
            return QAccessible::queryAccessibleInterface(board);
        }
        return nullptr;
    }
};

// The board: its cells in cell order, without the ones taken off.
class AccessibleBoard : public QAccessibleWidget {
  public:
    explicit AccessibleBoard(QWidget* board) : QAccessibleWidget(board, QAccessible::Grouping) {}

    QRect rect() const override { return OnScreen(widget()); }

    int childCount() const override { return static_cast<int>(Cells().size()); }

    QAccessibleInterface* child(int index) const override {
        const std::vector<CellImage*> cells = Cells();
        if (index < 0 || index >= static_cast<int>(cells.size())) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(cells[static_cast<std::size_t>(index)]);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const std::vector<CellImage*> cells = Cells();
        const auto found = std::find(cells.begin(), cells.end(), child->object());
        return found != cells.end() ? static_cast<int>(found - cells.begin()) : -1;
    }

    // The cell a click at that point would reach: the one on top there.
    QAccessibleInterface* childAt(int x, int y) const override {
        auto* cell = qobject_cast<CellImage*>(widget()->childAt(FromScreen(widget(), x, y)));
        return cell != nullptr ? QAccessible::queryAccessibleInterface(cell) : nullptr;
    }

  private:
    std::vector<CellImage*> Cells() const {
        std::vector<CellImage*> cells;
        for (CellImage* cell : widget()->findChildren<CellImage*>(Qt::FindDirectChildrenOnly)) {
            if (!cell->isHidden()) {
                cells.push_back(cell);
            }
        }
        std::sort(cells.begin(), cells.end(),
                  [](const CellImage* a, const CellImage* b) { return a->Number() < b->Number(); });
        return cells;
    }
};

// One board cell, a button.
class AccessibleCell : public QAccessibleWidget {
  public:
    explicit AccessibleCell(CellImage* cell) : QAccessibleWidget(cell, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        switch (kind) {
        case QAccessible::Name:
            return Cell()->Name();
        case QAccessible::Description: {
            const int k = Cell()->Number();
            return QStringLiteral("ряд %1, столбец %2").arg((k - 1) / 4 + 1).arg((k - 1) % 4 + 1);
        }
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QRect rect() const override { return OnScreen(widget()); }

    QStringList actionNames() const override { return {pressAction()}; }

    // A press is a click on the cell, handled as the mouse's is, and like
    // the mouse's it gives the cell the focus; a cell taken off the board
    // takes none.
    void doAction(const QString& action) override {
        if (action == pressAction() && !Cell()->isHidden()) {
            Cell()->setFocus(Qt::MouseFocusReason);
            emit Cell()->Pressed();
        }
    }

  private:
    CellImage* Cell() const { return static_cast<CellImage*>(widget()); }
};

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
    if (auto* cell = qobject_cast<CellImage*>(object)) {
        return new AccessibleCell(cell);
    }
    if (auto* window = qobject_cast<QMainWindow*>(object)) {
        return new AccessibleWindow(window);
    }
    return nullptr;
}

} // namespace

void InstallAccessibleBoard() {
    QAccessible::installFactory(MakeInterface);
}

void MakeAccessibleBoard(QWidget* client) {
    QAccessible::registerAccessibleInterface(new AccessibleBoard(client));
}
