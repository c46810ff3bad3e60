#include "platform/guard_client/guard_platform.h"

#include <cstdlib>
#include <memory>

#include "platform/guard_client/guard_execution_guard.h"
#include "platform/guard_client/guard_processes.h"

namespace korvane {

std::string GuardSocketPath() {
    const char* path = std::getenv("KORVANE_GUARD_SOCKET");
    return path != nullptr && *path != '\0' ? path : protocol::kDefaultSocketPath;
}

bool UseGuardService(PlatformServices& services, const std::string& socketPath) {
    auto connection = std::make_shared<GuardConnection>(socketPath);
    if (!connection->open()) {
        return false;
    }
    services.processes = std::make_unique<GuardProcessTable>(connection);
    services.terminator = std::make_unique<GuardProcessTerminator>(connection);
    services.imageDigests = std::make_unique<GuardImageDigests>(connection);
    services.executables = std::make_unique<GuardExecutableAccess>(std::move(services.executables), connection);
    services.processEvents = std::make_unique<GuardProcessEvents>(connection);
    services.scope = std::make_unique<GuardWatchScope>(connection);
    // One fanotify group only, the service's: a group of the window's own (root
    // without the service until now) goes.
    services.executionGuard = std::make_unique<GuardExecutionGuard>(connection);
    return true;
}

} // namespace korvane
