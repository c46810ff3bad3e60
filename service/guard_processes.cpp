#include "service/guard_processes.h"

#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane::guard {

namespace {

ProcessIdentity ToIdentity(const protocol::Identity& id) {
    return {id.pid, id.startTime};
}

protocol::ProcessEntry ToEntry(ProcessRecord record) {
    return {{record.id.pid, record.id.startTime}, std::move(record.path)};
}

} // namespace

GuardProcesses::GuardProcesses()
    : handles_(std::make_shared<linux_proc::ProcessHandles>()), table_(handles_), terminator_(handles_),
      executables_(handles_), images_(executables_, digestCache_) {}

std::vector<protocol::ProcessList> GuardProcesses::list(bool followingEvents) {
    const auto now = std::chrono::steady_clock::now();
    if (!followingEvents || !kept_ || now - keptSince_ >= kTableReuse) {
        kept_.reset();
        auto records = table_.enumerate();
        if (!records) {
            return {protocol::ProcessList{true, false, {}}};
        }
        kept_.emplace();
        for (ProcessRecord& record : *records) {
            kept_->insert_or_assign(record.id.pid, ToEntry(std::move(record)));
        }
        keptSince_ = now;
    }
    std::vector<protocol::ProcessEntry> entries;
    entries.reserve(kept_->size());
    for (const auto& [pid, entry] : *kept_) {
        entries.push_back(entry);
    }
    if (!followingEvents) {
        kept_.reset();
    }
    return protocol::SplitProcessList(std::move(entries));
}

void GuardProcesses::letGoOfEnded() {
    handles_->forgetEnded();
    // Nobody here waits for those ends: they only free their descriptors.
    terminator_.takeEnded();
}

void GuardProcesses::follow(const ProcessEventBatch& batch) {
    // Ended processes let go of their pidfds now, not at the next reading, which may
    // be a minute away.
    letGoOfEnded();
    // Past so many, one reading of /proc costs less than looking at each.
    if (batch.lost || batch.begun.size() + batch.started.size() + batch.ended.size() > kMostFollowed) {
        kept_.reset();
    }
    if (!kept_) {
        return;
    }
    // What /proc says of each named PID now, whatever order its events came in.
    for (const std::vector<int>* pids : {&batch.begun, &batch.started, &batch.ended}) {
        for (const int pid : *pids) {
            if (auto record = table_.lookup(pid)) {
                kept_->insert_or_assign(pid, ToEntry(std::move(*record)));
            } else {
                kept_->erase(pid);
            }
        }
    }
}

protocol::ProcessList GuardProcesses::lookUp(int pid) {
    protocol::ProcessList found;
    if (auto record = pid > 0 ? table_.lookup(pid) : std::nullopt) {
        found.entries.push_back(ToEntry(std::move(*record)));
    }
    return found;
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
