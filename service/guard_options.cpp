#include "service/guard_options.h"

namespace korvane::guard {

std::optional<GuardOptions> ParseGuardOptions(const std::vector<std::string>& arguments, std::string& error) {
    GuardOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        std::string* value = name == "--socket" ? &options.socketPath : name == "--group" ? &options.group : nullptr;
        if (value == nullptr) {
            error = "unknown argument " + name;
            return std::nullopt;
        }
        if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        *value = arguments[++i];
    }
    return options;
}

} // namespace korvane::guard
