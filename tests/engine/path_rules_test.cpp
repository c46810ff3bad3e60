#include "engine/path_rules.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(PathRules, ProgramFolderHoldsOnlyPathsThatBeginWithIt) {
    const std::string folder = "/opt/Korvane/";
    EXPECT_TRUE(InProgramFolder("/opt/Korvane/Korvane", folder));
    EXPECT_TRUE(InProgramFolder("/opt/Korvane/tools/deep/helper", folder));
    // Borrowed: the folder's name elsewhere, in other letter case, or as a prefix.
    EXPECT_FALSE(InProgramFolder("/home/x/opt/Korvane/evil", folder));
    EXPECT_FALSE(InProgramFolder("/opt/korvane/evil", folder));
    EXPECT_FALSE(InProgramFolder("/opt/Korvane2/evil", folder));
    EXPECT_FALSE(InProgramFolder("/opt/Korvane", folder));
    EXPECT_FALSE(InProgramFolder("/opt/x", ""));
}

TEST(PathRules, OnlyPathsWithoutLineBreaksFitALineOfAListFile) {
    EXPECT_TRUE(ListablePath("/usr/bin/a b\t[1]"));
    EXPECT_TRUE(ListablePath(""));
    EXPECT_FALSE(ListablePath("/tmp/a\nb"));
    EXPECT_FALSE(ListablePath("/tmp/a\rb"));
    EXPECT_FALSE(ListablePath("/tmp/a\r\n"));
}

} // namespace
} // namespace korvane
