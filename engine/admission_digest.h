#pragma once

#include <string>
#include <string_view>

#include "engine/process_snapshot.h"
#include "platform/api/executable_access.h"

namespace korvane {

// The digest text `path` enters the Safe list with: of the image a running process of
// that path runs, so that what is admitted is what runs even when another file has
// been put at the path since; of the file at the path when no such process runs.
// Throws FileError when the file to digest cannot be read.
std::string AdmissionDigest(std::string_view path, const ProcessSnapshot& snapshot, ExecutableAccess& executables);

} // namespace korvane
