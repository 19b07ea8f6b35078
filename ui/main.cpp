#include "desktop_fit.h"
#include "form1.h"
#include "late_screen_reader.h"
#include "start_failure.h"
#include "whole_scale.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Qt reports a display it cannot reach as a screenful of warnings and then
// aborts. Until the application is up, its messages are held back, so that a
// failed start gives the player one plain line naming the cause and an
// ordinary failure status instead of a core dump.
StartFailure& HeldBack() {
    static StartFailure startFailure(StartFailure::Displays::FromEnvironment());
    return startFailure;
}

void HoldBackMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "dvigushki: cannot open the game window: %s\n",
                     qPrintable(HeldBack().Reason()));
        std::_Exit(EXIT_FAILURE);
    }
    HeldBack().Note(context.category, message);
}

// One name for the window wherever the desktop looks: the Wayland app id is
// the desktop entry's file name, and the X11 class is the entry's
// StartupWMClass, so docks and task switchers find the entry and its icon.
constexpr const char* DesktopEntryId = "io.github.dvigushki.Dvigushki";
constexpr const char* ProgramName = "dvigushki";

} // namespace

int main(int, char**) {
    // The game takes no command line: Qt sees only a fixed program name, so
    // stray words cannot change what it does and the X11 instance name does
    // not depend on how the program was started.
    int qtArgc = 1;
    std::string programName = ProgramName;
    char* qtArgv[] = {programName.data(), nullptr};
    QCoreApplication::setApplicationName(QString::fromLatin1(ProgramName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopEntryId));
    // The platform first: the scale rounding depends on it.
    ChoosePlatform();
    ChooseScaleRounding();
    FindableByLateScreenReaders();

    QtMessageHandler previous = qInstallMessageHandler(HoldBackMessages);
    QApplication application(qtArgc, qtArgv);
    qInstallMessageHandler(previous);
    IgnoreStaleScaleWarnings();
    // Qt 6.8 warns when GNOME Shell 48 tells it that the keyboard left a
    // drop-down Qt has already destroyed, as it does each time one closes.
    // The game takes no text, so what Qt's text input says tells a player
    // nothing. QT_LOGGING_RULES still brings it back.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.wayland.textinput.warning=false"));
    for (const QString& message : HeldBack().Messages()) {
        qWarning("%s", qPrintable(message));
    }

    ChooseTitleBar();
    Form1 window;
    NameDesktopEntry(window, DesktopEntryId);
    window.show();
    return QApplication::exec();
}
