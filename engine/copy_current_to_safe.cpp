#include "engine/copy_current_to_safe.h"

#include "engine/admission_digest.h"
#include "engine/file_error.h"
#include "engine/list_cleanup.h"
#include "engine/path_rules.h"
#include "engine/safe_list_entry.h"
#include "engine/text_rules.h"

namespace korvane {

bool CopyAllCurrentToSafe(const ListPane& current, ListPane& safe, std::string_view ownExecutable,
                          const ProcessSnapshot& snapshot, const AdmissionReads& reads) {
    const std::string own = Trim(ownExecutable);
    for (const std::string& entry : current.items()) {
        const std::string path = Trim(entry);
        if (path == own || !FullPath(path) || !ListablePath(path)) {
            continue;
        }
        try {
            AdmitToSafeList(safe, path, AdmissionDigest(path, snapshot, reads));
        } catch (const FileError&) {
            return false;
        }
    }
    DeleteDupesBlanks(safe);
    return true;
}

} // namespace korvane
