#pragma once

#include <QEvent>
#include <QObject>

// Counts the paint events the objects it watches (installEventFilter)
// receive: how the window tests and the benchmarks see that an unchanged
// board is not repainted.
class PaintCounter : public QObject {
  public:
    long paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};
