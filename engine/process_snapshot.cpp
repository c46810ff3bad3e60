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
    current.clear();
    for (const SnapshotEntry& entry : entries_) {
        current.add(entry.text.substr(0, entry.text.find(" [")));
    }
}

} // namespace korvane
