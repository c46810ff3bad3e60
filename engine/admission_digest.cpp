#include "engine/admission_digest.h"

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

using Outcome = RunningImageDigest::Outcome;

// The image the process `id` runs while it runs the program at `path`, read where the
// watch reads running images. Ended stands for "passed over": the process ended, or
// started another program, before or while its image was read.
RunningImageDigest ImageWhileRunning(const ProcessIdentity& id, std::string_view path, const AdmissionReads& reads) {
    if (!reads.executables.runs(id, path)) {
        return {Outcome::Ended, {}};
    }
    RunningImageDigest read = reads.images.digest(id);
    if (read.outcome != Outcome::Ended && !reads.executables.runs(id, path)) {
        return {Outcome::Ended, {}};
    }
    return read;
}

} // namespace

std::string AdmissionDigest(std::string_view path, const ProcessSnapshot& snapshot, const AdmissionReads& reads) {
    for (const SnapshotEntry& entry : snapshot.StgLst()) {
        if (Trim(entry.path) != path) {
            continue;
        }
        // A copy that ended or moved on meanwhile is passed over; another may still run.
        RunningImageDigest read = ImageWhileRunning(entry.id, entry.path, reads);
        if (read.outcome == Outcome::Digested) {
            return std::move(read.text);
        }
        if (read.outcome != Outcome::Ended) {
            throw FileError::cannotOpen(std::string(path));
        }
    }
    return DigestText(FileDigest(std::string(path)));
}

std::optional<std::string> ProcessAdmissionDigest(const SnapshotEntry& process, const AdmissionReads& reads) {
    RunningImageDigest read = ImageWhileRunning(process.id, process.path, reads);
    switch (read.outcome) {
    case Outcome::Digested:
        return std::move(read.text);
    case Outcome::Unreadable:
        return std::nullopt; // refused while the process still runs it
    case Outcome::ReadFailed:
        throw FileError::readFailed(process.path);
    case Outcome::Ended:
        break;
    }
    // The process has ended, or runs another program now: what runs next under the
    // questioned path is the file at that path.
    if (!reads.executables.probe(process.path)) {
        return std::nullopt;
    }
    return DigestText(FileDigest(process.path));
}

} // namespace korvane
