#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/api/platform_services.h"

namespace korvane::test {

// A process table the test edits.
class FakeProcessTable : public ProcessTable {
public:
    std::optional<std::vector<ProcessRecord>> enumerate() override;
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
    void sleepMs(int milliseconds) override { slept.push_back(milliseconds); }
    LocalDateTime time{2008, 3, 7, 14, 5, 9};
    std::vector<int> slept;
};

// Executables that the probe refuses. The running image of a process of the table is
// read from its path; a process that is no longer in the table has none. The probe
// gives the stamp of a file that exists, else one that no real file has.
class FakeExecutableAccess : public ExecutableAccess {
public:
    explicit FakeExecutableAccess(FakeProcessTable& table) : table_(table) {}
    std::optional<FileStamp> probe(const std::string& path) override;
    std::optional<std::string> runningImage(const ProcessIdentity& id) override;
    std::set<std::string> locked;
    std::vector<std::string> probed;

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
    int takes = 0; // calls of takeEvents

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
    FakeProcessEvents* processEvents;
    PlatformServices services;
};

} // namespace korvane::test
