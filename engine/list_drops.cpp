#include "engine/list_drops.h"

#include "engine/admission_digest.h"
#include "engine/file_error.h"
#include "engine/list_cleanup.h"
#include "engine/path_list.h"
#include "engine/path_rules.h"
#include "engine/safe_list_entry.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

constexpr std::string_view kCurrent = "TextListBox1";
constexpr std::string_view kSafe = "TextListBox2";

const char kSafeKillDuplicate[] = "<OK>Duplicate processes in 'Safe' and 'Kill' list not allowed.";
const char kDeleteFromSafeFirst[] =
    "<OK>Duplicate processes in 'Safe' and 'Kill' list not allowed.  Delete from 'Safe' list first.";
const char kDeleteFromKillFirst[] =
    "<OK>Duplicate processes in 'Kill' and 'Never Kill' list not allowed.  Delete from 'Kill' list first.";

DropOutcome Done(bool forceCheck) {
    return {DropOutcome::Kind::Done, {}, forceCheck};
}

DropOutcome Stopped(bool forceCheck = false) {
    return {DropOutcome::Kind::Stopped, {}, forceCheck};
}

DropOutcome Notice(const char* text) {
    return {DropOutcome::Kind::Notice, text, false};
}

// The text of the highlighted entry; none without a highlight.
std::optional<std::string> Highlighted(const ListPane& pane, std::optional<std::size_t> highlighted) {
    if (!highlighted || *highlighted >= pane.count()) {
        return std::nullopt;
    }
    return pane.item(*highlighted);
}

// A bare file name covers the full-path entries of that file before it: they match
// nothing it does not match, so they go. The entry at index 0 never covers, and the
// last entry is never deleted. Compared with case significant, as the Kill list
// matches: an entry differing in case guards other files and must stay.
void DeleteCoveredKillEntries(ListPane& kill) {
    for (std::size_t j = kill.count(); j-- > 1;) {
        if (j >= kill.count()) {
            return;
        }
        std::string covering(1, '/');
        covering += kill.item(j);
        for (std::size_t k = kill.count(); k-- > 1;) {
            if (Occurs(covering, kill.item(k - 1))) {
                kill.remove(k - 1);
            }
        }
    }
}

} // namespace

bool TextListBox2DragOver(std::string_view source) {
    return source == kCurrent;
}

bool CheckListBox3DragOver(std::string_view source) {
    return source == kCurrent || source == kSafe;
}

bool TextListBox4DragOver(std::string_view source) {
    return source == kCurrent || source == kSafe;
}

DragCursor ListDrops::TextListBox1StartDrag(std::optional<std::size_t> highlighted) const {
    const std::optional<std::string> entry = Highlighted(panes_.current, highlighted);
    return entry && Occurs(*entry, location_.executable) ? DragCursor::NoDrop : DragCursor::Drag;
}

DropOutcome ListDrops::TextListBox2DragDrop(std::string_view source, std::optional<std::size_t> highlighted) {
    const std::optional<std::string> entry = Highlighted(panes_.current, highlighted);
    if (source != kCurrent || !entry) {
        return Stopped();
    }
    if (!ListablePath(*entry) || InProgramFolder(*entry, location_.folder)) {
        return Stopped();
    }
    const std::string name = LowerCase(FileName(*entry));
    for (std::size_t i = 0; i < panes_.kill.count(); ++i) {
        if (LowerCase(FileName(panes_.kill.item(i))) == name) {
            return Notice(kSafeKillDuplicate);
        }
    }
    std::string digest;
    try {
        digest = AdmissionDigest(*entry, snapshot_, reads_);
    } catch (const FileError&) {
        // A file that cannot be read cannot be vouched for.
        return Stopped();
    }
    AdmitToSafeList(panes_.safe, *entry, digest);
    DeleteDupesBlanks(panes_.safe);
    return Done(false);
}

DropOutcome ListDrops::CheckListBox3DragDrop(std::string_view source, std::optional<std::size_t> highlighted) {
    if (source == kCurrent) {
        return dropCurrentOnKill(Highlighted(panes_.current, highlighted));
    }
    if (source == kSafe) {
        return dropSafeOnKill(highlighted);
    }
    // Nothing to drop; the lists are re-checked all the same.
    return Stopped(true);
}

DropOutcome ListDrops::dropCurrentOnKill(std::optional<std::string> entry) {
    if (!entry) {
        return Stopped(true);
    }
    if (!ListablePath(*entry) || PathList(panes_.neverKill.items()).contains(*entry)) {
        return Stopped();
    }
    const std::string path = LowerCase(*entry);
    for (std::size_t i = 0; i < panes_.safe.count(); ++i) {
        if (LowerCase(SafeListPath(panes_.safe.item(i))) == path) {
            return Notice(kDeleteFromSafeFirst);
        }
    }
    panes_.kill.add(*entry);
    DeleteDupesBlanks(panes_.kill);
    DeleteCoveredKillEntries(panes_.kill);
    return Done(true);
}

DropOutcome ListDrops::dropSafeOnKill(std::optional<std::size_t> highlighted) {
    const std::optional<std::string> entry = Highlighted(panes_.safe, highlighted);
    if (!entry) {
        return Stopped(true);
    }
    const std::string path = SafeListPath(*entry);
    if (!ListablePath(path) || PathList(panes_.neverKill.items()).contains(path)) {
        return Stopped();
    }
    panes_.kill.add(path);
    panes_.safe.remove(*highlighted);
    DeleteDupesBlanks(panes_.kill);
    return Done(true);
}

DropOutcome ListDrops::TextListBox4DragDrop(std::string_view source, std::optional<std::size_t> highlighted) {
    if (source != kCurrent && source != kSafe) {
        return Stopped();
    }
    const bool fromSafe = source == kSafe;
    const std::optional<std::string> entry = Highlighted(fromSafe ? panes_.safe : panes_.current, highlighted);
    if (!entry) {
        return Stopped();
    }
    // A Current entry is a path already; a "[" in it belongs to the path.
    const std::string path = fromSafe ? SafeListPath(*entry) : *entry;
    if (!ListablePath(path)) {
        return Stopped();
    }
    if (Occurs(LowerCase(path), LowerCase(panes_.kill.joinedText()))) {
        return Notice(kDeleteFromKillFirst);
    }
    panes_.neverKill.add(path);
    DeleteDupesBlanks(panes_.neverKill);
    return Done(false);
}

} // namespace korvane
