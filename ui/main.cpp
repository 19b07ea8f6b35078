#include "form1.h"

#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt reports a display it cannot reach as a screenful of warnings and then
// aborts. Until the application is up, its messages are held back so that the
// player gets one plain line and an ordinary failure status instead.
QStringList heldBack;

void HoldBackMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY");
        std::fprintf(
            stderr, "dvigushki: cannot open the game window: no display to show it on%s\n",
            display.isEmpty()
                ? " (DISPLAY is not set)"
                : qPrintable(QStringLiteral(" (DISPLAY=%1)").arg(QString::fromLocal8Bit(display))));
        std::_Exit(EXIT_FAILURE);
    }
    heldBack.append(message);
}

} // namespace

int main(int argc, char** argv) {
    // The game takes no command line: Qt sees only the program's name, so
    // stray words cannot change what it does.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("dvigushki"), nullptr};

    QtMessageHandler previous = qInstallMessageHandler(HoldBackMessages);
    QApplication application(qtArgc, qtArgv);
    qInstallMessageHandler(previous);
    for (const QString& message : heldBack) {
        qWarning("%s", qPrintable(message));
    }

    Form1 window;
    window.show();
    return QApplication::exec();
}
