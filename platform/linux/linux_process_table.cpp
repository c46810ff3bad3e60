#include "platform/linux/linux_process_table.h"

#include <algorithm>
#include <cstdlib>

#include <dirent.h>

#include "platform/linux/proc_files.h"

namespace korvane {

namespace {

// The numeric entries of /proc, sorted; nullopt when /proc cannot be read.
std::optional<std::vector<int>> ProcessIds() {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return std::nullopt;
    }
    std::vector<int> pids;
    while (const dirent* entry = ::readdir(proc)) {
        const char* name = entry->d_name;
        if (*name < '1' || *name > '9') {
            continue;
        }
        char* end = nullptr;
        const long pid = std::strtol(name, &end, 10);
        if (*end == '\0' && pid > 0) {
            pids.push_back(static_cast<int>(pid));
        }
    }
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    return pids;
}

} // namespace

std::optional<std::vector<ProcessRecord>> LinuxProcessTable::enumerate() {
    const auto pids = ProcessIds();
    if (!pids) {
        return std::nullopt;
    }
    std::vector<ProcessRecord> records;
    records.reserve(pids->size());
    for (const int pid : *pids) {
        // Start time first: if the PID is reused before the link is read, the
        // record carries the older identity, which no termination can reach.
        const auto startTime = linux_proc::StartTime(pid);
        if (!startTime) {
            continue;
        }
        auto path = linux_proc::ExecutablePath(pid);
        if (!path || !path->starts_with('/')) {
            continue;
        }
        records.push_back({{pid, *startTime}, std::move(*path)});
    }
    return records;
}

} // namespace korvane
