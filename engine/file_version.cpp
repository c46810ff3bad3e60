#include "engine/file_version.h"

#include <cstdint>
#include <cstdio>
#include <utility>

#include "engine/little_endian.h"
#include "engine/pe_version_resource.h"
#include "engine/text_rules.h"
#include "engine/utf16_text.h"
#include "engine/version_info_block.h"

namespace korvane {

namespace {

// Two leading backslashes, as the lookups have always been written.
constexpr std::string_view kTranslationBlock = "\\\\VarFileInfo\\Translation";
constexpr std::string_view kStringTablesBlock = "\\\\StringFileInfo\\";

} // namespace

std::string EntryFilePath(std::string_view entry) {
    return Trim(entry.substr(0, entry.find('[')));
}

bool IsPlausibleVersionText(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const char first = text.front();
    return (first >= '0' && first <= '9') || (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
}

FileVersionInfo::FileVersionInfo(std::string resource, std::string translation)
    : resource_(std::move(resource)), translation_(std::move(translation)) {}

std::optional<FileVersionInfo> FileVersionInfo::Read(const std::string& path) {
    std::optional<std::string> resource = ReadVersionResource(path);
    if (!resource) {
        return std::nullopt;
    }
    return FromResource(std::move(*resource));
}

std::optional<FileVersionInfo> FileVersionInfo::FromResource(std::string resource) {
    const std::optional<std::string_view> translations = QueryVersionValue(resource, kTranslationBlock);
    // Each translation is a language word followed by a code-page word.
    if (!translations || translations->size() < 4) {
        return std::nullopt;
    }
    const std::uint32_t language = LittleEndianWord(*translations, 0);
    const std::uint32_t codePage = LittleEndianWord(*translations, 2);
    const std::uint32_t number = language * 65536 + codePage;
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(number));
    return FileVersionInfo(std::move(resource), digits);
}

std::string FileVersionInfo::Value(std::string_view key) const {
    std::string subBlock(kStringTablesBlock);
    subBlock.append(translation_).append("\\").append(key);
    const std::optional<std::string_view> bytes = QueryVersionValue(resource_, subBlock);
    if (!bytes) {
        return {};
    }
    std::string text = Utf16LeToUtf8(*bytes);
    return IsPlausibleVersionText(text) ? text : std::string();
}

std::optional<std::string> File_Version(std::string_view key, std::string_view entry) {
    const std::optional<FileVersionInfo> info = FileVersionInfo::Read(EntryFilePath(entry));
    if (!info) {
        return std::nullopt;
    }
    return info->Value(key);
}

} // namespace korvane
