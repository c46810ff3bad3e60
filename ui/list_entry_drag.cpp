#include "ui/list_entry_drag.h"

namespace korvane {

ListEntryDrag::ListEntryDrag(TTextListBox& source, DragCursor cursor) : source_(&source), cursor_(cursor) {
    setData(QLatin1String(kFormat), source.objectName().toLatin1());
}

std::string ListEntryDrag::sourceName() const {
    return source_ ? source_->objectName().toStdString() : std::string();
}

} // namespace korvane
