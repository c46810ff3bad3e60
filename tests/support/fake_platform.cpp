#include "tests/support/fake_platform.h"

#include <algorithm>
#include <memory>

namespace korvane::test {

std::optional<std::vector<ProcessRecord>> FakeProcessTable::enumerate() {
    if (!available) {
        return std::nullopt;
    }
    return processes;
}

ProcessIdentity FakeProcessTable::start(const std::string& path) {
    const ProcessIdentity id{nextPid_, static_cast<std::uint64_t>(nextPid_) * 10};
    ++nextPid_;
    processes.push_back({id, path});
    return id;
}

void FakeProcessTable::end(const ProcessIdentity& id) {
    std::erase_if(processes, [&](const ProcessRecord& p) { return p.id == id; });
}

bool FakeProcessTable::running(const ProcessIdentity& id) const {
    return std::any_of(processes.begin(), processes.end(), [&](const ProcessRecord& p) { return p.id == id; });
}

bool FakeTerminator::terminate(const ProcessIdentity& id) {
    if (!table_.running(id)) {
        return false;
    }
    terminated.push_back(id);
    if (!refuse) {
        table_.end(id);
    }
    return true;
}

bool FakeExecutableAccess::probe(const std::string& path) {
    probed.push_back(path);
    return !locked.contains(path);
}

std::optional<std::string> FakeExecutableAccess::runningImage(const ProcessIdentity& id) {
    for (const ProcessRecord& process : table_.processes) {
        if (process.id == id) {
            return process.path;
        }
    }
    return std::nullopt;
}

void FakeSoundPlayer::playSync(const std::string& path) {
    played.push_back(path);
    if (onPlay) {
        onPlay();
    }
}

FakePlatform::FakePlatform() {
    auto tableOwner = std::make_unique<FakeProcessTable>();
    table = tableOwner.get();
    auto terminatorOwner = std::make_unique<FakeTerminator>(*table);
    terminator = terminatorOwner.get();
    auto priorityOwner = std::make_unique<FakePriority>();
    priority = priorityOwner.get();
    auto clockOwner = std::make_unique<FakeClock>();
    clock = clockOwner.get();
    auto executablesOwner = std::make_unique<FakeExecutableAccess>(*table);
    executables = executablesOwner.get();
    auto soundOwner = std::make_unique<FakeSoundPlayer>();
    sound = soundOwner.get();
    auto lockOwner = std::make_unique<FakeInstanceLock>();
    instanceLock = lockOwner.get();
    services.processes = std::move(tableOwner);
    services.terminator = std::move(terminatorOwner);
    services.priority = std::move(priorityOwner);
    services.clock = std::move(clockOwner);
    services.executables = std::move(executablesOwner);
    services.sound = std::move(soundOwner);
    services.instanceLock = std::move(lockOwner);
}

} // namespace korvane::test
