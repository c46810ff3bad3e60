#include "engine/process_killer.h"

#include "engine/path_rules.h"
#include "engine/text_rules.h"

namespace korvane {

void ProcessKiller::FileKill(const SnapshotEntry& entry) {
    // A path with a line break is on no list, though it may seem to occur in the
    // joined text across the break between two entries.
    if (ListablePath(entry.path) && Occurs(LowerCase(Trim(entry.path)), LowerCase(neverKill_.joinedText()))) {
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
