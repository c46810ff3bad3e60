#include "engine/memory_list_pane.h"

#include <algorithm>
#include <stdexcept>

#include "engine/text_rules.h"

namespace korvane {

MemoryListPane::MemoryListPane(std::string name, bool sorted, const std::vector<std::string>& items)
    : MemoryListPane(std::move(name), sorted) {
    for (const std::string& text : items) {
        add(text);
    }
}

void MemoryListPane::add(const std::string& text) {
    ++revision_;
    if (!sorted_) {
        items_.emplace_back(text, false);
        return;
    }
    // After equal items, as a sorted list box inserts.
    const auto at = std::upper_bound(items_.begin(), items_.end(), text, [](const std::string& t, const auto& entry) {
        return CompareListText(t, entry.first) < 0;
    });
    items_.emplace(at, text, false);
}

void MemoryListPane::remove(std::size_t index) {
    if (index >= items_.size()) {
        throw std::out_of_range("list index out of bounds");
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    ++revision_;
}

void MemoryListPane::clear() {
    items_.clear();
    ++revision_;
}

void MemoryListPane::setChecked(std::size_t index, bool checked) {
    items_.at(index).second = checked;
    ++revision_;
}

} // namespace korvane
