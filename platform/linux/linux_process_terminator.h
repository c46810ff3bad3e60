#pragma once

#include <memory>
#include <unordered_map>

#include "platform/api/process_terminator.h"
#include "platform/linux/process_handles.h"

namespace korvane {

// SIGKILL through a pidfd: the one the process table holds for the process when
// there is one, else a fresh one, after checking that the PID still belongs to the
// process with the recorded start time. Nobody waits for the death: a pidfd of each
// process told to end sits in an epoll set of its own until the process has ended.
class LinuxProcessTerminator : public ProcessTerminator {
public:
    explicit LinuxProcessTerminator(
        std::shared_ptr<linux_proc::ProcessHandles> handles = std::make_shared<linux_proc::ProcessHandles>());
    ~LinuxProcessTerminator() override;
    LinuxProcessTerminator(const LinuxProcessTerminator&) = delete;
    LinuxProcessTerminator& operator=(const LinuxProcessTerminator&) = delete;

    bool terminate(const ProcessIdentity& id) override;
    int endsDescriptor() const override { return ends_; }
    std::vector<ProcessIdentity> takeEnded() override;

private:
    // Keeps the pidfd `handle` of the process `id`, told to end, until it has ended.
    void watchEnd(int handle, const ProcessIdentity& id);

    std::shared_ptr<linux_proc::ProcessHandles> handles_;
    int ends_ = -1;                                  // epoll set of the watched pidfds
    std::unordered_map<int, ProcessIdentity> dying_; // pidfd -> the process it stands for
};

} // namespace korvane
