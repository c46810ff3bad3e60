#pragma once

#include "platform/api/process_table.h"

namespace korvane {

class ProcessTerminator {
public:
    virtual ~ProcessTerminator() = default;
    // Ends the process with exactly this identity. A process that has ended, or
    // whose PID now belongs to another process, is left alone. True when the
    // process was reached and told to end (not whether it obeyed).
    virtual bool terminate(const ProcessIdentity& id) = 0;
};

} // namespace korvane
