#pragma once

#include <string>

#include <sys/types.h>

#include "engine/file_descriptor.h"

namespace korvane {

// Opens `path` with `flags` (and `mode` when they create it) only when it names a
// regular file, and never blocks in the attempt: a FIFO put in a file's place would
// hold open() until its other end appears, and a device such as /dev/zero would be
// read forever. The descriptor comes back blocking, as an ordinary open would give
// it. Invalid, with errno set, on failure: EINVAL when the path names no regular file.
Descriptor OpenRegularFile(const std::string& path, int flags, mode_t mode = 0);

} // namespace korvane
