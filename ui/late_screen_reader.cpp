#include "late_screen_reader.h"

#include <QLibraryInfo>
#include <QVersionNumber>
#include <QtGlobal>

void FindableByLateScreenReaders() {
    // The first Qt seen to follow the flags by itself.
    const QVersionNumber following(6, 8);
    if (QLibraryInfo::version() < following &&
        !qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }
}
