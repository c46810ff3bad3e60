#pragma once

#include <string_view>

namespace korvane::guard {

// One line per event on standard error, written whole by one call, so that lines of
// concurrent writers never mix; journald keeps them when systemd starts the service.
void LogEvent(std::string_view line);

} // namespace korvane::guard
