#pragma once

namespace korvane {

// Flags the watch cycle, the verification pass and the windows share.
struct WatchFlags {
    // A re-check of the lists is due even if the snapshot did not change.
    bool ForceCheck = true;
    // The questionable dialog is showing; nested passes only add to it.
    bool DialogUp = false;
};

} // namespace korvane
