#include "engine/safe_list_entry.h"

#include <optional>

#include "engine/text_rules.h"

namespace korvane {

namespace {

constexpr std::string_view kDigestLead = "     [";

// The path of an entry SafeListEntry made, whatever its digest; std::nullopt for an
// entry of another form.
std::optional<std::string_view> RecordedPath(std::string_view entry) {
    const std::size_t lead = entry.rfind(kDigestLead);
    if (lead == std::string_view::npos || lead == 0 || !entry.ends_with(']') ||
        entry.find('[', lead + kDigestLead.size()) != std::string_view::npos) {
        return std::nullopt;
    }
    return entry.substr(0, lead);
}

} // namespace

std::string SafeListEntry(std::string_view path, std::string_view digestText) {
    std::string entry(path);
    entry += kDigestLead;
    entry += digestText;
    entry += ']';
    return entry;
}

std::string SafeListPath(std::string_view entry) {
    if (const std::optional<std::string_view> path = RecordedPath(entry)) {
        return std::string(*path);
    }
    return StripBrackets(entry);
}

void AdmitToSafeList(ListPane& safe, std::string_view path, std::string_view digestText) {
    for (std::size_t i = safe.count(); i-- > 0;) {
        if (RecordedPath(safe.item(i)) == path) {
            safe.remove(i);
        }
    }
    safe.add(SafeListEntry(path, digestText));
}

} // namespace korvane
