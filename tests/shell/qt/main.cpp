// The Qt shell tests' entry: one QApplication for the whole run, on the main thread.
// Offscreen, the screen is a cash desk's: 1366x768 less the desktop's panel (40).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
    // Without a display (a build that lists the tests, CI) the tests run offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        const QString config = QDir::tempPath() + "/kw_shellqt_screen.json";
        QFile f(config);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            f.write(R"({"screens": [{"name": "desk", "x": 0, "y": 0, "width": 1366, "height": 728,
                         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            f.close();
            qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
        }
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
