#pragma once

#include <memory>

#include "platform/api/executable_access.h"
#include "platform/api/image_digests.h"
#include "platform/api/process_events.h"
#include "platform/api/process_table.h"
#include "platform/api/process_terminator.h"
#include "platform/api/watch_scope.h"
#include "platform/guard_client/guard_connection.h"

namespace korvane {

// The process services of the window, answered by the guard service over one shared
// connection. While the service is gone, the table cannot be read (the watch keeps
// its last snapshot), nothing is ended, and no image is judged.

class GuardProcessTable : public ProcessTable {
public:
    explicit GuardProcessTable(std::shared_ptr<GuardConnection> connection) : connection_(std::move(connection)) {}
    std::optional<std::vector<ProcessRecord>> enumerate() override;
    std::optional<ProcessRecord> lookup(int pid) override;

private:
    std::shared_ptr<GuardConnection> connection_;
};

class GuardProcessTerminator : public ProcessTerminator {
public:
    explicit GuardProcessTerminator(std::shared_ptr<GuardConnection> connection) : connection_(std::move(connection)) {}
    bool terminate(const ProcessIdentity& id) override;

private:
    std::shared_ptr<GuardConnection> connection_;
};

class GuardImageDigests : public ImageDigests {
public:
    explicit GuardImageDigests(std::shared_ptr<GuardConnection> connection) : connection_(std::move(connection)) {}
    // Ended, so that nothing is judged, while the service is gone.
    RunningImageDigest digest(const ProcessIdentity& id) override;

private:
    std::shared_ptr<GuardConnection> connection_;
};

// The window's own file reads, with what a process runs now told by the service: the
// window cannot read the links of other users' processes, and its list came from the
// service's reading.
class GuardExecutableAccess : public ExecutableAccess {
public:
    GuardExecutableAccess(std::unique_ptr<ExecutableAccess> local, std::shared_ptr<GuardConnection> connection)
        : local_(std::move(local)), table_(std::move(connection)) {}
    std::optional<FileStamp> probe(const std::string& path) override { return local_->probe(path); }
    std::optional<std::string> runningImage(const ProcessIdentity& id) override { return local_->runningImage(id); }
    std::optional<std::string> runningPath(const ProcessIdentity& id) override;

private:
    std::unique_ptr<ExecutableAccess> local_;
    GuardProcessTable table_;
};

// The service's reports. Subscribed for as long as the window runs: when the
// service comes back after a while away, that is reported as lost events.
class GuardProcessEvents : public ProcessEvents {
public:
    explicit GuardProcessEvents(std::shared_ptr<GuardConnection> connection) : connection_(std::move(connection)) {}
    bool subscribed() const override { return connection_->eventDescriptor() >= 0; }
    int descriptor() const override { return connection_->eventDescriptor(); }
    ProcessEventBatch takeEvents() override { return connection_->takeEvents(); }

private:
    std::shared_ptr<GuardConnection> connection_;
};

class GuardWatchScope : public WatchScope {
public:
    explicit GuardWatchScope(std::shared_ptr<GuardConnection> connection) : connection_(std::move(connection)) {}
    std::string text() const override;
    void setChangeHandler(std::function<void()> handler) override;

private:
    std::shared_ptr<GuardConnection> connection_;
};

} // namespace korvane
