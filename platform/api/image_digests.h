#pragma once

#include <string>

#include "platform/api/process_table.h"

namespace korvane {

// What reading the image a running process runs came to.
struct RunningImageDigest {
    enum class Outcome {
        Digested,   // `text` holds the MD5 text
        Ended,      // the process ended: there is nothing left to judge
        Unreadable, // the process runs, but its image could not be opened
        ReadFailed, // the image opened, but reading it failed (a failing disk): try again later
    };
    Outcome outcome = Outcome::Unreadable;
    std::string text;

    bool operator==(const RunningImageDigest&) const = default;
};

// Digests of running images read where the images can be read: by a service that
// may read every process's image. Only the digest ever comes back, never the file.
class ImageDigests {
public:
    virtual ~ImageDigests() = default;
    virtual RunningImageDigest digest(const ProcessIdentity& id) = 0;
};

} // namespace korvane
