#include "platform/guard_client/guard_processes.h"

#include <variant>

namespace korvane {

namespace {

protocol::Identity ToWire(const ProcessIdentity& id) {
    return {id.pid, id.startTime};
}

ProcessRecord FromWire(protocol::ProcessEntry& entry) {
    return {{entry.id.pid, entry.id.startTime}, std::move(entry.path)};
}

} // namespace

std::optional<std::vector<ProcessRecord>> GuardProcessTable::enumerate() {
    std::vector<ProcessRecord> records;
    for (auto answer = connection_->request(protocol::ListProcesses{}); answer; answer = connection_->nextAnswer()) {
        auto* part = std::get_if<protocol::ProcessList>(&*answer);
        if (part == nullptr || !part->available) {
            return std::nullopt;
        }
        for (protocol::ProcessEntry& entry : part->entries) {
            records.push_back(FromWire(entry));
        }
        if (part->last) {
            return records;
        }
    }
    return std::nullopt;
}

std::optional<ProcessRecord> GuardProcessTable::lookup(int pid) {
    auto answer = connection_->request(protocol::LookUpProcess{pid});
    auto* found = answer ? std::get_if<protocol::ProcessList>(&*answer) : nullptr;
    if (found == nullptr || found->entries.empty()) {
        return std::nullopt;
    }
    return FromWire(found->entries.front());
}

bool GuardProcessTerminator::terminate(const ProcessIdentity& id) {
    const auto answer = connection_->request(protocol::Kill{ToWire(id)});
    const auto* result = answer ? std::get_if<protocol::KillResult>(&*answer) : nullptr;
    return result != nullptr && result->outcome == protocol::KillOutcome::Signalled;
}

std::optional<std::string> GuardExecutableAccess::runningPath(const ProcessIdentity& id) {
    std::optional<ProcessRecord> now = table_.lookup(id.pid);
    if (!now || now->id != id) {
        return std::nullopt;
    }
    return std::move(now->path);
}

RunningImageDigest GuardImageDigests::digest(const ProcessIdentity& id) {
    using Outcome = RunningImageDigest::Outcome;
    const auto answer = connection_->request(protocol::DigestImage{ToWire(id)});
    const auto* reply = answer ? std::get_if<protocol::ImageDigest>(&*answer) : nullptr;
    if (reply == nullptr) {
        return {Outcome::Ended, {}};
    }
    switch (reply->outcome) {
    case protocol::DigestOutcome::Digested:
        return {Outcome::Digested, reply->text};
    case protocol::DigestOutcome::Ended:
        return {Outcome::Ended, {}};
    case protocol::DigestOutcome::ReadFailed:
        return {Outcome::ReadFailed, {}};
    case protocol::DigestOutcome::Unreadable:
        break;
    }
    return {Outcome::Unreadable, {}};
}

std::string GuardWatchScope::text() const {
    return connection_->connected() ? "Watching all processes through the guard service."
                                    : "The guard service is gone: the last process list stays until it is back.";
}

void GuardWatchScope::setChangeHandler(std::function<void()> handler) {
    connection_->setStateHandler(std::move(handler));
}

} // namespace korvane
