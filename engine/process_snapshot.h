#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
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
//
// A process told to end with SIGKILL never runs another instruction of its own, so
// nobody waits for it to be gone: it is out of view at once. Readings of the table
// made before its end is reported leave it out, as if it had died at the kill; it is
// forgotten once its end is reported or a reading no longer holds it.
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

    // The process now at `pid` as an entry of StgLst would show it, without reading
    // the whole table; nullopt when the table leaves it out or it is ending.
    std::optional<SnapshotEntry> newcomer(int pid);

    // The process was told to end.
    void ending(const ProcessIdentity& id);
    // Its end was reported.
    void ended(const ProcessIdentity& id);
    std::size_t endingCount() const { return ending_.size(); }

private:
    using Key = std::pair<int, std::uint64_t>;
    static Key KeyOf(const ProcessIdentity& id) { return {id.pid, id.startTime}; }

    ProcessTable& processes_;
    std::vector<SnapshotEntry> entries_;
    std::set<Key> ending_;
};

} // namespace korvane
