#include "engine/list_menu_commands.h"

#include <vector>

#include "engine/path_list.h"
#include "engine/path_rules.h"
#include "engine/safe_list_entry.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

bool IsHighlighted(const ListPane& pane, std::optional<std::size_t> highlighted) {
    return highlighted && *highlighted < pane.count();
}

// The paths the entries of a Safe or Never Kill pane record.
PathList RecordedPaths(const ListPane& pane) {
    std::vector<std::string> paths;
    for (const std::string& entry : pane.items()) {
        paths.push_back(SafeListPath(entry));
    }
    return PathList(paths);
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
    const PathList neverKillPaths(neverKill.items());
    for (std::size_t i = safe.count(); i-- > 0;) {
        if (neverKillPaths.contains(SafeListPath(safe.item(i)))) {
            safe.remove(i);
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
    const std::string path = SafeListPath(list.item(*highlighted));
    list.remove(*highlighted);
    // Where the other list holds the path in another form (a case variant, a longer
    // path), the pass decides: a pass too many costs little, one too few leaves a
    // process unjudged.
    return activated && !RecordedPaths(other).contains(path);
}

} // namespace korvane
