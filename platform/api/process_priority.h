#pragma once

namespace korvane {

class ProcessPriority {
public:
    virtual ~ProcessPriority() = default;
    // The own process's priority class as a level: idle -1, normal 0, high 1,
    // realtime 2; any class in between counts as 0.
    virtual int priorityLevel() = 0;
    // Raises the own process to the high class and the calling thread to
    // time-critical; silent when refused.
    virtual void raiseToHigh() = 0;
};

} // namespace korvane
