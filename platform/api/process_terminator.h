#pragma once

#include <vector>

#include "platform/api/process_table.h"

namespace korvane {

class ProcessTerminator {
public:
    virtual ~ProcessTerminator() = default;
    // Ends the process with exactly this identity. A process that has ended, or
    // whose PID now belongs to another process, is left alone. True when the
    // process was reached and told to end (not whether it obeyed).
    virtual bool terminate(const ProcessIdentity& id) = 0;
    // A descriptor that turns readable when a process told to end has ended, so that
    // nobody waits for it; -1 when ends are learnt only by reading the process table.
    virtual int endsDescriptor() const { return -1; }
    // The processes told to end that have ended since the last call; never blocks.
    virtual std::vector<ProcessIdentity> takeEnded() { return {}; }
};

} // namespace korvane
