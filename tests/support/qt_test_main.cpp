#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests never need a screen; listing the tests at build time
    // happens without one too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
