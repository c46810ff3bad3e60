#pragma once

#include <optional>
#include <string>

#include "platform/api/instance_lock.h"

namespace korvane {

// "You can only have one instance of [TITLE] running at one time.", the title
// upper-cased (A-Z only).
std::string SingleInstanceMessage(const std::string& title);

// Takes the lock for `title`. Nothing when this process may run; otherwise the
// message a second instance shows before it ends.
std::optional<std::string> CheckSingleInstance(InstanceLock& lock, const std::string& title);

} // namespace korvane
