#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/activity_log.h"
#include "store/data_save.h"
#include "store/data_store.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_window.h"
#include "tests/support/memory_list_pane.h"
#include "tests/support/temp_folder.h"

namespace korvane::test {

// The window's side of the data store, recording what the store asked of it.
class FakeStoreHost : public DataStoreHost {
public:
    void paintTampered(ListPane& pane) override { painted.push_back(pane.name()); }
    void startTamperAlarm() override { ++alarms; }

    std::vector<std::string> painted;
    int alarms = 0;
};

// A later run of the program over the same folder, with panes and a window of its own.
struct NextRun {
    explicit NextRun(const DataFiles& files)
        : log(files.log, clock, window), store(files.folder, {safe, kill, neverKill}, log, locker, host) {}
    MemoryListPane safe{"TextListBox2", true};
    MemoryListPane kill{"CheckListBox3", false};
    MemoryListPane neverKill{"TextListBox4", true};
    FakeClock clock;
    FakeWatchHost window;
    ActivityLog log;
    FakeFileLocker locker;
    FakeStoreHost host;
    DataStore store;
};

// A program folder with "system/" and an empty log, the three list panes and a data
// store over them with fake locks and a fake window.
class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() {
        std::filesystem::create_directory(folder.path() / "system");
        WriteFileBytes(files.log, "");
    }

    // The panes as they are, saved exactly as shutdown saves them (no password line added).
    void saveAsShutdown() {
        ListFileStore lists(folder.folder());
        SaveDataFiles(lists, files, {safe, kill, neverKill});
    }
    std::string logText() const { return ReadFileBytes(files.log); }
    int logCount(const std::string& text) const {
        const std::string log = logText();
        int count = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++count;
        }
        return count;
    }

    TempFolder folder;
    DataFiles files{folder.folder()};
    MemoryListPane safe{"TextListBox2", true};
    MemoryListPane kill{"CheckListBox3", false};
    MemoryListPane neverKill{"TextListBox4", true};
    FakeClock clock;
    FakeWatchHost window;
    ActivityLog log{files.log, clock, window};
    FakeFileLocker locker;
    FakeStoreHost host;
    DataStore store{folder.folder(), {safe, kill, neverKill}, log, locker, host};
};

} // namespace korvane::test
