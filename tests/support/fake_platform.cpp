#include "tests/support/fake_platform.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "engine/file_stamp.h"

namespace korvane::test {

std::optional<std::vector<ProcessRecord>> FakeProcessTable::enumerate() {
    ++enumerations;
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

std::optional<FileStamp> FakeExecutableAccess::probe(const std::string& path) {
    probed.push_back(path);
    if (locked.contains(path)) {
        return std::nullopt;
    }
    return RegularFileStamp(path).value_or(FileStamp{});
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

FakeProcessEvents::FakeProcessEvents() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
}

FakeProcessEvents::~FakeProcessEvents() {
    ::close(readEnd_);
    ::close(writeEnd_);
}

ProcessEventBatch FakeProcessEvents::takeEvents() {
    ++takes;
    char drained[64];
    while (::read(readEnd_, drained, sizeof drained) > 0) {
    }
    if (ending_) {
        subscribed_ = false;
    }
    return std::exchange(waiting_, {});
}

void FakeProcessEvents::deliver(const ProcessEventBatch& batch, bool endSubscription) {
    waiting_.exec = waiting_.exec || batch.exec;
    waiting_.changed = waiting_.changed || batch.changed;
    waiting_.lost = waiting_.lost || batch.lost || endSubscription;
    ending_ = ending_ || endSubscription;
    // A full pipe is readable already.
    if (::write(writeEnd_, "e", 1) != 1 && errno != EAGAIN) {
        throw std::runtime_error("cannot signal the pipe");
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
    auto eventsOwner = std::make_unique<FakeProcessEvents>();
    processEvents = eventsOwner.get();
    services.processes = std::move(tableOwner);
    services.terminator = std::move(terminatorOwner);
    services.priority = std::move(priorityOwner);
    services.clock = std::move(clockOwner);
    services.executables = std::move(executablesOwner);
    services.sound = std::move(soundOwner);
    services.instanceLock = std::move(lockOwner);
    services.processEvents = std::move(eventsOwner);
}

} // namespace korvane::test
