#include "engine/packages/package_trust.h"

namespace korvane {

PackageTrust::PackageTrust(std::string root) : root_(std::move(root)), available_(HasPackageDatabase(root_)) {}

PackageTrust::~PackageTrust() {
    reader_.request_stop();
    finishedSignal_.notify_all();
}

std::shared_ptr<const PackageIndex> PackageTrust::index() {
    if (!reading_ && generation_ == 0) {
        startReading();
    }
    takeFinished();
    return index_;
}

void PackageTrust::refresh() {
    takeFinished();
    if (!reading_ && generation_ > 0 && ReadDatabaseStamps(root_) != stamps_) {
        startReading();
    }
}

bool PackageTrust::waitForReading(std::chrono::milliseconds timeout) {
    if (reading_) {
        std::unique_lock lock(mutex_);
        finishedSignal_.wait_for(lock, timeout, [this] { return finished_.has_value(); });
    }
    takeFinished();
    return !reading_;
}

void PackageTrust::startReading() {
    if (!available_) {
        return;
    }
    reading_ = true;
    reader_ = std::jthread([this](std::stop_token stop) {
        std::optional<PackageDatabase> kept;
        while (!stop.stop_requested()) {
            PackageDatabase reading = ReadPackageDatabase(root_);
            const bool settled = ReadDatabaseStamps(root_) == reading.stamps;
            const bool agrees = kept && kept->fingerprint == reading.fingerprint;
            kept = std::move(reading);
            if (settled || agrees) {
                break;
            }
            std::unique_lock lock(mutex_);
            finishedSignal_.wait_for(lock, stop, kPauseBetweenReadings, [] { return false; });
        }
        std::lock_guard lock(mutex_);
        finished_ = std::move(kept);
        finishedSignal_.notify_all();
    });
}

void PackageTrust::takeFinished() {
    std::optional<PackageDatabase> finished;
    {
        std::lock_guard lock(mutex_);
        finished.swap(finished_);
    }
    if (!finished) {
        return;
    }
    reader_.join();
    reading_ = false;
    stamps_ = finished->stamps;
    index_ = std::make_shared<const PackageIndex>(std::move(finished->index));
    ++generation_;
}

} // namespace korvane
