#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// What the guard refuses to start: the Kill set, built whole and never changed
// afterwards, so that the thread answering the kernel reads it without a lock.
class ExecutionRule {
public:
    virtual ~ExecutionRule() = default;
    // Counts the sets pushed: a later set has a higher number.
    virtual std::uint64_t generation() const = 0;
    // The full paths whose files are to be refused before they start. Each is used
    // only while it names an existing regular file exactly.
    virtual const std::vector<std::string>& files() const = 0;
    // True when the start of the program at `path` is refused. Called while the
    // kernel holds a program's start: it reads memory only.
    virtual bool refuses(std::string_view path) const = 0;
    // The rule's whole text, from which a guard in another process builds the same
    // rule: the Kill entries in force and the Never Kill list's entries.
    virtual const std::vector<std::string>& entries() const = 0;
    virtual const std::vector<std::string>& neverKill() const = 0;
};

// What the guard tells the window, after the fact.
struct ExecutionReport {
    enum class Kind {
        Refused,    // the start of `path` by process `pid` was refused
        NotGuarded, // `path` is not refused before it starts, for `reason`
        GaveUp,     // refusals before the start are off for good, for `reason`
    };
    Kind kind = Kind::Refused;
    std::string path;
    int pid = 0;
    std::string reason;

    bool operator==(const ExecutionReport&) const = default;
};

// Refuses the start of the Kill set's programs before any of their code runs. Where
// it is missing (no privilege, no kernel support), programs are ended after they
// start, as always.
class ExecutionGuard {
public:
    virtual ~ExecutionGuard() = default;
    // True while starts can be refused; once false it stays false.
    virtual bool guarding() const = 0;
    // Puts `rule` in force at once, replacing the previous set whole; nullptr refuses
    // nothing.
    virtual void replace(std::shared_ptr<const ExecutionRule> rule) = 0;
    // Follows the files: a path of the set that has come to name another file (put in
    // its place, renamed over it) is refused for that file from now on.
    virtual void refreshMarks() = 0;
    // Readable while reports wait to be taken.
    virtual int descriptor() const = 0;
    // The reports since the last call, oldest first; never blocks.
    virtual std::vector<ExecutionReport> takeReports() = 0;
};

} // namespace korvane
