#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/messages.h"

namespace korvane::guard {

inline constexpr const char* kDefaultSocket = protocol::kDefaultSocketPath;
inline constexpr const char* kDefaultGroup = "korvane";

// How the service was started: `korvane-guard [--socket PATH] [--group NAME]`.
struct GuardOptions {
    std::string socketPath = kDefaultSocket;
    std::string group = kDefaultGroup;
};

// std::nullopt, with the reason in `error`, for an argument it does not know or one
// without its value.
std::optional<GuardOptions> ParseGuardOptions(const std::vector<std::string>& arguments, std::string& error);

} // namespace korvane::guard
