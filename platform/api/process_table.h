#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// A process as the guard identifies it: the PID alone can be reused by a later
// process, the PID together with its start time cannot.
struct ProcessIdentity {
    int pid = 0;
    std::uint64_t startTime = 0;

    bool operator==(const ProcessIdentity&) const = default;
};

struct ProcessRecord {
    ProcessIdentity id;
    std::string path; // the executable's full path, bytes as the OS reports them
};

// Enumerates the running processes in the OS's order. Processes whose executable
// cannot be read, or whose path is not a usable full path on this OS, are left out.
class ProcessTable {
public:
    virtual ~ProcessTable() = default;
    // std::nullopt when the enumeration itself is unavailable; the caller then
    // keeps its previous snapshot.
    virtual std::optional<std::vector<ProcessRecord>> enumerate() = 0;
    // The process now at `pid`, by the same rules as enumerate(); nullopt when it is
    // left out, has ended, or this table cannot look at one process alone (the next
    // enumeration finds it then).
    virtual std::optional<ProcessRecord> lookup(int pid) {
        static_cast<void>(pid);
        return std::nullopt;
    }
};

} // namespace korvane
