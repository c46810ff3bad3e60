#include "engine/process_snapshot.h"

namespace korvane {

void ProcessSnapshot::RefreshTaskListNT() {
    auto records = processes_.enumerate();
    if (!records) {
        return;
    }
    entries_.clear();
    entries_.reserve(records->size());
    for (ProcessRecord& record : *records) {
        std::string text = record.path + " [" + std::to_string(record.id.pid) + "]";
        entries_.push_back({std::move(text), std::move(record.path), record.id});
    }
}

void ProcessSnapshot::AddStgLstPeocessesToTextListBox1(ListPane& current) const {
    current.clear();
    for (const SnapshotEntry& entry : entries_) {
        // Shown cut before its first " [", but standing for the whole path: a path that
        // holds " [" would otherwise reach the other lists as the folder before it.
        current.addShowing(entry.path, entry.text.substr(0, entry.text.find(" [")));
    }
}

} // namespace korvane
