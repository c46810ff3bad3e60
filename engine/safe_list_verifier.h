#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/activity_log.h"
#include "engine/filter_list.h"
#include "engine/list_pane.h"
#include "engine/process_killer.h"
#include "engine/process_snapshot.h"
#include "engine/watch_flags.h"
#include "engine/watch_host.h"
#include "platform/api/executable_access.h"
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
        ExecutableAccess& executables;
        SoundPlayer& sound;
        ProcessKiller& killer;
        ActivityLog& log;
    };

    SafeListVerifier(const std::string& exeFolder, const FilterList& filterList, const ProcessSnapshot& snapshot,
                     VerifiedLists lists, Services services, WatchHost& host, const WatchPreferences& preferences,
                     QuestionableDialog& dialog, WatchFlags& flags);

    void CheckSafeProcessesList();
    // Lists the entry in the dialog with its reason, once per process (path and
    // identity) whatever the reason.
    void AddQuestionable(const SnapshotEntry& entry, std::string_view suffix);

private:
    // Ended: the process ended before it could be judged.
    enum class Verdict { Pass, NotSafe, CorruptChecksum, Ended };
    // The lists as one pass reads them, lower-cased once: nothing edits them
    // while the pass walks the snapshot.
    struct PassLists {
        std::string neverKillLower;
        std::vector<std::string> safe;
        std::vector<std::string> safeLower;
        std::vector<std::string> kill;
    };
    PassLists readLists() const;
    Verdict judge(const SnapshotEntry& entry, const PassLists& lists);
    Verdict checkDigest(const SnapshotEntry& entry, const std::string& safeEntry);

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
};

} // namespace korvane
