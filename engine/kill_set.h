#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/list_pane.h"
#include "engine/path_list.h"
#include "platform/api/execution_guard.h"

namespace korvane {

// The Kill list as the execution guard enforces it: the entries without a Bypass mark,
// and the Never Kill list, whose programs are never refused, as they are never killed.
// Built whole and never changed, so the guard's answering thread reads it unlocked.
class KillSet : public ExecutionRule {
public:
    // `entries`: the Kill entries in force; `neverKill`: the Never Kill list's entries.
    KillSet(std::uint64_t generation, std::vector<std::string> entries, const std::vector<std::string>& neverKill);

    // The set the window's lists call for: nothing while the watch is stopped.
    static std::shared_ptr<const KillSet> FromPanes(std::uint64_t generation, const ListPane& kill,
                                                    const ListPane& neverKill, bool activated);

    std::uint64_t generation() const override { return generation_; }
    // The entries that are full paths, leaving out those of the Never Kill list.
    // Bare names, matching in any folder, are left to the kill after the start.
    const std::vector<std::string>& files() const override { return files_; }
    // The kill's own rule: some entry matches the path, and the path is not on
    // the Never Kill list.
    bool refuses(std::string_view path) const override;

    const std::vector<std::string>& entries() const override { return entries_; }
    const std::vector<std::string>& neverKill() const override { return neverKillEntries_; }

private:
    std::uint64_t generation_;
    std::vector<std::string> entries_;
    std::vector<std::string> neverKillEntries_;
    PathList neverKill_;
    std::vector<std::string> files_;
};

} // namespace korvane
