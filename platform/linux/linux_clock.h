#pragma once

#include "platform/api/clock.h"

namespace korvane {

class LinuxClock : public Clock {
public:
    LocalDateTime now() override;
    void sleepMs(int milliseconds) override;
};

} // namespace korvane
