#include "service/guard_log.h"

#include <string>

#include <unistd.h>

namespace korvane::guard {

void LogEvent(std::string_view line) {
    std::string text = "korvane-guard: ";
    text.append(line);
    text.push_back('\n');
    // Nothing can be done about a log that cannot be written.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

} // namespace korvane::guard
