#pragma once

#include <string>
#include <vector>

namespace korvane::linux_proc {

// Starts `program` (looked up in PATH unless it holds a "/") with `arguments`, detached:
// in a session of its own, no child of this process (nothing is left to reap), with
// no descriptor of this process but the standard three, default signal handling, and
// the descriptor limit this process started with. True once the program runs; false
// when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments);

} // namespace korvane::linux_proc
