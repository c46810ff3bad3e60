#include "platform/linux/linux_process_table.h"

#include <utility>

namespace korvane {

namespace {

bool Usable(const std::optional<std::string>& path) {
    return path && path->starts_with('/');
}

// A process of this user whose executable link cannot be read (it made itself
// undumpable, or runs a set-user-ID program) must not hide: it is listed under a text
// that says why, which names no file and which no digest can pass.
std::optional<std::string> UnreadableOwnProcess(linux_proc::ProcSource& source, int pid) {
    const auto name = source.ownProcessName(pid);
    if (!name) {
        return std::nullopt;
    }
    return "[unreadable] " + *name;
}

// What a process is listed under, and whether its image is reached through a thread.
struct Listed {
    std::string path;
    bool throughThread = false;
};

// The executable's path, or the unreadable text of one of this user's processes.
std::optional<Listed> ListedPath(linux_proc::ProcSource& source, int pid, const linux_proc::ProcStat& stat) {
    if (stat.kernelThread) {
        return std::nullopt;
    }
    auto path = source.executablePath(pid);
    if (Usable(path)) {
        return Listed{std::move(*path)};
    }
    // Read afresh: a process that is ending has let its image go; it is not a hidden
    // program, unless only its first thread ended and the others run on.
    const auto now = source.stat(pid);
    if (!now || now->startTime != stat.startTime) {
        return std::nullopt;
    }
    if (now->ending) {
        auto thread = source.runningThreadImage(pid);
        if (!thread || !Usable(thread->path)) {
            return std::nullopt;
        }
        return Listed{std::move(thread->path), true};
    }
    auto unreadable = UnreadableOwnProcess(source, pid);
    return unreadable ? std::optional<Listed>(Listed{std::move(*unreadable)}) : std::nullopt;
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
        auto listed = ListedPath(source, pid, *known);
        if (!listed) {
            return std::nullopt;
        }
        if (listed->throughThread) {
            handles_->setReachedThroughThread(pid);
        }
        return ProcessRecord{{pid, known->startTime}, std::move(listed->path)};
    }
    // New: the handle first, so that the start time and the link read after it
    // are known to be its process's while the handle has not reported an end.
    const int handle = handles_->open(pid);
    const auto stat = source.stat(pid);
    auto listed = stat ? ListedPath(source, pid, *stat) : std::nullopt;
    if (handle >= 0) {
        if (!stat || linux_proc::ProcessHandles::ended(handle)) {
            linux_proc::ProcessHandles::discard(handle);
            return std::nullopt;
        }
        handles_->hold(pid, *stat, handle);
    }
    if (!listed) {
        return std::nullopt;
    }
    if (listed->throughThread) {
        handles_->setReachedThroughThread(pid);
    }
    return ProcessRecord{{pid, stat->startTime}, std::move(listed->path)};
}

} // namespace korvane
