#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace korvane {

// The working copy of the preferences flag string (the hidden field ParmEdit). Position
// 1 (counted from 1): the preferences pane was unfolded; position 2: the first-run
// notice has been shown; position 3: "Trust installed packages"; the rest is kept as
// stored.
class FlagString {
public:
    static constexpr std::size_t kPreferencesUnfolded = 1;
    static constexpr std::size_t kTrustInstalledPackages = 3;

    // Before the copy is taken the working string is fifteen "0".
    FlagString() : text_(15, '0') {}

    // Takes the working copy from ParmEdit's text.
    void take(std::string parmEdit) { text_ = std::move(parmEdit); }
    const std::string& text() const { return text_; }

    // True when the string reaches `position` (from 1) and holds "1" there.
    bool isOn(std::size_t position) const;
    // Writes "1" or "0" at `position` (from 1). A string too short for it is left as it
    // is: an empty string (no settings file yet) is handed back as sixteen "0" anyway.
    void set(std::size_t position, bool on);
    // Writes "1" or "0" at `position` (from 1) so that it is kept: a string too short
    // for it is first filled up with "0" to the length it is handed back with, at
    // least sixteen characters.
    void setKept(std::size_t position, bool on);

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
