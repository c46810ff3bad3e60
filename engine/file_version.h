#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// The path a list entry names: the text before its first "[", trimmed.
std::string EntryFilePath(std::string_view entry);

// A version string is shown only when its first character is an ASCII digit or
// letter; empty text, a blank, punctuation or anything above 127 is rejected.
bool IsPlausibleVersionText(std::string_view text);

// The string values of one file's version resource under its first translation.
class FileVersionInfo {
public:
    // Nothing when the file has no readable version information: missing, not a PE
    // image, without a version resource, malformed, or without a translation.
    static std::optional<FileVersionInfo> Read(const std::string& path);
    // The same over the bytes of a VS_VERSIONINFO resource.
    static std::optional<FileVersionInfo> FromResource(std::string resource);

    // The eight lower-case hexadecimal digits of language * 65536 + code page of the
    // first translation: "040904e4" for US English in code page 1252.
    const std::string& translation() const { return translation_; }

    // The value under "\\StringFileInfo\\<translation>\\<key>" (key case ignored) in
    // UTF-8, or empty when it is missing or IsPlausibleVersionText rejects it.
    std::string Value(std::string_view key) const;

private:
    FileVersionInfo(std::string resource, std::string translation);

    std::string resource_;
    std::string translation_;
};

// One version string of the file a list entry names ("companyname" for the
// company). Nothing when the file has no readable version information; empty when
// the string is missing or not plausible.
std::optional<std::string> File_Version(std::string_view key, std::string_view entry);

} // namespace korvane
