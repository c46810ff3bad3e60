#pragma once

#include <cstddef>
#include <optional>

#include <QObject>

#include "engine/list_pane.h"
#include "widgets/text_list_box.h"

namespace korvane {

// A window's list box as the engine's list pane. With marks, every item carries a
// check box (the Kill list's "Bypass").
class ListBoxPane : public ListPane {
public:
    ListBoxPane(TTextListBox& box, bool withMarks);

    std::string name() const override;
    std::size_t count() const override;
    std::string item(std::size_t index) const override;
    void add(const std::string& text) override;
    void addShowing(const std::string& text, const std::string& shown) override;
    void addAllShowing(const std::vector<std::pair<std::string, std::string>>& items) override;
    void remove(std::size_t index) override;
    void clear() override;
    bool checked(std::size_t index) const override;
    void setChecked(std::size_t index, bool checked) override;
    // Counts every change the box's model reports, whoever made it: the program
    // through this pane, or the user through the box.
    std::uint64_t revision() const override { return revision_; }

    TTextListBox& box() { return box_; }
    const TTextListBox& box() const { return box_; }

private:
    int row(std::size_t index) const;

    TTextListBox& box_;
    bool withMarks_;
    std::uint64_t revision_ = 0;
    // Receives the model's reports while the pane lives, also if the box outlives it.
    QObject changes_;
};

// The row of a list's highlighted entry, if one is highlighted.
std::optional<std::size_t> HighlightedRow(const QListWidget& list);

} // namespace korvane
