#pragma once

#include <memory>
#include <string>

#include "engine/watch_engine.h"
#include "tests/support/fake_window.h"
#include "tests/support/memory_list_pane.h"
#include "tests/support/temp_folder.h"

namespace korvane::test {

// A watch engine over the given platform, with in-memory panes and a fake window,
// living in a temporary program folder that holds an empty log.
class EngineRig {
public:
    explicit EngineRig(PlatformServices& platform);

    std::string logText() const { return ReadFileBytes(folder.file("system/KVlog.txt")); }
    // How often `text` occurs in the log.
    int logCount(const std::string& text) const;
    std::string programPath() const { return folder.folder() + "Korvane"; }

    TempFolder folder;
    MemoryListPane current{"TextListBox1", true};
    MemoryListPane safe{"TextListBox2", true};
    MemoryListPane kill{"CheckListBox3", false};
    MemoryListPane neverKill{"TextListBox4", true};
    FakeWatchHost host;
    FakePreferences preferences;
    FakeQuestionableDialog dialog;
    std::unique_ptr<WatchEngine> engine;
};

} // namespace korvane::test
