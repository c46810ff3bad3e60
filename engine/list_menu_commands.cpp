#include "engine/list_menu_commands.h"

#include "engine/path_rules.h"
#include "engine/safe_list_entry.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

bool IsHighlighted(const ListPane& pane, std::optional<std::size_t> highlighted) {
    return highlighted && *highlighted < pane.count();
}

} // namespace

void DeleteFocusedKillProcess1Click(ListPane& kill, std::optional<std::size_t> highlighted) {
    if (IsHighlighted(kill, highlighted)) {
        kill.remove(*highlighted);
    }
}

void StripDownToExeNameOnly1Click(ListPane& kill, std::optional<std::size_t> highlighted) {
    if (IsHighlighted(kill, highlighted)) {
        kill.setItem(*highlighted, Trim(FileName(kill.item(*highlighted))));
    }
}

void RemoveTheseFilesFromSafeList1Click(const ListPane& neverKill, ListPane& safe) {
    for (const std::string& neverKillEntry : neverKill.items()) {
        // A blank entry would occur in every Safe entry, whose digest follows blanks.
        if (Trim(neverKillEntry).empty()) {
            continue;
        }
        for (std::size_t i = safe.count(); i-- > 0;) {
            if (Occurs(neverKillEntry, safe.item(i))) {
                safe.remove(i);
            }
        }
    }
}

std::string ListClipboardText(const ListPane& list) {
    std::string text;
    for (const std::string& entry : list.items()) {
        text += entry;
        text += "\r\n";
    }
    return text;
}

bool DeleteHighlightedEntry(ListPane& list, std::optional<std::size_t> highlighted, const ListPane& other,
                            bool activated) {
    if (!IsHighlighted(list, highlighted)) {
        return false;
    }
    const std::string path = LowerCase(SafeListPath(list.item(*highlighted)));
    list.remove(*highlighted);
    return activated && !Occurs(path, LowerCase(other.joinedText()));
}

} // namespace korvane
