#include "engine/process_killer.h"

#include "engine/path_list.h"

namespace korvane {

void ProcessKiller::FileKill(const SnapshotEntry& entry) {
    if (PathList(neverKill_.items()).contains(entry.path)) {
        return;
    }
    if (!terminator_.terminate(entry.id)) {
        return;
    }
    // Instead of pausing until it is gone, so that the next reading of the table does
    // not meet it again.
    snapshot_.ending(entry.id);
    // The next tick shows the icon again, so each kill blinks it off.
    host_.setTrayIconActive(false);
}

} // namespace korvane
