#pragma once

#include <optional>
#include <string_view>

#include <QObject>
#include <QPoint>
#include <QPointer>

#include "engine/list_drops.h"
#include "engine/watch_engine.h"
#include "engine/watch_flags.h"
#include "ui/list_entry_drag.h"
#include "ui/list_hints.h"
#include "ui/main_form_controls.h"
#include "ui/message_panel.h"

class QMimeData;

namespace korvane {

// Editing the lists: dragging entries between the panes, under the rules that keep the
// lists consistent, the "Bypass" toggle, and the commands of the panes' menus that
// edit a list or copy it to the clipboard.
class ListEditing : public QObject {
    Q_OBJECT

public:
    // Makes the Current, Safe and Never Kill lists drag sources and the Safe, Kill and
    // Never Kill lists drop targets, and connects the Bypass toggle and the menu items.
    ListEditing(MainFormControls& controls, WatchPanes panes, ListDrops drops, WatchFlags& flags,
                MessagePanel& messages, ListHints& hints, QObject* parent);

    // What a drag from `source` carries; a drag from the Current list of the program's
    // own executable may be dropped nowhere.
    ListEntryDrag* dragData(TTextListBox& source);
    DragCursor TextListBox1StartDrag();

    // Whether the list accepts the drag: only from the lists each one takes.
    bool TextListBox2DragOver(const QMimeData* data) const;
    bool CheckListBox3DragOver(const QMimeData* data) const;
    bool TextListBox4DragOver(const QMimeData* data) const;
    // The drops, with the entry the drag started with.
    void TextListBox2DragDrop(const ListEntryDrag& drag);
    void CheckListBox3DragDrop(const ListEntryDrag& drag);
    void TextListBox4DragDrop(const ListEntryDrag& drag);

    // The user toggled a Kill entry's "Bypass" mark.
    void CheckListBox3ClickCheck();

    void DeleteFocusedKillProcess1Click();
    void StripDownToExeNameOnly1Click();
    void RemoveTheseFilesFromSafeList1Click();
    // Shared by the four "Copy list to Clipboard" items: the list by the item's name.
    void CopyToClipboard1Click(const QObject* Sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A drop target's two handlers.
    struct Target {
        bool (ListEditing::*DragOver)(const QMimeData* data) const;
        void (ListEditing::*DragDrop)(const ListEntryDrag& drag);
    };

    std::optional<Target> targetOf(const TTextListBox& list) const;
    static const ListEntryDrag* Accepted(const QMimeData* data, bool (*accepts)(std::string_view source));
    bool dragEvent(const TTextListBox& list, QEvent* event);
    bool mouseEvent(TTextListBox& list, QEvent* event);
    void startDrag(TTextListBox& source);
    void apply(const DropOutcome& outcome);

    MainFormControls& c_;
    WatchPanes panes_;
    ListDrops drops_;
    WatchFlags& flags_;
    MessagePanel& messages_;
    ListHints& hints_;
    // The source list the left button went down on, and where; a drag starts once the
    // pointer has moved far enough with the button held.
    QPointer<TTextListBox> pressed_;
    QPoint pressedAt_;
};

} // namespace korvane
