#include "engine/admission_digest.h"

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/text_rules.h"

namespace korvane {

std::string AdmissionDigest(std::string_view path, const ProcessSnapshot& snapshot, ExecutableAccess& executables) {
    for (const SnapshotEntry& entry : snapshot.StgLst()) {
        if (Trim(entry.path) != path) {
            continue;
        }
        const std::optional<std::string> image = executables.runningImage(entry.id);
        if (!image) {
            continue;
        }
        try {
            return DigestText(FileDigest(*image));
        } catch (const FileError&) {
            // A copy that ended meanwhile took its image along; another may still run.
            if (executables.runningImage(entry.id)) {
                throw;
            }
        }
    }
    return DigestText(FileDigest(std::string(path)));
}

} // namespace korvane
