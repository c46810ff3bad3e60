#pragma once

#include <string>

namespace korvane {

// One running instance per application title, across folders and users' sessions
// of the same user; released by the OS when the holder ends.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    // True when this process now holds the lock for `title` (or already did).
    virtual bool acquire(const std::string& title) = 0;
};

} // namespace korvane
