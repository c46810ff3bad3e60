#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/admission_digest.h"
#include "engine/list_pane.h"
#include "engine/process_snapshot.h"
#include "engine/watch_engine.h"

namespace korvane {

// What the window does once a drop has been handled.
struct DropOutcome {
    enum class Kind {
        Done,    // the lists were edited
        Stopped, // nothing was edited, and nothing is said
        Notice,  // nothing was edited; `notice` goes to the message panel
    };
    Kind kind = Kind::Stopped;
    std::string notice;      // the "<OK>" text of a Notice
    bool forceCheck = false; // set ForceCheck: the next tick re-checks the lists

    bool operator==(const DropOutcome&) const = default;
};

enum class DragCursor { Drag, NoDrop };

// Which drag sources a pane accepts, by the source's component name: the Safe list
// takes entries from the Current list only; the Kill and Never Kill lists from the
// Current and Safe lists. Nothing accepts a drag from the Never Kill list.
bool TextListBox2DragOver(std::string_view source);
bool CheckListBox3DragOver(std::string_view source);
bool TextListBox4DragOver(std::string_view source);

// The drops between the list panes, with the rules that keep the lists consistent:
// no executable is both safe and killed, or both killed and never killed, and the
// program's own files never enter the Safe list. Each drop takes the source's
// component name and the index of its highlighted entry, if one is highlighted.
class ListDrops {
public:
    ListDrops(WatchPanes panes, ProgramLocation location, const ProcessSnapshot& snapshot, AdmissionReads reads)
        : panes_(panes), location_(std::move(location)), snapshot_(snapshot), reads_(reads) {}

    // The cursor of a drag from the Current list: no-drop for the program's own
    // executable, which the Safe list refuses.
    DragCursor TextListBox1StartDrag(std::optional<std::size_t> highlighted) const;
    // Current -> Safe: a copy, with the digest of the image that runs under the path.
    DropOutcome TextListBox2DragDrop(std::string_view source, std::optional<std::size_t> highlighted);
    // Current -> Kill (a copy) or Safe -> Kill (a move, without the digest).
    DropOutcome CheckListBox3DragDrop(std::string_view source, std::optional<std::size_t> highlighted);
    // Current or Safe -> Never Kill: a copy of the path.
    DropOutcome TextListBox4DragDrop(std::string_view source, std::optional<std::size_t> highlighted);

private:
    DropOutcome dropCurrentOnKill(std::optional<std::string> entry);
    DropOutcome dropSafeOnKill(std::optional<std::size_t> highlighted);

    WatchPanes panes_;
    ProgramLocation location_;
    const ProcessSnapshot& snapshot_;
    AdmissionReads reads_;
};

} // namespace korvane
