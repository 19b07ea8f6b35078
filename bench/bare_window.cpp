// The yardstick for the game's whole-process figures: a plain Qt window of the
// game's size with the same 1 ms precise timer, whose ticks do nothing. What
// the game costs beyond this is the game's own.
//
// With --menu-bar it also carries a menu bar with the game's three captions:
// the first text a window shows loads the font machinery, which costs more
// than anything else at start-up, and this tells that cost apart from the
// game's.
//
// It goes onto the desktop as the game does (the same platform and title bar,
// see desktop_fit.h), so that on GNOME both are drawn and framed alike.
#include "board_layout.h"
#include "desktop_fit.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <memory>
#include <utility>

int main(int argc, char** argv) {
    const bool withMenuBar = argc > 1 && std::strcmp(argv[1], "--menu-bar") == 0;
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("bare_window"), nullptr};
    ChoosePlatform();
    QApplication application(qtArgc, qtArgv);
    ChooseTitleBar();

    std::unique_ptr<QWidget> window;
    if (withMenuBar) {
        auto main = std::make_unique<QMainWindow>();
        QMenuBar* bar = main->menuBar();
        bar->setNativeMenuBar(false);
        bar->addMenu(QStringLiteral("Игра"));
        bar->addMenu(QStringLiteral("Фигуры"));
        bar->addAction(QStringLiteral("Расставить"));
        auto* client = new QWidget(main.get());
        client->setFixedSize(board::ClientWidth, board::ClientHeight);
        main->setCentralWidget(client);
        // Fixed, as the game's window is: a tiling compositor would
        // otherwise fill the screen with it.
        main->layout()->setSizeConstraint(QLayout::SetFixedSize);
        window = std::move(main);
    } else {
        window = std::make_unique<QWidget>();
        // The game's client area with its menu bar's height above it.
        window->setFixedSize(board::ClientWidth, board::ClientHeight + 19);
    }
    window->setWindowTitle(QStringLiteral("bare window"));

    long ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();

    window->show();
    return QApplication::exec();
}
