#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests never need a screen; listing the tests at build time
    // happens without one too. Qt's offscreen platform gets two screens: one
    // like its own, and to the right of it one scaled by 2, for the windows
    // that tests put on a scaled screen.
    QTemporaryDir screens;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == QLatin1String("offscreen")) {
        QFile config(screens.filePath(QStringLiteral("screens.json")));
        if (!config.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(config.fileName()));
            return 1;
        }
        config.write(R"({"screens": [
            {"name": "plain", "x": 0, "y": 0, "width": 800, "height": 600,
             "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
            {"name": "scaled", "x": 800, "y": 0, "width": 800, "height": 600,
             "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})");
        config.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    }
    // Nor a runtime folder, which Qt wants all the same: without one it makes
    // /tmp/runtime-$USER and leaves it there. A private one goes at the end.
    std::optional<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime.emplace();
        qputenv("XDG_RUNTIME_DIR", runtime->path().toLocal8Bit());
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
