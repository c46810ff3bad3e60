#include "engine/kill_set.h"

#include <algorithm>

#include "engine/kill_list.h"

namespace korvane {

KillSet::KillSet(std::uint64_t generation, std::vector<std::string> entries, const std::vector<std::string>& neverKill)
    : generation_(generation), entries_(std::move(entries)), neverKillEntries_(neverKill), neverKill_(neverKill) {
    for (const std::string& entry : entries_) {
        if (entry.starts_with('/') && !neverKill_.contains(entry) &&
            std::find(files_.begin(), files_.end(), entry) == files_.end()) {
            files_.push_back(entry);
        }
    }
}

std::shared_ptr<const KillSet> KillSet::FromPanes(std::uint64_t generation, const ListPane& kill,
                                                  const ListPane& neverKill, bool activated) {
    std::vector<std::string> entries;
    if (activated) {
        for (std::size_t k = 0; k < kill.count(); ++k) {
            if (!kill.checked(k)) {
                entries.push_back(kill.item(k));
            }
        }
    }
    return std::make_shared<const KillSet>(generation, std::move(entries), neverKill.items());
}

bool KillSet::refuses(std::string_view path) const {
    return !neverKill_.contains(path) && std::any_of(entries_.begin(), entries_.end(), [&](const std::string& entry) {
        return KillEntryMatches(entry, path);
    });
}

} // namespace korvane
