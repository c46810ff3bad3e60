#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/api/clock.h"

namespace korvane {

// The texts of the file-information display: version strings and modification
// time of the file a list entry names.

// Shown in the panel when the file has no readable version information.
inline constexpr std::string_view kInformationNotExtracted = "     Information could not be extracted.";

// The date-time of a file that cannot be read: 30 December 1899, midnight.
inline constexpr LocalDateTime kZeroDateTime{1899, 12, 30, 0, 0, 0};

// The file's last-modification time in local time; kZeroDateTime when it cannot be read.
LocalDateTime FileDateTime(const std::string& path);

// "mm/dd/yyyy hh:nn:ss", or the date alone when the time is exactly midnight.
std::string FileDateTimeText(const LocalDateTime& time);

// The main window's panel: "Company name: " ... "Comments: " and "File date/time: ",
// eleven lines joined by single CRs. Nothing when the file has no readable version
// information.
std::optional<std::string> FileInformationText(std::string_view entry);

// The questionable dialog's message box: the ten version lines joined by single CRs,
// no date line and no final CR. Nothing when the file has no readable version
// information.
std::optional<std::string> FileInformationMessage(std::string_view entry);

} // namespace korvane
