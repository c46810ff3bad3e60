#include "engine/process_snapshot.h"

namespace korvane {

bool ProcessSnapshot::RefreshTaskListNT() {
    auto records = processes_.enumerate();
    if (!records) {
        return false;
    }
    entries_.clear();
    entries_.reserve(records->size());
    for (ProcessRecord& record : *records) {
        std::string text = record.path + " [" + std::to_string(record.id.pid) + "]";
        entries_.push_back({std::move(text), std::move(record.path), record.id});
    }
    return true;
}

void ProcessSnapshot::AddStgLstPeocessesToTextListBox1(ListPane& current) const {
    std::vector<std::pair<std::string, std::string>> items;
    items.reserve(entries_.size());
    for (const SnapshotEntry& entry : entries_) {
        // Shown cut before its first " [", but standing for the whole path: a path that
        // holds " [" would otherwise reach the other lists as the folder before it.
        items.emplace_back(entry.path, entry.text.substr(0, entry.text.find(" [")));
    }
    current.clear();
    current.addAllShowing(items);
}

} // namespace korvane
