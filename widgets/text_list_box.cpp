#include "widgets/text_list_box.h"

#include <algorithm>

#include <QByteArray>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "engine/text_rules.h"

namespace korvane {
namespace {

constexpr int BytesRole = Qt::UserRole;
constexpr qsizetype kMostWidthsKept = 8192;

std::string bytesOf(const QListWidgetItem* item) {
    const QVariant bytes = item->data(BytesRole);
    // Items added through the plain QListWidget calls carry only their text.
    const QByteArray data = bytes.isValid() ? bytes.toByteArray() : item->text().toLocal8Bit();
    return data.toStdString();
}

// Rows of the list's fixed height, when it has one.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    explicit FixedHeightDelegate(TTextListBox& list) : QStyledItemDelegate(&list), list_(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (list_.itemHeight() > 0) {
            size.setHeight(list_.itemHeight());
        }
        return size;
    }

private:
    const TTextListBox& list_;
};

} // namespace

TTextListBox::TTextListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A path is never shortened with "...": it is scrolled into view instead.
    setTextElideMode(Qt::ElideNone);
    setItemDelegate(new FixedHeightDelegate(*this));
    connect(this, &QAbstractItemView::clicked, this, &TTextListBox::click);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (remeasureAfterRemoval_) {
            remeasureAfterRemoval_ = false;
            remeasureAll();
        }
    });
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        // The view still measures the items that are going: nothing is left to scroll.
        maxItemWidth_ = 0;
        horizontalScrollBar()->setRange(0, 0);
        scrollToLeftEdge();
    });
}

TTextListBox::~TTextListBox() {
    // The model outlives the scroll bars while the base class tears down.
    disconnect(model(), nullptr, this, nullptr);
}

void TTextListBox::setItemHeight(int height) {
    itemHeight_ = height;
    scheduleDelayedItemsLayout();
}

void TTextListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0) {
        Q_EMIT click();
    }
}

int TTextListBox::addText(const std::string& text) {
    return addText(text, text);
}

int TTextListBox::addText(const std::string& text, const std::string& shown) {
    int row = count();
    if (sorted_) {
        // Binary search for the first item ordered after the new one.
        int low = 0;
        while (low < row) {
            const int middle = low + (row - low) / 2;
            if (CompareListText(text, bytesOf(item(middle))) < 0) {
                row = middle;
            } else {
                low = middle + 1;
            }
        }
    }
    auto* entry = new QListWidgetItem(QString::fromLocal8Bit(QByteArray::fromStdString(shown)));
    entry->setData(BytesRole, QByteArray::fromStdString(text));
    insertItem(row, entry);
    return row;
}

void TTextListBox::addTexts(const std::vector<std::pair<std::string, std::string>>& items) {
    {
        const QScopedValueRollback<bool> batch(adding_, true);
        for (const auto& [text, shown] : items) {
            addText(text, shown);
        }
    }
    applyExtent();
}

std::string TTextListBox::text(int row) const {
    return bytesOf(item(row));
}

int TTextListBox::itemWidth(const QListWidgetItem* item) const {
    const QString text = item->text();
    if (const auto known = widths_.constFind(text); known != widths_.cend()) {
        return *known;
    }
    // Bounded: paths of programs long gone are dropped now and then.
    if (widths_.size() >= kMostWidthsKept) {
        widths_.clear();
    }
    const int width = QFontMetrics(font()).horizontalAdvance(text + QLatin1Char('x'));
    widths_.insert(text, width);
    return width;
}

void TTextListBox::rowsInserted(const QModelIndex& parent, int start, int end) {
    QListWidget::rowsInserted(parent, start, end);
    for (int row = start; row <= end; ++row) {
        maxItemWidth_ = std::max(maxItemWidth_, itemWidth(item(row)));
    }
    // Laying the view out measures every item: once per item added, filling a long
    // list would cost the square of its length.
    if (!adding_) {
        applyExtent();
    }
}

void TTextListBox::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    for (int row = start; row <= end; ++row) {
        // It may have been the widest: measure the rest again once it is gone.
        if (itemWidth(item(row)) >= maxItemWidth_) {
            remeasureAfterRemoval_ = true;
        }
    }
    if (remeasureAfterRemoval_) {
        scrollToLeftEdge();
    }
    QListWidget::rowsAboutToBeRemoved(parent, start, end);
}

void TTextListBox::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        widths_.clear();
        remeasureAll();
    }
}

void TTextListBox::remeasureAll() {
    maxItemWidth_ = 0;
    for (int row = 0; row < count(); ++row) {
        maxItemWidth_ = std::max(maxItemWidth_, itemWidth(item(row)));
    }
    applyExtent();
}

void TTextListBox::applyExtent() {
    updateGeometries();
}

void TTextListBox::updateGeometries() {
    // Setting the range can show or hide the scroll bars, which resizes the view and
    // lays it out again from in here. That inner layout is the view's own; only the
    // outermost call sets the range, or the two bars could switch each other on and
    // off without end.
    if (settingRange_) {
        QListWidget::updateGeometries();
        return;
    }
    const QScopedValueRollback<bool> guard(settingRange_, true);
    // The scrolling range follows the widest item, not the view's own item layout,
    // which may clamp the position to its own range on the way.
    QScrollBar* bar = horizontalScrollBar();
    const int position = bar->value();
    QListWidget::updateGeometries();
    // Two bars that each take the room the other needs would switch each other on and
    // off on every turn of the event loop. The view settles its own bars by asking
    // whether each is wanted with no bars shown at all; so must this range.
    const QSize whole = maximumViewportSize();
    const bool verticalWanted = contentsSize().height() > whole.height();
    const int room = whole.width() - (verticalWanted ? verticalScrollBar()->width() : 0);
    const int visible = viewport()->width();
    // An item with a check box is wider than its text: the view's width counts too.
    const int widest = std::max(maxItemWidth_, contentsSize().width());
    bar->setRange(0, widest > room ? std::max(0, widest - visible) : 0);
    bar->setPageStep(visible);
    bar->setValue(position);
}

void TTextListBox::scrollToLeftEdge() {
    horizontalScrollBar()->setValue(0);
}

} // namespace korvane
