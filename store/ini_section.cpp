#include "store/ini_section.h"

#include <charconv>
#include <utility>

#include "engine/text_lines.h"
#include "engine/text_rules.h"
#include "engine/whole_file.h"

namespace korvane {

namespace {

// The name inside "[...]" when the line is a section header.
std::optional<std::string> HeaderName(std::string_view line) {
    const std::string trimmed = Trim(line);
    const std::size_t close = trimmed.find(']');
    if (trimmed.empty() || trimmed.front() != '[' || close == std::string::npos) {
        return std::nullopt;
    }
    return Trim(std::string_view(trimmed).substr(1, close - 1));
}

bool SameName(std::string_view a, std::string_view b) {
    return LowerCase(a) == LowerCase(b);
}

} // namespace

IniSection::IniSection(std::string path, std::string section) : path_(std::move(path)), section_(std::move(section)) {
    if (const std::optional<std::string> text = ReadFileIfExists(path_)) {
        const std::vector<std::string_view> lines = SplitLines(*text);
        lines_.assign(lines.begin(), lines.end());
    }
}

std::optional<IniSection::Range> IniSection::sectionRange() const {
    for (std::size_t header = 0; header < lines_.size(); ++header) {
        const std::optional<std::string> name = HeaderName(lines_[header]);
        if (!name || !SameName(*name, section_)) {
            continue;
        }
        std::size_t end = header + 1;
        while (end < lines_.size() && !HeaderName(lines_[end])) {
            ++end;
        }
        return Range{header + 1, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniSection::keyLine(const Range& range, std::string_view key) const {
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const std::size_t equals = lines_[i].find('=');
        if (equals != std::string::npos && SameName(Trim(std::string_view(lines_[i]).substr(0, equals)), key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string IniSection::readString(std::string_view key, std::string_view defaultValue) const {
    const std::optional<Range> range = sectionRange();
    const std::optional<std::size_t> line = range ? keyLine(*range, key) : std::nullopt;
    const std::string_view value =
        line ? std::string_view(lines_[*line]).substr(lines_[*line].find('=') + 1) : defaultValue;
    return std::string(value.substr(0, kValueBuffer - 1));
}

int IniSection::readInteger(std::string_view key, int defaultValue) const {
    const std::string text = readString(key, "");
    // from_chars takes no "+" sign; one right before the digits is accepted.
    const std::size_t skip = text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9' ? 1 : 0;
    int value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + skip, end, value);
    return error == std::errc() && stop == end ? value : defaultValue;
}

void IniSection::writeString(std::string_view key, std::string_view value) {
    const std::string line = std::string(key) + "=" + std::string(value.substr(0, value.find_first_of("\r\n")));
    std::optional<Range> range = sectionRange();
    if (!range) {
        lines_.push_back("[" + section_ + "]");
        range = Range{lines_.size(), lines_.size()};
    }
    if (const std::optional<std::size_t> existing = keyLine(*range, key)) {
        lines_[*existing] = line;
        return;
    }
    // After the section's last non-blank line, so blank separators stay between sections.
    std::size_t insert = range->end;
    while (insert > range->begin && Trim(lines_[insert - 1]).empty()) {
        --insert;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), line);
}

void IniSection::writeInteger(std::string_view key, int value) {
    writeString(key, std::to_string(value));
}

void IniSection::save() const {
    WriteWholeFile(path_, TerminateLines(lines_));
}

} // namespace korvane
