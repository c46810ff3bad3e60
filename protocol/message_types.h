#pragma once

#include <cstdint>

namespace korvane::protocol {

// The type byte that opens each frame body.
enum class MessageType : std::uint8_t {
    Hello = 1,
    ListProcesses = 2,
    ProcessList = 3,
    DigestImage = 4,
    ImageDigest = 5,
    Kill = 6,
    KillResult = 7,
    Changed = 8,
    KillSet = 9,
    ExecutionReported = 10,
    LookUpProcess = 11,
};

// Opens every hello, so that a peer speaking something else entirely is told apart
// from one of another version.
inline constexpr std::uint32_t kHelloMagic = 0x4447564B; // "KVGD"

// Fixed sizes: a process entry without its path, a digest text.
inline constexpr std::size_t kEntryHead = 4 + 8 + 2;
inline constexpr std::size_t kDigestText = 32;
// A process-list body before its entries: type, flags, count.
inline constexpr std::size_t kListHead = 1 + 1 + 4;
// A text field's length prefix: the least a listed text takes.
inline constexpr std::size_t kTextHead = 2;

} // namespace korvane::protocol
