#pragma once

#include <string>
#include <utility>

namespace korvane {

// The working copy of the preferences flag string (the hidden field ParmEdit). Position
// 1 (counted from 1): the preferences pane was unfolded; position 2: the first-run
// notice has been shown; the rest is kept as stored.
class FlagString {
public:
    // Before the copy is taken the working string is fifteen "0".
    FlagString() : text_(15, '0') {}

    // Takes the working copy from ParmEdit's text.
    void take(std::string parmEdit) { text_ = std::move(parmEdit); }
    const std::string& text() const { return text_; }

    // True once, when position 2 exists and is "0": the notice is due, and position 2
    // becomes "1".
    bool takeFirstRunNotice();

    // What ParmEdit gets back at shutdown: the working copy when it is longer than 15
    // characters, else sixteen "0" (so a missing or short string comes back at the next
    // start with the notice still due).
    std::string handedBack() const;

private:
    std::string text_;
};

} // namespace korvane
