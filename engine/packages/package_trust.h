#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/packages/package_database.h"

namespace korvane {

// The package database as the watch uses it: read in the background when first
// asked for, read again only when it changed, never waited for by the watch.
//
// A reading is kept when the database did not move while it was read, or when it
// agrees with the reading before it; otherwise (an upgrade in progress) it is read
// again after a pause, until two readings agree.
//
// All calls come from one thread (the window's); only the reading runs on another.
class PackageTrust {
public:
    static constexpr std::chrono::milliseconds kPauseBetweenReadings{250};

    explicit PackageTrust(std::string root);
    // Stops a reading in progress at its next pause and waits for it.
    ~PackageTrust();
    PackageTrust(const PackageTrust&) = delete;
    PackageTrust& operator=(const PackageTrust&) = delete;

    // True when dpkg keeps a database under the root at all.
    bool available() const { return available_; }

    // The index kept last, taking a reading that has finished; nothing until the
    // first reading is done, which this starts.
    std::shared_ptr<const PackageIndex> index();
    // The check of a tick: takes a finished reading, and starts another when the
    // database's change times moved since the reading in use began.
    void refresh();
    // True while the database is read again after a change, an older index in use.
    bool rereading() const { return reading_ && index_ != nullptr; }
    // Counts the readings taken: a change says the index is another one.
    std::uint64_t generation() const { return generation_; }
    // Waits up to `timeout` for the reading in progress; true when none is left.
    bool waitForReading(std::chrono::milliseconds timeout);

private:
    void startReading();
    void takeFinished();

    std::string root_;
    bool available_;
    bool reading_ = false;
    std::shared_ptr<const PackageIndex> index_;
    DatabaseStamps stamps_; // of the reading in use
    std::uint64_t generation_ = 0;

    std::mutex mutex_;
    std::condition_variable_any finishedSignal_;
    std::optional<PackageDatabase> finished_; // guarded by mutex_
    std::jthread reader_;
};

} // namespace korvane
