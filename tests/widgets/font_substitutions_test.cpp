#include "widgets/font_substitutions.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>

namespace korvane {
namespace {

// The test main registers the substitutions, as the program does at start-up; the
// fonts come from the packages the scripts install.
TEST(FontSubstitutions, TheWindowsFontsAreDrawnWithInstalledOnes) {
    RegisterFontSubstitutions();
    const auto drawnWith = [](const char* family) { return QFontInfo(QFont(QLatin1String(family), 8)).family(); };
    EXPECT_EQ(drawnWith("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(drawnWith("Arial"), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(drawnWith("Verdana"), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(drawnWith("Wingdings"), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(QFontMetrics(QFont(QStringLiteral("Wingdings"), 8)).inFontUcs4(kWingdingsTick.unicode()));
}

} // namespace
} // namespace korvane
