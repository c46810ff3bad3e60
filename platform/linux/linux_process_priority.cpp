#include "platform/linux/linux_process_priority.h"

#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

namespace korvane {

namespace {
constexpr int kHighNice = -10;
}

int LinuxProcessPriority::priorityLevel() {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    if (errno != 0) {
        return 0;
    }
    switch (nice) {
    case 19:
        return -1;
    case kHighNice:
        return 1;
    case -20:
        return 2;
    default:
        return 0;
    }
}

void LinuxProcessPriority::raiseToHigh() {
    DIR* tasks = ::opendir("/proc/self/task");
    if (tasks == nullptr) {
        ::setpriority(PRIO_PROCESS, 0, kHighNice);
        return;
    }
    while (const dirent* entry = ::readdir(tasks)) {
        char* end = nullptr;
        const long tid = std::strtol(entry->d_name, &end, 10);
        if (*end == '\0' && tid > 0) {
            // Refused without the privilege: the watchdog tries again next tick.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kHighNice);
        }
    }
    ::closedir(tasks);
}

} // namespace korvane
