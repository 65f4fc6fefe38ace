#include <QApplication>
#include <gtest/gtest.h>

// Test programs that need widgets share one application object for all their tests. They run
// on the offscreen platform unless the environment names another (the desktop tests use xcb).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
