#pragma once

#include "platform/api/clock.h"

namespace korvane {

class LinuxClock : public Clock {
public:
    LocalDateTime now() override;
};

} // namespace korvane
