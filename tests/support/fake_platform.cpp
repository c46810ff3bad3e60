#include "tests/support/fake_platform.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

namespace korvane::test {

std::optional<std::vector<ProcessRecord>> FakeProcessTable::enumerate() {
    ++enumerations;
    if (!available) {
        return std::nullopt;
    }
    return processes;
}

std::optional<ProcessRecord> FakeProcessTable::lookup(int pid) {
    for (const ProcessRecord& record : processes) {
        if (record.id.pid == pid) {
            return record;
        }
    }
    return std::nullopt;
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
    return StampAt(path).value_or(FileStamp{});
}

std::optional<std::string> FakeExecutableAccess::runningImage(const ProcessIdentity& id) {
    for (const ProcessRecord& process : table_.processes) {
        if (process.id == id) {
            const auto image = images.find(id.pid);
            return image != images.end() ? image->second : process.path;
        }
    }
    return std::nullopt;
}

std::optional<std::string> FakeExecutableAccess::runningPath(const ProcessIdentity& id) {
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

namespace {

class FakeFileLock : public FileLock {
public:
    FakeFileLock(FakeFileLocker& locker, std::string path) : locker_(locker), path_(std::move(path)) {}
    ~FakeFileLock() override { locker_.held.erase(std::find(locker_.held.begin(), locker_.held.end(), path_)); }
    FakeFileLock(const FakeFileLock&) = delete;
    FakeFileLock& operator=(const FakeFileLock&) = delete;

private:
    FakeFileLocker& locker_;
    std::string path_;
};

} // namespace

std::unique_ptr<FileLock> FakeFileLocker::lockFile(const std::string& path, std::uint64_t length) {
    ++locksTaken;
    if (::access(path.c_str(), R_OK) != 0) {
        return nullptr;
    }
    held.push_back(path);
    lengths.push_back(length);
    return std::make_unique<FakeFileLock>(*this, path);
}

FakeEndOfSession::FakeEndOfSession() {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
}

FakeEndOfSession::~FakeEndOfSession() {
    ::close(readEnd_);
    ::close(writeEnd_);
}

bool FakeEndOfSession::takeRequests() {
    char buffer[16];
    bool any = false;
    while (::read(readEnd_, buffer, sizeof buffer) > 0) {
        any = true;
    }
    return any;
}

void FakeEndOfSession::request() {
    const char byte = 1;
    if (::write(writeEnd_, &byte, 1) != 1) {
        throw std::runtime_error("cannot request the end of the session");
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
    waiting_.started.insert(waiting_.started.end(), batch.started.begin(), batch.started.end());
    ending_ = ending_ || endSubscription;
    // A full pipe is readable already.
    if (::write(writeEnd_, "e", 1) != 1 && errno != EAGAIN) {
        throw std::runtime_error("cannot signal the pipe");
    }
}

FakePlatform::FakePlatform() {
    services.packageRoot = packageRoot.path().string();
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
    auto fileLockerOwner = std::make_unique<FakeFileLocker>();
    fileLocker = fileLockerOwner.get();
    services.fileLocker = std::move(fileLockerOwner);
    auto startupOwner = std::make_unique<FakeStartupRegistration>();
    startup = startupOwner.get();
    services.startup = std::move(startupOwner);
    auto endOwner = std::make_unique<FakeEndOfSession>();
    endOfSession = endOwner.get();
    services.endOfSession = std::move(endOwner);
    auto eventsOwner = std::make_unique<FakeProcessEvents>();
    processEvents = eventsOwner.get();
    services.processEvents = std::move(eventsOwner);
    auto documentsOwner = std::make_unique<FakeDocumentOpener>();
    documents = documentsOwner.get();
    services.documents = std::move(documentsOwner);
}

} // namespace korvane::test
