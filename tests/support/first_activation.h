#pragma once

#include <string>

#include "tests/support/child_process.h"

namespace korvane::test {

// Whether another process holds a lock on the file's first byte.
bool LockedByOthers(const std::string& path);

// Waits (up to 30 s) until the real program has reached its first activation, which
// loads the lists and locks the seal file `seal`; false when it ended or never did.
bool WaitForFirstActivation(ChildProcess& korvane, const std::string& seal);

} // namespace korvane::test
