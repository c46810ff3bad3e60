#pragma once

#include "platform/api/process_table.h"

namespace korvane {

class ProcessTerminator {
public:
    virtual ~ProcessTerminator() = default;
    // Ends the process with exactly this identity and reports nothing: a process
    // that has ended, or whose PID now belongs to another process, is left alone.
    virtual void terminate(const ProcessIdentity& id) = 0;
};

} // namespace korvane
