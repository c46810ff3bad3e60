#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/api/execution_guard.h"
#include "platform/guard_client/guard_connection.h"

namespace korvane {

// The guard service's execution guard, as the window sees it: the Kill set is sent to
// the service, which refuses the starts as root and reports them back. The service
// follows the files on its own tick; a service met again (restarted) is sent the set
// once more on the window's next tick.
class GuardExecutionGuard : public ExecutionGuard {
public:
    explicit GuardExecutionGuard(std::shared_ptr<GuardConnection> connection) : connection_(std::move(connection)) {}

    // False once the service reported that it gave refusals up.
    bool guarding() const override { return !gaveUp_; }
    void replace(std::shared_ptr<const ExecutionRule> rule) override;
    void refreshMarks() override;
    int descriptor() const override { return connection_->reportDescriptor(); }
    std::vector<ExecutionReport> takeReports() override;

private:
    void push();

    std::shared_ptr<GuardConnection> connection_;
    std::shared_ptr<const ExecutionRule> rule_;
    std::uint64_t pushedOn_ = 0; // the connection's opening the set was last sent on
    bool gaveUp_ = false;
};

} // namespace korvane
