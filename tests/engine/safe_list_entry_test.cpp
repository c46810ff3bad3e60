#include "engine/safe_list_entry.h"

#include <gtest/gtest.h>

#include "engine/memory_list_pane.h"

namespace korvane {
namespace {

const std::string kOld = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
const std::string kNew = "00000000000000000000000000000000";

TEST(SafeListEntry, IsThePathFiveBlanksAndTheBracketedDigest) {
    EXPECT_EQ(SafeListEntry("/usr/bin/tool", kNew), "/usr/bin/tool     [" + kNew + "]");
}

TEST(SafeListEntry, PathIsCutAtTheDigestElseAtTheFirstBracket) {
    EXPECT_EQ(SafeListPath(SafeListEntry("/opt/k[y]/tool", kNew)), "/opt/k[y]/tool");
    EXPECT_EQ(SafeListPath(SafeListEntry("/opt/a     [b/tool", kNew)), "/opt/a     [b/tool");
    // Other forms, as typed by hand: the text before the first "[", trimmed.
    EXPECT_EQ(SafeListPath(" /usr/bin/tool [x]y"), "/usr/bin/tool");
    EXPECT_EQ(SafeListPath("/usr/bin/tool     [A]     [B"), "/usr/bin/tool");
    EXPECT_EQ(SafeListPath("/usr/bin/tool"), "/usr/bin/tool");
}

TEST(SafeListEntry, AdmittingAgainReplacesTheOlderEntryOfThatPathOnly) {
    MemoryListPane safe("TextListBox2", true,
                        {SafeListEntry("/usr/bin/tool", kOld), SafeListEntry("/usr/bin/tool2", kOld),
                         SafeListEntry("/usr/bin/TOOL", kOld), SafeListEntry("/opt/usr/bin/tool", kOld),
                         "/usr/bin/tool     [hand-typed]x"});
    AdmitToSafeList(safe, "/usr/bin/tool", kNew);
    // The new digest sorts before the old one: left beside it, the old entry would
    // decide every later check.
    EXPECT_EQ(safe.items(), (std::vector<std::string>{
                                SafeListEntry("/opt/usr/bin/tool", kOld),
                                SafeListEntry("/usr/bin/tool", kNew),
                                SafeListEntry("/usr/bin/TOOL", kOld),
                                "/usr/bin/tool     [hand-typed]x",
                                SafeListEntry("/usr/bin/tool2", kOld),
                            }));
}

TEST(SafeListEntry, APathHoldingABracketIsReplacedToo) {
    MemoryListPane safe("TextListBox2", true, {SafeListEntry("/opt/k[y]/tool", kOld), SafeListEntry("/opt/k", kOld)});
    AdmitToSafeList(safe, "/opt/k[y]/tool", kNew);
    EXPECT_EQ(safe.items(),
              (std::vector<std::string>{SafeListEntry("/opt/k", kOld), SafeListEntry("/opt/k[y]/tool", kNew)}));
}

} // namespace
} // namespace korvane
