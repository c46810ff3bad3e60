#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/api/platform_services.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_executable_access.h"
#include "platform/linux/linux_process_table.h"
#include "platform/linux/linux_process_terminator.h"
#include "tests/support/fake_platform.h"

// Header only: only the test targets that link the Linux backend include it.
namespace korvane::test {

// The Linux process table, narrowed to one folder: the machine's other processes must
// be neither questioned nor killed by a test.
class ScopedProcessTable : public ProcessTable {
public:
    explicit ScopedProcessTable(std::string folder) : folder_(std::move(folder)) {}
    std::optional<std::vector<ProcessRecord>> enumerate() override {
        auto records = LinuxProcessTable().enumerate();
        if (records) {
            std::erase_if(*records, [&](const ProcessRecord& record) { return !record.path.starts_with(folder_); });
        }
        return records;
    }
    std::optional<ProcessRecord> lookup(int pid) override {
        auto record = LinuxProcessTable().lookup(pid);
        if (record && !record->path.starts_with(folder_)) {
            return std::nullopt;
        }
        return record;
    }

private:
    std::string folder_;
};

// The real processes, terminations, clock and executables, for the processes started
// from `folder`; fakes for what a test must not touch: its own priority, sounds, the
// instance lock, file locks, the start-up registration, the session's end and the
// desktop's document opener.
inline PlatformServices ScopedRealPlatform(const std::string& folder) {
    PlatformServices platform;
    platform.processes = std::make_unique<ScopedProcessTable>(folder);
    platform.terminator = std::make_unique<LinuxProcessTerminator>();
    platform.clock = std::make_unique<LinuxClock>();
    platform.executables = std::make_unique<LinuxExecutableAccess>();
    platform.priority = std::make_unique<FakePriority>();
    platform.sound = std::make_unique<FakeSoundPlayer>();
    platform.instanceLock = std::make_unique<FakeInstanceLock>();
    platform.fileLocker = std::make_unique<FakeFileLocker>();
    platform.startup = std::make_unique<FakeStartupRegistration>();
    platform.endOfSession = std::make_unique<FakeEndOfSession>();
    platform.documents = std::make_unique<FakeDocumentOpener>();
    return platform;
}

} // namespace korvane::test
