#include "engine/admission_digest.h"

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

// The digest text of `image`, the image the process `id` runs; std::nullopt when the
// process ended while it was read, taking its image along.
std::optional<std::string> RunningImageDigest(const std::string& image, const ProcessIdentity& id,
                                              ExecutableAccess& executables) {
    try {
        return DigestText(FileDigest(image));
    } catch (const FileError&) {
        if (executables.runningImage(id)) {
            throw;
        }
        return std::nullopt;
    }
}

} // namespace

std::string AdmissionDigest(std::string_view path, const ProcessSnapshot& snapshot, ExecutableAccess& executables) {
    for (const SnapshotEntry& entry : snapshot.StgLst()) {
        if (Trim(entry.path) != path) {
            continue;
        }
        const std::optional<std::string> image = executables.runningImage(entry.id);
        if (!image) {
            continue;
        }
        // A copy that ended meanwhile is passed over; another may still run.
        if (std::optional<std::string> digest = RunningImageDigest(*image, entry.id, executables)) {
            return *digest;
        }
    }
    return DigestText(FileDigest(std::string(path)));
}

std::optional<std::string> ProcessAdmissionDigest(const SnapshotEntry& process, ExecutableAccess& executables) {
    if (const std::optional<std::string> image = executables.runningImage(process.id)) {
        if (executables.probe(*image)) {
            if (std::optional<std::string> digest = RunningImageDigest(*image, process.id, executables)) {
                return digest;
            }
        } else if (executables.runningImage(process.id)) {
            return std::nullopt; // refused while the process still runs
        }
    }
    // The process has ended: what runs next under its name is the file at its path.
    if (!executables.probe(process.path)) {
        return std::nullopt;
    }
    return DigestText(FileDigest(process.path));
}

} // namespace korvane
