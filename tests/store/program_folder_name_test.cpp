#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/activity_log.h"
#include "engine/text_lines.h"
#include "store/data_store.h"
#include "tests/store/store_fixture.h"

namespace korvane {
namespace {

// The program's folder is named by whoever unpacked it: its name may hold a line
// break followed by what looks like a log entry, and a "[".
TEST(ProgramFolderNameTest, EveryEntryNamesTheWholeDataFileOnOneLine) {
    test::TempFolder root;
    const std::string stamp = "03/07/2008 14:05:09  -  ";
    const std::string folder = root.file("Korvane\n" + stamp + "\n/usr/bin/forged [1]  Continued execution") + "/";
    std::filesystem::create_directories(folder + "system");
    test::WriteFileBytes(folder + "system/KVlog.txt", "");
    const DataFiles files{folder};
    test::MemoryListPane safe{"TextListBox2", true};
    test::MemoryListPane kill{"CheckListBox3", false};
    test::MemoryListPane neverKill{"TextListBox4", true};
    test::FakeClock clock;
    test::FakeWatchHost window;
    ActivityLog log{files.log, clock, window};
    test::FakeFileLocker locker;
    test::FakeStoreHost host;
    DataStore store{folder, {safe, kill, neverKill}, log, locker, host};

    // Nothing there to check: the seal and the three lists each fail.
    store.VerifyDataSeal();

    const std::string text = test::ReadFileBytes(files.log);
    const std::vector<std::string_view> lines = SplitLines(text);
    const std::string escaped = "Korvane\\n" + stamp + "\\n/usr/bin/forged [1]  Continued execution/system/";
    ASSERT_EQ(lines.size(), 1u + 2 * 4);
    for (const std::string& file : {files.seal, files.safeList, files.killList, files.neverKillList}) {
        const std::string name = file.substr(folder.size() + std::string("system/").size());
        const std::string line = root.folder() + escaped + name + "  " + DataStore::kTamperedMessage;
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n" << text;
    }
    for (std::size_t i = 1; i < lines.size(); i += 2) {
        EXPECT_EQ(lines[i], stamp) << text;
    }
}

} // namespace
} // namespace korvane
