#include "engine/safe_list_verifier.h"

#include <algorithm>

#include "engine/checksums.h"
#include "engine/decision_record.h"
#include "engine/kill_list.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

const char kNotInSafeList[] = " [not in Safe list]";
const char kCorruptChecksum[] = " [corrupt checksum]";

// The checksum recorded in a Safe entry "path     [DIGEST]": the text in its last
// pair of brackets, so that a "[" inside the path cannot shift it. An entry
// without that pair records nothing, which no digest equals.
std::string RecordedChecksum(const std::string& safeEntry) {
    const std::size_t open = safeEntry.rfind('[');
    if (open == std::string::npos) {
        return {};
    }
    const std::size_t close = safeEntry.find(']', open);
    if (close == std::string::npos) {
        return {};
    }
    return safeEntry.substr(open + 1, close - open - 1);
}

// A questionable item reduced to its entry: trimmed, lower-cased, reasons removed.
std::string NormalisedQuestionable(const std::string& item) {
    std::string text = LowerCase(Trim(item));
    for (const std::string& reason : {LowerCase(kNotInSafeList), LowerCase(kCorruptChecksum)}) {
        for (std::size_t at = text.find(reason); at != std::string::npos; at = text.find(reason, at)) {
            text.erase(at, reason.size());
        }
    }
    return LowerCase(text);
}

} // namespace

SafeListVerifier::SafeListVerifier(const std::string& exeFolder, const FilterList& filterList,
                                   const ProcessSnapshot& snapshot, VerifiedLists lists, Services services,
                                   WatchHost& host, const WatchPreferences& preferences, QuestionableDialog& dialog,
                                   WatchFlags& flags)
    : ownFolder_(LowerCase(exeFolder)), alarmSound_(exeFolder + "Alarm1.wav"), filterList_(filterList),
      snapshot_(snapshot), lists_(lists), services_(services), host_(host), preferences_(preferences), dialog_(dialog),
      flags_(flags) {}

SafeListVerifier::PassLists SafeListVerifier::readLists() const {
    PassLists lists{LowerCase(lists_.neverKill.joinedText()), lists_.safe.items(), {}, lists_.kill.items()};
    lists.safeLower.reserve(lists.safe.size());
    for (const std::string& entry : lists.safe) {
        lists.safeLower.push_back(LowerCase(entry));
    }
    return lists;
}

void SafeListVerifier::CheckSafeProcessesList() {
    const PassLists lists = readLists();
    for (const SnapshotEntry& entry : snapshot_.StgLst()) {
        const Verdict verdict = judge(entry, lists);
        if (verdict == Verdict::Pass) {
            continue;
        }
        if (preferences_.autoKillUnknown()) {
            services_.killer.FileKill(entry);
            RecordDecision(services_.log, entry.text, "Auto terminated per prefs - not in Safe list.", true);
            continue;
        }
        if (preferences_.autoKillUnknownChecksums() && verdict == Verdict::CorruptChecksum) {
            services_.killer.FileKill(entry);
            RecordDecision(services_.log, entry.text, "Auto terminated per prefs - corrupt checksum.", true);
            continue;
        }
        // A process on the Kill list, bypassed or not, is never questioned.
        const bool killListed = std::any_of(lists.kill.begin(), lists.kill.end(), [&](const std::string& kill) {
            return KillEntryMatches(kill, entry.text);
        });
        if (verdict == Verdict::NotSafe && !killListed) {
            AddQuestionable(entry, kNotInSafeList);
        } else if (verdict == Verdict::CorruptChecksum) {
            AddQuestionable(entry, kCorruptChecksum);
        }
    }
    if (dialog_.count() == 0 || flags_.DialogUp) {
        return;
    }
    if (preferences_.alarmOnPopup()) {
        services_.sound.playSync(alarmSound_);
    }
    host_.hideMainWindow();
    flags_.DialogUp = true;
    dialog_.showModal();
}

SafeListVerifier::Verdict SafeListVerifier::judge(const SnapshotEntry& entry, const PassLists& lists) {
    const std::string path = LowerCase(Trim(entry.path));
    if (Occurs(ownFolder_, path) || filterList_.InFilterList(path) || Occurs(path, lists.neverKillLower)) {
        return Verdict::Pass;
    }
    // The last matching Safe entry decides.
    for (std::size_t i = lists.safe.size(); i-- > 0;) {
        if (Occurs(path, lists.safeLower[i])) {
            return checksumMatches(entry, lists.safe[i]) ? Verdict::Pass : Verdict::CorruptChecksum;
        }
    }
    return Verdict::NotSafe;
}

bool SafeListVerifier::checksumMatches(const SnapshotEntry& entry, const std::string& safeEntry) {
    // The image the process runs, not whatever lies at its path now.
    const std::string image = services_.executables.runningImage(entry.id, Trim(entry.path));
    if (!services_.executables.probe(image)) {
        RecordDecision(services_.log, entry.text, "This program locked it's exe file.  Unable to verify checksum.",
                       false);
        return true;
    }
    return DigestText(FileDigest(image)) == RecordedChecksum(safeEntry);
}

void SafeListVerifier::AddQuestionable(const SnapshotEntry& entry, std::string_view suffix) {
    const std::string entryLower = LowerCase(entry.text);
    for (std::size_t i = 0; i < dialog_.count(); ++i) {
        if (NormalisedQuestionable(dialog_.item(i)) == entryLower) {
            return;
        }
    }
    dialog_.append(entry.text + std::string(suffix), entry);
}

} // namespace korvane
