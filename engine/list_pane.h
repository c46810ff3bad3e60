#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

// A list shown in a window (or held in memory by tests): the Current, Safe, Kill and
// Never Kill panes. A sorted pane puts every added item into place by CompareListText.
class ListPane {
public:
    virtual ~ListPane() = default;

    // The component name ("TextListBox2", "CheckListBox3", ...); it picks the list file.
    virtual std::string name() const = 0;
    virtual std::size_t count() const = 0;
    virtual std::string item(std::size_t index) const = 0;
    virtual void add(const std::string& text) = 0;
    // Adds an item that stands for `text` but shows `shown`: a Current entry is the
    // whole path of its process, shown as the list has always shown it. A pane that
    // shows nothing keeps `text` alone.
    virtual void addShowing(const std::string& text, const std::string& shown);
    // Adds each (text, shown) pair as addShowing() does; a window's pane lays itself
    // out once for all.
    virtual void addAllShowing(const std::vector<std::pair<std::string, std::string>>& items);
    virtual void remove(std::size_t index) = 0;
    virtual void clear() = 0;
    // The per-item check mark (the Kill list's "Bypass"); panes without marks answer false.
    virtual bool checked(std::size_t index) const = 0;
    virtual void setChecked(std::size_t index, bool checked) = 0;
    // Replaces the text of the item at `index`. In an unsorted pane the item keeps its
    // place and its mark; a sorted pane, which carries no marks, sorts it in anew.
    virtual void setItem(std::size_t index, const std::string& text);
    // A number that changes with every change of the items or their marks, also one
    // made behind the pane's back (a window's list edited by the user). While it stays
    // the same, what was learnt from the items still holds.
    virtual std::uint64_t revision() const = 0;

    std::vector<std::string> items() const;
    // The items joined by CR LF, the text every list-membership test searches.
    std::string joinedText() const;
};

} // namespace korvane
