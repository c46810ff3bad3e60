#pragma once

#include <string>
#include <vector>

#include "engine/list_pane.h"
#include "platform/api/process_table.h"

namespace korvane {

// One running process as the engine sees it: the entry text "path [pid]" that the
// lists, the log and the dialog show, the path it was built from, and the identity
// every termination aims at. The path is kept whole because a path may itself
// hold a "[" that cutting the text at its first "[" would mistake for the PID.
struct SnapshotEntry {
    std::string text;
    std::string path;
    ProcessIdentity id;

    bool operator==(const SnapshotEntry&) const = default;
};

// The engine's view of the running processes.
class ProcessSnapshot {
public:
    explicit ProcessSnapshot(ProcessTable& processes) : processes_(processes) {}

    // Rebuilds StgLst from the process table; keeps the previous one, and answers
    // false, when the table cannot be read.
    bool RefreshTaskListNT();
    // Refills the Current list with the paths of StgLst, each shown as far as its
    // first " [".
    void AddStgLstPeocessesToTextListBox1(ListPane& current) const;

    const std::vector<SnapshotEntry>& StgLst() const { return entries_; }

private:
    ProcessTable& processes_;
    std::vector<SnapshotEntry> entries_;
};

} // namespace korvane
