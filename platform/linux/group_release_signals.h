#pragma once

#include <atomic>
#include <cstddef>

namespace korvane::linux_fanotify {

// A crash or a request to terminate must first let go of the fanotify group: a
// process dumping its core, or saving its files on the way out, must not hold up
// every program start that waits for its answer. The handlers remove every mark,
// allow the events being decided, put /dev/null in the group's place (the
// descriptor number stays taken, so a late answer goes nowhere) and then do what
// was done before: the previous handler runs, or the default action ends the
// process.
//
// One group per process is released this way: the one registered last.
class GroupReleaseSignals {
public:
    // `group` is released onto `devNull`, after the events in `unanswered` (-1 where
    // none waits) are allowed; `wake` (an eventfd) is written to wake the group's reader.
    static void Register(int group, int devNull, int wake, std::atomic<int>* unanswered, std::size_t count);
    // Stops releasing `group`; handlers of others installed since stay as they are.
    static void Unregister(int group);
    // Puts the handlers back on top where something has replaced them since,
    // keeping what replaced them as the handler to run next.
    static void EnsureInstalled();
};

} // namespace korvane::linux_fanotify
