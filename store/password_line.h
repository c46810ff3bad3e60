#pragma once

#include <string>

#include "engine/list_pane.h"

namespace korvane {

// The lock password travels as the first line of the Never Kill list file: three
// spaces, then the password. A sorted pane puts it before every entry.
std::string PasswordLine(const std::string& password);

// Takes the password line off the head of a freshly loaded Never Kill pane and returns
// the password, trimmed. Only a line that begins with a blank or a control character
// is a password line: a file saved with an empty password loads without one (its line
// is blank), and its first entry is then a path that must stay. No password line gives
// an empty password.
std::string TakeOutPasswordLine(ListPane& neverKill);

} // namespace korvane
