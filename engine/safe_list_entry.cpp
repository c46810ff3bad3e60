#include "engine/safe_list_entry.h"

namespace korvane {

namespace {

constexpr std::string_view kDigestLead = "     [";

// True when `entry` is what SafeListEntry made for `path`, whatever its digest.
bool RecordsPath(std::string_view entry, std::string_view path) {
    if (entry.size() <= path.size() + kDigestLead.size() || !entry.starts_with(path)) {
        return false;
    }
    const std::string_view rest = entry.substr(path.size());
    return rest.starts_with(kDigestLead) && rest.ends_with(']') &&
           rest.find('[', kDigestLead.size()) == std::string_view::npos;
}

} // namespace

std::string SafeListEntry(std::string_view path, std::string_view digestText) {
    std::string entry(path);
    entry += kDigestLead;
    entry += digestText;
    entry += ']';
    return entry;
}

void AdmitToSafeList(ListPane& safe, std::string_view path, std::string_view digestText) {
    for (std::size_t i = safe.count(); i-- > 0;) {
        if (RecordsPath(safe.item(i), path)) {
            safe.remove(i);
        }
    }
    safe.add(SafeListEntry(path, digestText));
}

} // namespace korvane
