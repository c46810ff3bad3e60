#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace korvane::protocol {

// The frames the window and the guard service exchange. Every frame is a 32-bit
// little-endian body length, then the body: one type byte and the fields of that
// type. No descriptor and no file content ever crosses: a digest request names a
// process, and the answer is the digest text or a failure.

inline constexpr std::uint16_t kVersion = 3;
// Where the service listens unless told otherwise.
inline constexpr const char* kDefaultSocketPath = "/run/korvane/guard.sock";
// The whole frame, length field included.
inline constexpr std::size_t kMaxFrame = 64 * 1024;
inline constexpr std::size_t kLengthField = 4;

// A process as both sides name it: its PID with its start time.
struct Identity {
    std::int32_t pid = 0;
    std::uint64_t startTime = 0;

    bool operator==(const Identity&) const = default;
};

// First frame each way; the service answers with its own version and closes the
// connection when the two differ.
struct Hello {
    std::uint16_t version = kVersion;

    bool operator==(const Hello&) const = default;
};

// Window: the process table, please.
struct ListProcesses {
    bool operator==(const ListProcesses&) const = default;
};

struct ProcessEntry {
    Identity id;
    std::string path; // the executable's path, or a text that says why it is not known

    bool operator==(const ProcessEntry&) const = default;
};

// Service: one part of the table; the table is whole after the part marked last.
struct ProcessList {
    bool last = true;
    bool available = true; // false: the table could not be read at all
    std::vector<ProcessEntry> entries;

    bool operator==(const ProcessList&) const = default;
};

// Window: the process now at this PID (it has just started a program), as a
// ProcessList of at most one entry.
struct LookUpProcess {
    std::int32_t pid = 0;

    bool operator==(const LookUpProcess&) const = default;
};

// Window: the MD5 of the image this process runs.
struct DigestImage {
    Identity id;

    bool operator==(const DigestImage&) const = default;
};

enum class DigestOutcome : std::uint8_t { Digested = 0, Ended = 1, Unreadable = 2, ReadFailed = 3 };

// Service: the digest text (32 upper-case hexadecimal digits) when Digested.
struct ImageDigest {
    DigestOutcome outcome = DigestOutcome::Unreadable;
    std::string text;

    bool operator==(const ImageDigest&) const = default;
};

// Window: end this process.
struct Kill {
    Identity id;

    bool operator==(const Kill&) const = default;
};

enum class KillOutcome : std::uint8_t { Signalled = 0, NotReached = 1, Refused = 2 };

struct KillResult {
    KillOutcome outcome = KillOutcome::NotReached;

    bool operator==(const KillResult&) const = default;
};

// The most PIDs one Changed names; those past it are found by the next reading.
inline constexpr std::size_t kMostStarted = 1024;

// Service, unasked: the process table changed (the kernel's process events).
struct Changed {
    bool exec = false;
    bool changed = false;
    bool lost = false;
    std::vector<std::int32_t> started = {}; // the processes that started a program, in order

    bool operator==(const Changed&) const = default;
};

// Window, unasked: the Kill set to refuse before programs start, whole, replacing the
// one before. Empty entries refuse nothing (the watch is Stopped).
struct KillSet {
    std::uint64_t generation = 0;
    std::vector<std::string> entries;   // the Kill entries in force (not Bypassed)
    std::vector<std::string> neverKill; // the Never Kill list's entries

    bool operator==(const KillSet&) const = default;
};

enum class ReportKind : std::uint8_t { Refused = 0, NotGuarded = 1, GaveUp = 2 };

// Service, unasked: what its execution guard did (a start refused, a file it will not
// refuse, refusals given up).
struct ExecutionReported {
    ReportKind kind = ReportKind::Refused;
    std::int32_t pid = 0;
    std::string path;
    std::string reason;

    bool operator==(const ExecutionReported&) const = default;
};

using Message = std::variant<Hello, ListProcesses, ProcessList, DigestImage, ImageDigest, Kill, KillResult, Changed,
                             KillSet, ExecutionReported, LookUpProcess>;

// Who may send a message: a frame of the other side's kind is unexpected.
bool SentByWindow(const Message& message);

// Appends the frame of `message` to `out`. A ProcessList must fit in one frame: see
// SplitProcessList.
void AppendFrame(std::vector<std::byte>& out, const Message& message);

// True when the frame of `message` is at most kMaxFrame long and each of its texts
// fits its 16-bit length.
bool FitsInFrame(const Message& message);

// The table in parts that each fit in one frame, the last one marked; at least one
// part, also for an empty table. Every path the kernel gives (at most 4096 bytes)
// fits in a part.
std::vector<ProcessList> SplitProcessList(std::vector<ProcessEntry> entries);

} // namespace korvane::protocol
