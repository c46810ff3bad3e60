#include "engine/safe_list_verifier.h"

#include <algorithm>
#include <optional>

#include "engine/decision_record.h"
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

SafeListVerifier::SafeListVerifier(const ProgramLocation& location, const FilterList& filterList,
                                   const ProcessSnapshot& snapshot, VerifiedLists lists, Services services,
                                   WatchHost& host, const WatchPreferences& preferences, QuestionableDialog& dialog,
                                   WatchFlags& flags)
    : programFolder_(location.folder), alarmSound_(location.resourceFolder + "Alarm1.wav"), filterList_(filterList),
      snapshot_(snapshot), lists_(lists), services_(services), host_(host), preferences_(preferences), dialog_(dialog),
      flags_(flags) {}

void SafeListVerifier::readLists() {
    const std::uint64_t safeRevision = lists_.safe.revision();
    const std::uint64_t neverKillRevision = lists_.neverKill.revision();
    // Until the database has been read, trusting it changes nothing.
    std::shared_ptr<const PackageIndex> packages =
        preferences_.trustInstalledPackages() ? services_.packages.index() : nullptr;
    if (memo_.filled && memo_.safeRevision == safeRevision && memo_.neverKillRevision == neverKillRevision &&
        memo_.packages == packages) {
        return;
    }
    memo_.filled = true;
    memo_.packages = std::move(packages);
    memo_.safeRevision = safeRevision;
    memo_.neverKillRevision = neverKillRevision;
    memo_.neverKill = PathList(lists_.neverKill.items());
    memo_.safe = lists_.safe.items();
    memo_.safeLower.clear();
    memo_.safeLower.reserve(memo_.safe.size());
    for (const std::string& entry : memo_.safe) {
        memo_.safeLower.push_back(LowerCase(entry));
    }
    memo_.listings.clear();
}

void SafeListVerifier::CheckSafeProcessesList() {
    readLists();
    ++pass_;
    const std::vector<std::string> kill = lists_.kill.items();
    // Written before the dialog shows: ticks go on inside it.
    std::optional<LogPass> pass(std::in_place, services_.log);
    for (const SnapshotEntry& entry : snapshot_.StgLst()) {
        const Verdict verdict = judge(entry);
        if (verdict == Verdict::Pass || verdict == Verdict::Ended || verdict == Verdict::Unread ||
            verdict == Verdict::Later) {
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
        const bool killListed = std::any_of(kill.begin(), kill.end(), [&](const std::string& killEntry) {
            return KillEntryMatches(killEntry, entry.text);
        });
        if (verdict == Verdict::NotSafe && !killListed) {
            AddQuestionable(entry, kNotInSafeList);
        } else if (verdict == Verdict::CorruptChecksum) {
            AddQuestionable(entry, kCorruptChecksum);
        }
    }
    // Only the paths of running processes are remembered.
    std::erase_if(memo_.listings, [this](const auto& listed) { return listed.second.pass != pass_; });
    pass.reset();
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

const SafeListVerifier::Listing& SafeListVerifier::listing(const std::string& path) {
    const auto [at, added] = memo_.listings.try_emplace(path);
    Listing& listing = at->second;
    listing.pass = pass_;
    if (!added) {
        return listing;
    }
    listing.exempt = filterList_.InFilterList(path) || memo_.neverKill.contains(path);
    if (listing.exempt) {
        return listing;
    }
    // The last matching Safe entry decides; its digest decides whether the file is the one listed.
    const std::string lowerPath = LowerCase(Trim(path));
    for (std::size_t i = memo_.safe.size(); i-- > 0;) {
        if (Occurs(lowerPath, memo_.safeLower[i])) {
            listing.safeEntry = i;
            break;
        }
    }
    if (memo_.packages) {
        listing.packaged = memo_.packages->find(path);
    }
    return listing;
}

SafeListVerifier::Verdict SafeListVerifier::judge(const SnapshotEntry& entry) {
    if (InProgramFolder(entry.path, programFolder_)) {
        return Verdict::Pass;
    }
    // No list can hold such a path, and across the line breaks of a joined list
    // text it could seem to be on one.
    if (!ListablePath(entry.path)) {
        return Verdict::NotSafe;
    }
    const Listing& listed = listing(entry.path);
    if (listed.exempt) {
        return Verdict::Pass;
    }
    if (listed.safeEntry || !listed.packaged.empty()) {
        return checkDigest(entry, listed);
    }
    return Verdict::NotSafe;
}

SafeListVerifier::Verdict SafeListVerifier::checkDigest(const SnapshotEntry& entry, const Listing& listed) {
    const RunningImageDigest image = services_.images.digest(entry.id);
    switch (image.outcome) {
    case RunningImageDigest::Outcome::Ended:
        return Verdict::Ended;
    case RunningImageDigest::Outcome::Unreadable:
        RecordDecision(services_.log, entry, "This program locked it's exe file.  Unable to verify checksum.", false);
        return Verdict::Pass;
    case RunningImageDigest::Outcome::ReadFailed:
        // One unreadable image must not leave the processes after it unjudged.
        return Verdict::Unread;
    case RunningImageDigest::Outcome::Digested:
        break;
    }
    // The Safe entry first, then the package records.
    if (listed.safeEntry && image.text == RecordedChecksum(memo_.safe[*listed.safeEntry])) {
        return Verdict::Pass;
    }
    if (RecordWithDigest(listed.packaged, image.text) != nullptr) {
        return Verdict::Pass;
    }
    // An upgrade may have put a new program at the path while the records in use
    // still describe the old one.
    if (!listed.packaged.empty() && services_.packages.rereading()) {
        return Verdict::Later;
    }
    // A process that started another program since it was listed (a shell's child
    // between fork and exec) runs an image that says nothing of the listed path; the
    // next snapshot lists it under its new one.
    if (!services_.executables.runs(entry.id, entry.path)) {
        return Verdict::Ended;
    }
    return Verdict::CorruptChecksum;
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
