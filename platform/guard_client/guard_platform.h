#pragma once

#include <string>

#include "platform/api/platform_services.h"

namespace korvane {

// The socket the window looks for the service at: $KORVANE_GUARD_SOCKET when set,
// else the default.
std::string GuardSocketPath();

// When the service answers at `socketPath` (as root, in this protocol's version),
// its processes, kills, image digests, reports, execution guard and word on what a process
// runs take the place of the local ones
// in `services`; true then. Otherwise `services` stays as it was.
bool UseGuardService(PlatformServices& services, const std::string& socketPath);

} // namespace korvane
