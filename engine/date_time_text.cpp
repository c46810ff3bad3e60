#include "engine/date_time_text.h"

#include <cstdio>

namespace korvane {

std::string DateText(const LocalDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", time.month, time.day, time.year);
    return text;
}

std::string DateTimeText(const LocalDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", time.hour, time.minute, time.second);
    return DateText(time) + text;
}

} // namespace korvane
