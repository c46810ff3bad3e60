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
    std::vector<std::string> paths;
    paths.reserve(entries_.size());
    for (const SnapshotEntry& entry : entries_) {
        paths.push_back(entry.text.substr(0, entry.text.find(" [")));
    }
    current.clear();
    current.addItems(paths);
}

} // namespace korvane
