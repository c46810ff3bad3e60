#include "ui/list_box_pane.h"

#include <stdexcept>

#include <QAbstractItemModel>
#include <QSignalBlocker>

namespace korvane {

ListBoxPane::ListBoxPane(TTextListBox& box, bool withMarks) : box_(box), withMarks_(withMarks) {
    const QAbstractItemModel* model = box_.model();
    const auto changed = [this] { ++revision_; };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &changes_, changed);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, &changes_, changed);
    QObject::connect(model, &QAbstractItemModel::rowsMoved, &changes_, changed);
    QObject::connect(model, &QAbstractItemModel::dataChanged, &changes_, changed);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, &changes_, changed);
    QObject::connect(model, &QAbstractItemModel::modelReset, &changes_, changed);
}

std::string ListBoxPane::name() const {
    return box_.objectName().toStdString();
}

std::size_t ListBoxPane::count() const {
    return static_cast<std::size_t>(box_.count());
}

int ListBoxPane::row(std::size_t index) const {
    if (index >= count()) {
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    }
    return static_cast<int>(index);
}

std::string ListBoxPane::item(std::size_t index) const {
    return box_.text(row(index));
}

// Changes made through the pane are the program's own: the box reports only the
// user's, such as a toggled "Bypass" mark.
void ListBoxPane::add(const std::string& text) {
    addShowing(text, text);
}

void ListBoxPane::addShowing(const std::string& text, const std::string& shown) {
    const QSignalBlocker quiet(box_);
    const int added = box_.addText(text, shown);
    if (withMarks_) {
        QListWidgetItem* entry = box_.item(added);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(Qt::Unchecked);
    }
}

void ListBoxPane::addAllShowing(const std::vector<std::pair<std::string, std::string>>& items) {
    // Items with marks get theirs one by one; no such list is filled in bulk.
    if (withMarks_) {
        ListPane::addAllShowing(items);
        return;
    }
    const QSignalBlocker quiet(box_);
    box_.addTexts(items);
}

void ListBoxPane::remove(std::size_t index) {
    delete box_.takeItem(row(index));
}

void ListBoxPane::clear() {
    box_.clear();
}

bool ListBoxPane::checked(std::size_t index) const {
    return withMarks_ && box_.item(row(index))->checkState() == Qt::Checked;
}

void ListBoxPane::setChecked(std::size_t index, bool checked) {
    if (withMarks_) {
        const QSignalBlocker quiet(box_);
        box_.item(row(index))->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

std::optional<std::size_t> HighlightedRow(const QListWidget& list) {
    const int row = list.currentRow();
    if (row < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row);
}

} // namespace korvane
