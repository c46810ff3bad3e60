#pragma once

#include "engine/digest_cache.h"
#include "platform/api/executable_access.h"
#include "platform/api/image_digests.h"

namespace korvane {

// Running images read in this process, through the executable access and the digest
// cache: by the window that reads /proc itself, and by the guard service for the
// windows it serves.
class LocalImageDigests : public ImageDigests {
public:
    LocalImageDigests(ExecutableAccess& executables, DigestCache& digests)
        : executables_(executables), digests_(digests) {}

    // Unreadable when the probe refuses the image of a running process; ReadFailed
    // when an image that passed the probe cannot be read while its process still runs.
    RunningImageDigest digest(const ProcessIdentity& id) override;

private:
    ExecutableAccess& executables_;
    DigestCache& digests_;
};

} // namespace korvane
