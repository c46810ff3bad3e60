#include "engine/process_killer.h"

#include "engine/path_rules.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {
// Lets the ended process release its files before the next step looks at them.
constexpr int kPauseAfterKillMs = 100;
} // namespace

void ProcessKiller::FileKill(const SnapshotEntry& entry) {
    if (OnNeverKillList(entry.path, LowerCase(neverKill_.joinedText()))) {
        return;
    }
    if (!terminator_.terminate(entry.id)) {
        return;
    }
    clock_.sleepMs(kPauseAfterKillMs);
    // The next tick shows the icon again, so each kill blinks it off.
    host_.setTrayIconActive(false);
}

} // namespace korvane
