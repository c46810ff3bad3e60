#include "engine/process_snapshot.h"

namespace korvane {

namespace {

SnapshotEntry MakeEntry(ProcessRecord& record) {
    std::string text = record.path + " [" + std::to_string(record.id.pid) + "]";
    return {std::move(text), std::move(record.path), record.id};
}

} // namespace

bool ProcessSnapshot::RefreshTaskListNT() {
    auto records = processes_.enumerate();
    if (!records) {
        return false;
    }
    std::set<Key> stillEnding;
    entries_.clear();
    entries_.reserve(records->size());
    for (ProcessRecord& record : *records) {
        if (ending_.contains(KeyOf(record.id))) {
            stillEnding.insert(KeyOf(record.id));
            continue;
        }
        entries_.push_back(MakeEntry(record));
    }
    ending_ = std::move(stillEnding);
    return true;
}

std::optional<SnapshotEntry> ProcessSnapshot::newcomer(int pid) {
    auto record = processes_.lookup(pid);
    if (!record || ending_.contains(KeyOf(record->id))) {
        return std::nullopt;
    }
    return MakeEntry(*record);
}

void ProcessSnapshot::ending(const ProcessIdentity& id) {
    ending_.insert(KeyOf(id));
}

void ProcessSnapshot::ended(const ProcessIdentity& id) {
    ending_.erase(KeyOf(id));
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
