#pragma once

#include "platform/api/process_terminator.h"

namespace korvane {

// SIGKILL through a pidfd, after checking that the PID still belongs to the
// process with the recorded start time.
class LinuxProcessTerminator : public ProcessTerminator {
public:
    bool terminate(const ProcessIdentity& id) override;
};

} // namespace korvane
