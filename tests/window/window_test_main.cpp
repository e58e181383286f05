// The window tests run without a display: Qt's offscreen platform, one QApplication.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The browser box's engine refuses to start as root with its sandbox on (CI runs as
    // root); the tests switch it off for themselves, the program never does.
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
