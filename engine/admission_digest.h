#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/process_snapshot.h"
#include "platform/api/executable_access.h"
#include "platform/api/image_digests.h"

namespace korvane {

// What an admission reads with: `executables` tells what a process runs now and reads
// the file at a path; `images` reads running images where the watch reads them (the
// guard service's, when one serves the window, reads every user's).
struct AdmissionReads {
    ExecutableAccess& executables;
    ImageDigests& images;
};

// The digest text `path` enters the Safe list with: of the image a running process of
// that path runs (while it still runs that path), so that what is admitted is what runs
// even when another file has been put at the path since; of the file at the path when
// no such process runs.
// Throws FileError when the file to digest cannot be read.
std::string AdmissionDigest(std::string_view path, const ProcessSnapshot& snapshot, const AdmissionReads& reads);

// The digest text a questioned process enters the Safe list with: of the image that
// very process runs; once it has ended, or has started another program by exec, of
// the file at its path. Each file is probed
// before it is read; std::nullopt when the probe refuses the file to digest. Throws
// FileError when a file that passed the probe cannot be read.
std::optional<std::string> ProcessAdmissionDigest(const SnapshotEntry& process, const AdmissionReads& reads);

} // namespace korvane
