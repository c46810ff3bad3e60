#include "engine/local_image_digests.h"

#include "engine/file_error.h"

namespace korvane {

RunningImageDigest LocalImageDigests::digest(const ProcessIdentity& id) {
    using Outcome = RunningImageDigest::Outcome;
    // The image the process runs, not whatever lies at its path now. A process that
    // ends while its image is being read has taken the image along.
    const std::optional<std::string> image = executables_.runningImage(id);
    const auto ended = [&] { return !executables_.runningImage(id); };
    if (!image) {
        return {Outcome::Ended, {}};
    }
    const std::optional<FileStamp> probed = executables_.probe(*image);
    if (!probed) {
        return {ended() ? Outcome::Ended : Outcome::Unreadable, {}};
    }
    try {
        return {Outcome::Digested, DigestText(digests_.FileDigest(*image, *probed))};
    } catch (const FileError&) {
        return {ended() ? Outcome::Ended : Outcome::ReadFailed, {}};
    }
}

} // namespace korvane
