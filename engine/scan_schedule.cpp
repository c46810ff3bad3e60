#include "engine/scan_schedule.h"

namespace korvane {

bool ScanSchedule::noteEvents(const ProcessEventBatch& batch) {
    changed_ = changed_ || batch.changed || batch.lost;
    return batch.exec || batch.lost;
}

bool ScanSchedule::scanDue(bool subscribed) {
    if (!subscribed || changed_ || quietCycles_ + 1 >= kCyclesPerFullScan) {
        return true;
    }
    ++quietCycles_;
    return false;
}

void ScanSchedule::scanned() {
    changed_ = false;
    quietCycles_ = 0;
}

} // namespace korvane
