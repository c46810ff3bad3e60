#include <gtest/gtest.h>

#include <QApplication>

#include "widgets/font_substitutions.h"

// One QApplication for the whole run; widget and window tests need it, the others
// do not mind it. Headless unless the caller chose a platform.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The program's windows are drawn and measured in the fonts it runs with.
    korvane::RegisterFontSubstitutions();
    return RUN_ALL_TESTS();
}
