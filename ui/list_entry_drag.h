#pragma once

#include <optional>
#include <string>

#include <QMimeData>
#include <QPointer>

#include "engine/list_drops.h"
#include "widgets/text_list_box.h"

namespace korvane {

// What a drag from one of the window's lists carries: the list it started from, the
// entry highlighted there, and whether it may be dropped at all. The lists accept only this data, so a drag from
// another program, whatever formats it offers, is never dropped on them.
class ListEntryDrag : public QMimeData {
    Q_OBJECT

public:
    // Names the source list to whoever asks for the data's formats.
    static constexpr char kFormat[] = "application/x-korvane-list-entry";

    ListEntryDrag(TTextListBox& source, DragCursor cursor);

    // The list the drag started from; null once it is gone.
    TTextListBox* source() const { return source_; }
    // Its component name ("TextListBox1", ...), by which the targets choose.
    std::string sourceName() const;
    // NoDrop: no list accepts the drag, so the pointer shows the no-drop cursor.
    DragCursor cursor() const { return cursor_; }
    // The row of the dragged entry in its list now, highlighted again: a watch tick
    // during the drag may have rebuilt the list, and the highlight with it. Nothing when
    // no entry was highlighted at the start, or the entry has left the list since.
    std::optional<std::size_t> draggedRow() const;

private:
    QPointer<TTextListBox> source_;
    DragCursor cursor_;
    std::optional<std::string> entry_;
};

} // namespace korvane
