#pragma once

#include <string>

#include "platform/api/clock.h"

namespace korvane {

// Dates and times as the program writes them: "mm/dd/yyyy" and "mm/dd/yyyy hh:nn:ss",
// 24-hour clock.
std::string DateText(const LocalDateTime& time);
std::string DateTimeText(const LocalDateTime& time);

} // namespace korvane
