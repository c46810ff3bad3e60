#pragma once

#include "platform/api/process_priority.h"

namespace korvane {

// Priority classes as nice values: idle 19, normal 0, high -10, realtime -20.
class LinuxProcessPriority : public ProcessPriority {
public:
    int priorityLevel() override;
    // Every thread of the process to nice -10 (on Linux each thread has its own
    // nice value). There is no safe time-critical thread class under the fair
    // scheduler, so the GUI thread shares the process's value.
    void raiseToHigh() override;
};

} // namespace korvane
