#include <gtest/gtest.h>

#include <QApplication>

// One QApplication for the whole run; widget and window tests need it, the others
// do not mind it. Headless unless the caller chose a platform.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
