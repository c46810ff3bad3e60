#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/api/platform_services.h"
#include "tests/support/temp_folder.h"

namespace korvane::test {

// A process table the test edits.
class FakeProcessTable : public ProcessTable {
public:
    std::optional<std::vector<ProcessRecord>> enumerate() override;
    std::optional<ProcessRecord> lookup(int pid) override;
    int enumerations = 0; // calls of enumerate

    // Starts a process; returns its identity (PIDs count up from 1000).
    ProcessIdentity start(const std::string& path);
    void end(const ProcessIdentity& id);
    bool running(const ProcessIdentity& id) const;

    std::vector<ProcessRecord> processes;
    bool available = true; // false: enumeration fails

private:
    int nextPid_ = 1000;
};

// Ends processes of a FakeProcessTable and records every call.
class FakeTerminator : public ProcessTerminator {
public:
    explicit FakeTerminator(FakeProcessTable& table) : table_(table) {}
    bool terminate(const ProcessIdentity& id) override;
    std::vector<ProcessIdentity> terminated; // every call that reached a process, in order
    bool refuse = false;                     // true: record the call but kill nothing

private:
    FakeProcessTable& table_;
};

class FakePriority : public ProcessPriority {
public:
    int priorityLevel() override { return level; }
    void raiseToHigh() override {
        ++raises;
        level = 1;
    }
    int level = 0;
    int raises = 0;
};

class FakeClock : public Clock {
public:
    LocalDateTime now() override { return time; }
    LocalDateTime time{2008, 3, 7, 14, 5, 9};
};

// Executables that the probe refuses. The running image of a process of the table is
// read from its path, or from the file `images` names for its PID (the program as it
// was started, after another file was put at its path); a process that is no longer
// in the table has none. The probe gives the stamp of a file that exists, else one
// that no real file has.
class FakeExecutableAccess : public ExecutableAccess {
public:
    explicit FakeExecutableAccess(FakeProcessTable& table) : table_(table) {}
    std::optional<FileStamp> probe(const std::string& path) override;
    std::optional<std::string> runningImage(const ProcessIdentity& id) override;
    // The path the table lists for the process.
    std::optional<std::string> runningPath(const ProcessIdentity& id) override;
    std::set<std::string> locked;
    std::vector<std::string> probed;
    std::map<int, std::string> images;

private:
    FakeProcessTable& table_;
};

class FakeSoundPlayer : public SoundPlayer {
public:
    void playSync(const std::string& path) override;
    std::vector<std::string> played;
    std::function<void()> onPlay; // lets a test record the order of events
};

class FakeInstanceLock : public InstanceLock {
public:
    bool acquire(const std::string& title) override {
        titles.push_back(title);
        return grant;
    }
    bool grant = true;
    std::vector<std::string> titles;
};

// Records which files are locked now, and every lock taken.
class FakeFileLocker : public FileLocker {
public:
    std::unique_ptr<FileLock> lockFile(const std::string& path, std::uint64_t length) override;
    std::vector<std::string> held; // in locking order; a released lock leaves
    std::vector<std::uint64_t> lengths;
    int locksTaken = 0;
};

class FakeStartupRegistration : public StartupRegistration {
public:
    void setAutoStart(const std::string& executable, bool on) override { calls.emplace_back(executable, on); }
    std::vector<std::pair<std::string, bool>> calls;
};

// Records the documents the program asks to open, instead of opening them.
class FakeDocumentOpener : public DocumentOpener {
public:
    bool open(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    std::vector<std::string> opened;
};

// End-of-session requests a test makes, through a real pipe as the backend's.
class FakeEndOfSession : public EndOfSession {
public:
    FakeEndOfSession();
    ~FakeEndOfSession() override;
    FakeEndOfSession(const FakeEndOfSession&) = delete;
    FakeEndOfSession& operator=(const FakeEndOfSession&) = delete;

    int startReceiving() override { return readEnd_; }
    bool takeRequests() override;
    // What a SIGTERM would do: one byte into the pipe.
    void request();

private:
    int readEnd_ = -1;
    int writeEnd_ = -1;
};

// Process events a test delivers, through a real pipe as the kernel's socket would
// turn readable. Not subscribed until the test says so.
class FakeProcessEvents : public ProcessEvents {
public:
    FakeProcessEvents();
    ~FakeProcessEvents() override;
    FakeProcessEvents(const FakeProcessEvents&) = delete;
    FakeProcessEvents& operator=(const FakeProcessEvents&) = delete;

    bool subscribed() const override { return subscribed_; }
    int descriptor() const override { return subscribed_ ? readEnd_ : -1; }
    ProcessEventBatch takeEvents() override;

    void subscribe() { subscribed_ = true; }
    // What the kernel would report; ends the subscription when the batch says so.
    void deliver(const ProcessEventBatch& batch, bool endSubscription = false);

private:
    int readEnd_ = -1;
    int writeEnd_ = -1;
    bool subscribed_ = false;
    bool ending_ = false;
    ProcessEventBatch waiting_;
};

// A PlatformServices whose members are the fakes above, reachable typed.
struct FakePlatform {
    FakePlatform();
    FakeProcessTable* table;
    FakeTerminator* terminator;
    FakePriority* priority;
    FakeClock* clock;
    FakeExecutableAccess* executables;
    FakeSoundPlayer* sound;
    FakeInstanceLock* instanceLock;
    FakeFileLocker* fileLocker;
    FakeStartupRegistration* startup;
    FakeEndOfSession* endOfSession;
    FakeProcessEvents* processEvents;
    FakeDocumentOpener* documents;
    // An empty folder: no package database vouches for anything unless a test says so.
    TempFolder packageRoot;
    PlatformServices services;
};

} // namespace korvane::test
