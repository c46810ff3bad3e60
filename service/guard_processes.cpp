#include "service/guard_processes.h"

#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane::guard {

namespace {

ProcessIdentity ToIdentity(const protocol::Identity& id) {
    return {id.pid, id.startTime};
}

} // namespace

GuardProcesses::GuardProcesses()
    : handles_(std::make_shared<linux_proc::ProcessHandles>()), table_(handles_), terminator_(handles_),
      executables_(handles_), images_(executables_, digestCache_) {}

std::vector<protocol::ProcessList> GuardProcesses::list() {
    auto records = table_.enumerate();
    if (!records) {
        return {protocol::ProcessList{true, false, {}}};
    }
    std::vector<protocol::ProcessEntry> entries;
    entries.reserve(records->size());
    for (ProcessRecord& record : *records) {
        entries.push_back({{record.id.pid, record.id.startTime}, std::move(record.path)});
    }
    return protocol::SplitProcessList(std::move(entries));
}

protocol::ImageDigest GuardProcesses::digest(const protocol::Identity& id) {
    if (id.pid <= 0) {
        return {protocol::DigestOutcome::Ended, {}};
    }
    const RunningImageDigest image = images_.digest(ToIdentity(id));
    switch (image.outcome) {
    case RunningImageDigest::Outcome::Digested:
        return {protocol::DigestOutcome::Digested, image.text};
    case RunningImageDigest::Outcome::Ended:
        return {protocol::DigestOutcome::Ended, {}};
    case RunningImageDigest::Outcome::ReadFailed:
        return {protocol::DigestOutcome::ReadFailed, {}};
    case RunningImageDigest::Outcome::Unreadable:
        break;
    }
    return {protocol::DigestOutcome::Unreadable, {}};
}

protocol::KillOutcome GuardProcesses::kill(const protocol::Identity& id, pid_t asker) {
    if (id.pid <= 1 || id.pid == ::getpid() || id.pid == asker) {
        return protocol::KillOutcome::Refused;
    }
    const auto stat = linux_proc::ReadStat(id.pid);
    if (!stat || stat->startTime != id.startTime) {
        return protocol::KillOutcome::NotReached;
    }
    if (stat->kernelThread) {
        return protocol::KillOutcome::Refused;
    }
    return terminator_.terminate(ToIdentity(id)) ? protocol::KillOutcome::Signalled : protocol::KillOutcome::NotReached;
}

} // namespace korvane::guard
