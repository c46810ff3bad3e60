#pragma once

#include <memory>

#include "platform/api/process_terminator.h"
#include "platform/linux/process_handles.h"

namespace korvane {

// SIGKILL through a pidfd: the one the process table holds for the process when
// there is one, else a fresh one, after checking that the PID still belongs to the
// process with the recorded start time.
class LinuxProcessTerminator : public ProcessTerminator {
public:
    explicit LinuxProcessTerminator(
        std::shared_ptr<linux_proc::ProcessHandles> handles = std::make_shared<linux_proc::ProcessHandles>());
    bool terminate(const ProcessIdentity& id) override;

private:
    std::shared_ptr<linux_proc::ProcessHandles> handles_;
};

} // namespace korvane
