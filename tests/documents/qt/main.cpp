// The Qt tests' entry: one QApplication for the whole run, on the main thread, made
// before the tests and destroyed before static destructors run (Qt's own statics may
// not outlive it). Tests reach it through qApp.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Without a display (a build that lists the tests, CI) the tests run offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
