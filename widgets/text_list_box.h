#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QHash>
#include <QListWidget>
#include <QString>

namespace korvane {

// A list of text items whose horizontal scrolling range is the width of its widest
// item plus an "x", so long executable paths can be scrolled into view.
//
// Items are the bytes the engine hands over (paths are bytes on Linux). Each item
// keeps those bytes exactly and shows them decoded with the local 8-bit codec, so a
// path that is not valid in the locale still comes back unchanged.
class TTextListBox : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(bool sorted READ isSorted WRITE setSorted)
    Q_PROPERTY(int horizontalExtent READ horizontalExtent)
    Q_PROPERTY(int itemHeight READ itemHeight WRITE setItemHeight)

public:
    explicit TTextListBox(QWidget* parent = nullptr);
    ~TTextListBox() override;

    // A sorted list puts each added item after the items that compare equal or lower
    // under the panes' order; items already in the list stay where they are.
    bool isSorted() const { return sorted_; }
    void setSorted(bool sorted) { sorted_ = sorted; }

    // Adds an item (in order when sorted, else at the end); returns its row.
    int addText(const std::string& text);
    // The same for an item that keeps `text` but shows `shown`; sorted by `text`.
    int addText(const std::string& text, const std::string& shown);
    // Adds each (text, shown) pair as addText() does, but lays the view out once, at
    // the end: a list of hundreds of items is filled in one go instead of once per item.
    void addTexts(const std::vector<std::pair<std::string, std::string>>& items);
    std::string text(int row) const;

    // The widest item plus "x", in pixels of the current font.
    int horizontalExtent() const { return maxItemWidth_; }

    // Every row is this many pixels high; 0 leaves it to the font.
    int itemHeight() const { return itemHeight_; }
    void setItemHeight(int height);

signals:
    // The user picked an entry: a click on one, or the keyboard moved the highlight.
    // Changes the program makes to the list or its highlight raise nothing.
    void click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void updateGeometries() override;
    void changeEvent(QEvent* event) override;

private:
    int itemWidth(const QListWidgetItem* item) const;
    void remeasureAll();
    void applyExtent();
    void scrollToLeftEdge();

    bool sorted_ = false;
    int itemHeight_ = 0;
    int maxItemWidth_ = 0;
    bool remeasureAfterRemoval_ = false;
    bool settingRange_ = false; // inside updateGeometries, which may resize the view
    bool adding_ = false;       // inside addTexts
    // Widths of the texts measured, in the current font: the Current list is filled
    // anew with mostly the same paths on every change of the processes, and shaping
    // a text costs more than the rest of adding it.
    mutable QHash<QString, int> widths_;
};

} // namespace korvane
