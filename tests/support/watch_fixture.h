#pragma once

#include "tests/support/engine_rig.h"
#include "tests/support/fake_platform.h"

namespace korvane::test {

// Built before the rig that uses it.
struct FakePlatformHolder {
    FakePlatform platform;
};

// A watch engine over the fake platform.
class WatchFixture : public FakePlatformHolder, public EngineRig {
public:
    WatchFixture() : EngineRig(platform.services) {}
};

} // namespace korvane::test
