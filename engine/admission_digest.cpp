#include "engine/admission_digest.h"

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

// True while the process `id` runs the program at `path`. An exec keeps the process's
// identity but changes its image: then what it runs says nothing about `path`.
bool RunsPath(const ProcessIdentity& id, std::string_view path, ExecutableAccess& executables) {
    const std::optional<std::string> running = executables.runningPath(id);
    return running && *running == path;
}

// The image the process `id` runs while it runs the program at `path`.
std::optional<std::string> ImageOfPath(const ProcessIdentity& id, std::string_view path,
                                       ExecutableAccess& executables) {
    return RunsPath(id, path, executables) ? executables.runningImage(id) : std::nullopt;
}

// The digest text of `image`, the image the process `id` runs for `path`; std::nullopt
// when the process ended, or started another program, while it was read.
std::optional<std::string> RunningImageDigest(const std::string& image, const ProcessIdentity& id,
                                              std::string_view path, ExecutableAccess& executables) {
    std::string digest;
    try {
        digest = DigestText(FileDigest(image));
    } catch (const FileError&) {
        if (RunsPath(id, path, executables)) {
            throw;
        }
        return std::nullopt;
    }
    if (!RunsPath(id, path, executables)) {
        return std::nullopt;
    }
    return digest;
}

} // namespace

std::string AdmissionDigest(std::string_view path, const ProcessSnapshot& snapshot, ExecutableAccess& executables) {
    for (const SnapshotEntry& entry : snapshot.StgLst()) {
        if (Trim(entry.path) != path) {
            continue;
        }
        const std::optional<std::string> image = ImageOfPath(entry.id, entry.path, executables);
        if (!image) {
            continue;
        }
        // A copy that ended or moved on meanwhile is passed over; another may still run.
        if (std::optional<std::string> digest = RunningImageDigest(*image, entry.id, entry.path, executables)) {
            return *digest;
        }
    }
    return DigestText(FileDigest(std::string(path)));
}

std::optional<std::string> ProcessAdmissionDigest(const SnapshotEntry& process, ExecutableAccess& executables) {
    if (const std::optional<std::string> image = ImageOfPath(process.id, process.path, executables)) {
        if (executables.probe(*image)) {
            if (std::optional<std::string> digest = RunningImageDigest(*image, process.id, process.path, executables)) {
                return digest;
            }
        } else if (RunsPath(process.id, process.path, executables)) {
            return std::nullopt; // refused while the process still runs it
        }
    }
    // The process has ended, or runs another program now: what runs next under the
    // questioned path is the file at that path.
    if (!executables.probe(process.path)) {
        return std::nullopt;
    }
    return DigestText(FileDigest(process.path));
}

} // namespace korvane
