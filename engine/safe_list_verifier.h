#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/activity_log.h"
#include "engine/filter_list.h"
#include "engine/list_pane.h"
#include "engine/packages/package_trust.h"
#include "engine/path_list.h"
#include "engine/process_killer.h"
#include "engine/process_snapshot.h"
#include "engine/program_location.h"
#include "engine/watch_flags.h"
#include "engine/watch_host.h"
#include "platform/api/executable_access.h"
#include "platform/api/image_digests.h"
#include "platform/api/sound_player.h"

namespace korvane {

// The panes the verification pass reads.
struct VerifiedLists {
    ListPane& safe;      // TextListBox2: "path     [DIGEST]"
    ListPane& kill;      // CheckListBox3
    ListPane& neverKill; // TextListBox4
};

// Judges every process of the snapshot that the Kill-list pass left running.
class SafeListVerifier {
public:
    struct Services {
        ImageDigests& images;
        ExecutableAccess& executables; // what a process runs now
        SoundPlayer& sound;
        ProcessKiller& killer;
        ActivityLog& log;
        PackageTrust& packages;
    };

    SafeListVerifier(const ProgramLocation& location, const FilterList& filterList, const ProcessSnapshot& snapshot,
                     VerifiedLists lists, Services services, WatchHost& host, const WatchPreferences& preferences,
                     QuestionableDialog& dialog, WatchFlags& flags);

    void CheckSafeProcessesList();
    // Lists the entry in the dialog with its reason, once per process (path and
    // identity) whatever the reason.
    void AddQuestionable(const SnapshotEntry& entry, std::string_view suffix);

private:
    // Ended: the process ended before it could be judged. Unread: its image could not
    // be read (a failing disk, a FUSE mount): skipped, it is judged again at the next
    // pass. Later: its packaged image is judged once the package database, which
    // changed, has been read again.
    enum class Verdict { Pass, NotSafe, CorruptChecksum, Ended, Unread, Later };
    // What the lists say about one path: exempt, or the Safe entry that decides (its
    // position in the memo's `safe`), and the installed packages' records of it.
    struct Listing {
        bool exempt = false;
        std::optional<std::size_t> safeEntry;
        std::span<const PackageRecord> packaged;
        std::uint64_t pass = 0; // the last pass that asked
    };
    // The Safe and Never Kill lists as the passes read them (the Safe list lower-cased
    // once), and what they say about each path that was asked about. It holds while
    // neither pane changes, so a pass over unchanged processes costs a look-up each
    // instead of a search through the lists. Nothing edits the panes while a pass
    // walks the snapshot.
    struct ListMemo {
        bool filled = false;
        std::uint64_t safeRevision = 0;
        std::uint64_t neverKillRevision = 0;
        PathList neverKill;
        std::vector<std::string> safe;
        std::vector<std::string> safeLower;
        std::shared_ptr<const PackageIndex> packages;      // while trusted and read
        std::unordered_map<std::string, Listing> listings; // by path
    };
    void readLists();
    const Listing& listing(const std::string& path);
    Verdict judge(const SnapshotEntry& entry);
    Verdict checkDigest(const SnapshotEntry& entry, const Listing& listed);

    std::string programFolder_; // with its trailing separator
    std::string alarmSound_;
    const FilterList& filterList_;
    const ProcessSnapshot& snapshot_;
    VerifiedLists lists_;
    Services services_;
    WatchHost& host_;
    const WatchPreferences& preferences_;
    QuestionableDialog& dialog_;
    WatchFlags& flags_;
    ListMemo memo_;
    std::uint64_t pass_ = 0;
};

} // namespace korvane
