#pragma once

#include <sys/resource.h>

namespace korvane::linux_proc {

// The soft limit on open descriptors. The watch raises it for the pidfds it holds; the
// programs this process starts must not inherit the raised limit (a program that uses
// select() fails on descriptors past 1024), so the limit the process started with is
// remembered for them.

// Sets the soft limit to `soft`, at most the hard limit; the first raise remembers the
// soft limit in force before it. False when the system refused.
bool RaiseSoftDescriptorLimit(rlim_t soft);

// Puts the soft limit back to what it was before the first raise; nothing if it was
// never raised. Safe between fork and exec: it only reads an atomic and calls
// getrlimit and setrlimit.
void RestoreStartingDescriptorLimit();

} // namespace korvane::linux_proc
