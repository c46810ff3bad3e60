#pragma once

#include <cstddef>
#include <optional>

#include "engine/list_pane.h"
#include "widgets/text_list_box.h"

namespace korvane {

// A window's list box as the engine's list pane. With marks, every item carries a
// check box (the Kill list's "Bypass").
class ListBoxPane : public ListPane {
public:
    ListBoxPane(TTextListBox& box, bool withMarks) : box_(box), withMarks_(withMarks) {}

    std::string name() const override;
    std::size_t count() const override;
    std::string item(std::size_t index) const override;
    void add(const std::string& text) override;
    void addShowing(const std::string& text, const std::string& shown) override;
    void remove(std::size_t index) override;
    void clear() override;
    bool checked(std::size_t index) const override;
    void setChecked(std::size_t index, bool checked) override;

    TTextListBox& box() { return box_; }
    const TTextListBox& box() const { return box_; }

private:
    int row(std::size_t index) const;

    TTextListBox& box_;
    bool withMarks_;
};

// The row of a list's highlighted entry, if one is highlighted.
std::optional<std::size_t> HighlightedRow(const QListWidget& list);

} // namespace korvane
