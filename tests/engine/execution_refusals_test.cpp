#include "engine/execution_refusals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/memory_list_pane.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_window.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(KillSetTest, MarksFullPathsOnlyAndNeverANeverKillProgram) {
    const KillSet set(7, {"/opt/tools/nc", "nc", "/usr/bin/passwd", "/opt/tools/nc", "/opt/Tools/socat"},
                      {"   password", "/usr/bin/passwd", "/usr/sbin/sshd"});
    EXPECT_EQ(set.generation(), 7u);
    // The bare name runs in any folder: left to the kill after the start.
    EXPECT_THAT(set.files(), ElementsAre("/opt/tools/nc", "/opt/Tools/socat"));
}

TEST(KillSetTest, RefusesByTheKillsRuleButNeverANeverKillProgram) {
    const KillSet set(1, {"/opt/Tools/nc", "socat"}, {"/usr/local/bin/socat"});
    EXPECT_TRUE(set.refuses("/opt/Tools/nc"));
    EXPECT_TRUE(set.refuses("/opt/Tools/ncat")); // the entry occurs in the path
    EXPECT_FALSE(set.refuses("/opt/tools/nc"));  // case significant
    EXPECT_TRUE(set.refuses("/usr/bin/socat"));
    EXPECT_FALSE(set.refuses("/usr/local/bin/socat"));
    EXPECT_FALSE(KillSet(1, {}, {}).refuses("/opt/Tools/nc"));
}

TEST(KillSetTest, FromPanesTakesTheUnbypassedEntriesWhileActivated) {
    MemoryListPane kill("CheckListBox3", false, {"/opt/a", "/opt/b", "/opt/c"});
    kill.setChecked(1, true);
    const MemoryListPane neverKill("TextListBox4", true, {"/opt/c"});
    const auto activated = KillSet::FromPanes(3, kill, neverKill, true);
    EXPECT_THAT(activated->entries(), ElementsAre("/opt/a", "/opt/c"));
    EXPECT_THAT(activated->files(), ElementsAre("/opt/a"));
    const auto stopped = KillSet::FromPanes(4, kill, neverKill, false);
    EXPECT_THAT(stopped->entries(), IsEmpty());
    EXPECT_FALSE(stopped->refuses("/opt/a"));
}

// Records what the window pushes; hands out the reports a test queues.
class RecordingGuard : public ExecutionGuard {
public:
    bool guarding() const override { return true; }
    void replace(std::shared_ptr<const ExecutionRule> rule) override { pushed.push_back(std::move(rule)); }
    void refreshMarks() override { ++refreshes; }
    int descriptor() const override { return -1; }
    std::vector<ExecutionReport> takeReports() override { return std::exchange(reports, {}); }

    std::vector<std::shared_ptr<const ExecutionRule>> pushed;
    int refreshes = 0;
    std::vector<ExecutionReport> reports;
};

class ExecutionRefusalsTest : public ::testing::Test {
protected:
    ExecutionRefusalsTest() { test::WriteFileBytes(logPath, ""); }

    std::vector<std::string> lastEntries() const {
        return dynamic_cast<const KillSet&>(*guard.pushed.back()).entries();
    }

    test::TempFolder folder;
    std::string logPath = folder.file("KVlog.txt");
    test::FakeClock clock;
    test::FakeWatchHost host;
    ActivityLog log{logPath, clock, host};
    MemoryListPane kill{"CheckListBox3", false, {"/opt/tools/nc"}};
    MemoryListPane neverKill{"TextListBox4", true};
    RecordingGuard guard;
    ExecutionRefusals refusals{guard, kill, neverKill, host, log};
};

TEST_F(ExecutionRefusalsTest, PushesANewGenerationOnlyWhenTheListsOrTheActivationChanged) {
    refusals.sync();
    refusals.sync();
    refusals.tick();
    ASSERT_EQ(guard.pushed.size(), 1u);
    EXPECT_EQ(guard.pushed[0]->generation(), 1u);
    EXPECT_EQ(guard.refreshes, 1);

    kill.setChecked(0, true); // Bypass
    refusals.sync();
    ASSERT_EQ(guard.pushed.size(), 2u);
    EXPECT_EQ(guard.pushed[1]->generation(), 2u);
    EXPECT_THAT(lastEntries(), IsEmpty());

    kill.setChecked(0, false);
    host.activated = false; // Stopped
    refusals.sync();
    EXPECT_THAT(lastEntries(), IsEmpty());

    host.activated = true;
    neverKill.add("/opt/tools/nc");
    refusals.sync();
    ASSERT_EQ(guard.pushed.size(), 4u);
    EXPECT_THAT(guard.pushed.back()->files(), IsEmpty());
    EXPECT_FALSE(guard.pushed.back()->refuses("/opt/tools/nc"));
}

TEST_F(ExecutionRefusalsTest, ARefusedStartIsLoggedAsTheKillOfAKillListedProgram) {
    guard.reports = {{ExecutionReport::Kind::Refused, "/opt/tools/nc [x]", 4321, {}},
                     {ExecutionReport::Kind::NotGuarded, "/usr/lib/ld.so", 0, "Not refused before it starts: why."},
                     {ExecutionReport::Kind::GaveUp, "fanotify", 0, "Given up."}};
    refusals.tick();
    const std::string text = test::ReadFileBytes(logPath);
    EXPECT_NE(text.find("/opt/tools/nc [x]  Terminated, found in Kill Processes list.\r\n"), std::string::npos);
    EXPECT_NE(text.find("/usr/lib/ld.so  Not refused before it starts: why.\r\n"), std::string::npos);
    EXPECT_NE(text.find("fanotify  Given up.\r\n"), std::string::npos);
    EXPECT_EQ(host.logAlerts, 1); // only the guard giving up calls for attention
    refusals.logReports();
    EXPECT_EQ(test::ReadFileBytes(logPath), text);
}

} // namespace
} // namespace korvane
