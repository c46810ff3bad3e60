#include "ui/list_entry_drag.h"

namespace korvane {

ListEntryDrag::ListEntryDrag(TTextListBox& source, DragCursor cursor) : source_(&source), cursor_(cursor) {
    setData(QLatin1String(kFormat), source.objectName().toLatin1());
    if (const int row = source.currentRow(); row >= 0) {
        entry_ = source.text(row);
    }
}

std::string ListEntryDrag::sourceName() const {
    return source_ ? source_->objectName().toStdString() : std::string();
}

std::optional<std::size_t> ListEntryDrag::draggedRow() const {
    if (!source_ || !entry_) {
        return std::nullopt;
    }
    const int highlighted = source_->currentRow();
    if (highlighted >= 0 && source_->text(highlighted) == *entry_) {
        return static_cast<std::size_t>(highlighted);
    }
    for (int row = 0; row < source_->count(); ++row) {
        if (source_->text(row) == *entry_) {
            source_->setCurrentRow(row);
            return static_cast<std::size_t>(row);
        }
    }
    return std::nullopt;
}

} // namespace korvane
