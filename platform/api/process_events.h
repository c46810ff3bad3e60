#pragma once

#include <vector>

namespace korvane {

// What process events reported since they were last taken.
struct ProcessEventBatch {
    bool exec = false;             // a process started another program
    bool changed = false;          // a process began, ended or started another program
    bool lost = false;             // events were lost, or the subscription ended: anything may have changed
    std::vector<int> started = {}; // the PIDs of the processes that started another program, in order
    std::vector<int> begun = {};   // the PIDs of the processes that began, in order
    std::vector<int> ended = {};   // the PIDs of the processes that ended, in order

    bool operator==(const ProcessEventBatch&) const = default;
};

// The kernel's reports of processes beginning, ending and starting programs, where the
// program may receive them. Without them (no permission, no kernel support) nothing is
// subscribed and the process table must be read to learn anything.
class ProcessEvents {
public:
    virtual ~ProcessEvents() = default;
    // True while every process start, program start and end is being reported. Once
    // false it stays false.
    virtual bool subscribed() const = 0;
    // The descriptor that turns readable when events wait to be taken; -1 when not
    // subscribed.
    virtual int descriptor() const = 0;
    // Everything that arrived since the last call; never blocks. A batch that ends
    // the subscription reports `lost`.
    virtual ProcessEventBatch takeEvents() = 0;
};

} // namespace korvane
