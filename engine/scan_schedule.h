#pragma once

#include "platform/api/process_events.h"

namespace korvane {

// When the watch cycle must read the process table. While process events are
// subscribed, the table can only have changed when an event said so: a cycle with
// no event since the last reading keeps the snapshot it has. The table is still read
// on every sixtieth such cycle (a minute at the usual interval), for what no event
// reports (a program file renamed under its running process), and at once after any
// sign of lost events. Without events it is read on every cycle.
class ScanSchedule {
public:
    static constexpr int kCyclesPerFullScan = 60;

    // Notes what arrived; true when it calls for a cycle at once: a program was
    // started (it may be on the Kill list), or events were lost.
    bool noteEvents(const ProcessEventBatch& batch);
    // Whether this cycle must read the table. Counts the cycles that need not.
    bool scanDue(bool subscribed);
    // The table was read.
    void scanned();

private:
    bool changed_ = true;
    int quietCycles_ = 0; // cycles since the last reading that kept the snapshot
};

} // namespace korvane
