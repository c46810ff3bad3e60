#include "engine/safe_list_verifier.h"

#include <algorithm>

#include "engine/checksums.h"
#include "engine/decision_record.h"
#include "engine/file_error.h"
#include "engine/kill_list.h"
#include "engine/path_rules.h"
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

} // namespace

SafeListVerifier::SafeListVerifier(const std::string& exeFolder, const FilterList& filterList,
                                   const ProcessSnapshot& snapshot, VerifiedLists lists, Services services,
                                   WatchHost& host, const WatchPreferences& preferences, QuestionableDialog& dialog,
                                   WatchFlags& flags)
    : programFolder_(exeFolder), alarmSound_(exeFolder + "Alarm1.wav"), filterList_(filterList), snapshot_(snapshot),
      lists_(lists), services_(services), host_(host), preferences_(preferences), dialog_(dialog), flags_(flags) {}

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
        if (verdict == Verdict::Pass || verdict == Verdict::Ended) {
            continue;
        }
        if (preferences_.autoKillUnknown()) {
            services_.killer.FileKill(entry);
            RecordDecision(services_.log, entry, "Auto terminated per prefs - not in Safe list.", true);
            continue;
        }
        if (preferences_.autoKillUnknownChecksums() && verdict == Verdict::CorruptChecksum) {
            services_.killer.FileKill(entry);
            RecordDecision(services_.log, entry, "Auto terminated per prefs - corrupt checksum.", true);
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
    if (InProgramFolder(entry.path, programFolder_)) {
        return Verdict::Pass;
    }
    // No list can hold such a path, and across the line breaks of a joined list
    // text it could seem to be on one.
    if (!ListablePath(entry.path)) {
        return Verdict::NotSafe;
    }
    const std::string trimmed = Trim(entry.path);
    const std::string path = LowerCase(trimmed);
    if (filterList_.InFilterList(trimmed) || Occurs(path, lists.neverKillLower)) {
        return Verdict::Pass;
    }
    // The last matching Safe entry decides.
    for (std::size_t i = lists.safe.size(); i-- > 0;) {
        if (Occurs(path, lists.safeLower[i])) {
            return checkDigest(entry, lists.safe[i]);
        }
    }
    return Verdict::NotSafe;
}

SafeListVerifier::Verdict SafeListVerifier::checkDigest(const SnapshotEntry& entry, const std::string& safeEntry) {
    ExecutableAccess& executables = services_.executables;
    // The image the process runs, not whatever lies at its path now. A process that
    // has ended is gone: there is nothing left to judge, so it is skipped, also when
    // it ends while its image is being read.
    const std::optional<std::string> image = executables.runningImage(entry.id);
    const auto ended = [&] { return !executables.runningImage(entry.id); };
    if (!image) {
        return Verdict::Ended;
    }
    if (!executables.probe(*image)) {
        if (ended()) {
            return Verdict::Ended;
        }
        RecordDecision(services_.log, entry, "This program locked it's exe file.  Unable to verify checksum.", false);
        return Verdict::Pass;
    }
    std::string digest;
    try {
        digest = DigestText(FileDigest(*image));
    } catch (const FileError&) {
        if (ended()) {
            return Verdict::Ended;
        }
        throw;
    }
    return digest == RecordedChecksum(safeEntry) ? Verdict::Pass : Verdict::CorruptChecksum;
}

void SafeListVerifier::AddQuestionable(const SnapshotEntry& entry, std::string_view suffix) {
    // Compared by what each line was made from, never by its text: a path may itself
    // hold a reason's text, and its copies differ only in their identities.
    for (std::size_t i = 0; i < dialog_.count(); ++i) {
        const SnapshotEntry listed = dialog_.entry(i);
        if (listed.id == entry.id && listed.path == entry.path) {
            return;
        }
    }
    dialog_.append(entry.text + std::string(suffix), entry);
}

} // namespace korvane
