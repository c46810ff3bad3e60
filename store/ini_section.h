#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// One section of a plain INI file ("[name]", then key=value lines), read and written
// the way the window settings need: keys match ignoring the case of A-Z, a value is
// everything after the first "=" as written, values are read through a buffer of
// kValueBuffer characters, and a written key keeps its place (a new key goes to the
// end of the section). Everything outside the section is kept as it is.
class IniSection {
public:
    // Room for kValueBuffer - 1 characters and the terminating zero.
    static constexpr std::size_t kValueBuffer = 2048;

    // Reads the file; a missing file reads as empty. Throws FileError when it exists
    // but cannot be read.
    IniSection(std::string path, std::string section);

    std::string readString(std::string_view key, std::string_view defaultValue) const;
    // The value as a decimal integer; `defaultValue` when missing or not a number.
    int readInteger(std::string_view key, int defaultValue) const;

    // A value holds one line: it is cut at its first line break, which would
    // otherwise start a line of its own in the file.
    void writeString(std::string_view key, std::string_view value);
    void writeInteger(std::string_view key, int value);

    // Writes the file, creating it if needed; each line ends with CR LF. Throws FileError.
    void save() const;

private:
    struct Range {
        std::size_t begin; // first line after the header
        std::size_t end;   // the next header, or the end of the file
    };

    std::optional<Range> sectionRange() const;
    std::optional<std::size_t> keyLine(const Range& range, std::string_view key) const;

    std::string path_;
    std::string section_;
    std::vector<std::string> lines_;
};

} // namespace korvane
