#pragma once

#include "platform/api/platform_services.h"

namespace korvane {

// The Linux implementations of every platform service.
PlatformServices MakeLinuxPlatform();

} // namespace korvane
