#include "platform/linux/linux_process_table.h"

#include <utility>

namespace korvane {

namespace {

bool Usable(const std::optional<std::string>& path) {
    return path && path->starts_with('/');
}

} // namespace

LinuxProcessTable::LinuxProcessTable(std::shared_ptr<linux_proc::ProcessHandles> handles)
    : handles_(std::move(handles)) {}

std::optional<std::vector<ProcessRecord>> LinuxProcessTable::enumerate() {
    const auto pids = handles_->source().processIds();
    if (!pids) {
        return std::nullopt;
    }
    handles_->forgetEnded();
    std::vector<ProcessRecord> records;
    records.reserve(pids->size());
    for (const int pid : *pids) {
        if (auto found = record(pid)) {
            records.push_back(std::move(*found));
        }
    }
    return records;
}

std::optional<ProcessRecord> LinuxProcessTable::lookup(int pid) {
    // A handle held for an ended process must not lend its identity to a newcomer
    // that took the PID over.
    handles_->forgetEnded();
    return record(pid);
}

std::optional<ProcessRecord> LinuxProcessTable::record(int pid) {
    linux_proc::ProcSource& source = handles_->source();
    // Known and not ended: the same process. Should it end and its PID be taken
    // before the link is read, the record carries the older identity, which no
    // termination can reach, and the next snapshot finds the newcomer. A kernel
    // thread has no executable to read.
    if (const auto known = handles_->held(pid)) {
        auto path = known->kernelThread ? std::nullopt : source.executablePath(pid);
        if (!Usable(path)) {
            return std::nullopt;
        }
        return ProcessRecord{{pid, known->startTime}, std::move(*path)};
    }
    // New: the handle first, so that the start time and the link read after it
    // are known to be its process's while the handle has not reported an end.
    const int handle = handles_->open(pid);
    const auto stat = source.stat(pid);
    auto path = stat ? source.executablePath(pid) : std::nullopt;
    if (handle >= 0) {
        if (!stat || linux_proc::ProcessHandles::ended(handle)) {
            linux_proc::ProcessHandles::discard(handle);
            return std::nullopt;
        }
        handles_->hold(pid, *stat, handle);
    }
    if (!stat || !Usable(path)) {
        return std::nullopt;
    }
    return ProcessRecord{{pid, stat->startTime}, std::move(*path)};
}

} // namespace korvane
