#include "engine/list_pane.h"

#include <stdexcept>
#include <utility>

#include "engine/text_rules.h"

namespace korvane {

void ListPane::addAllShowing(const std::vector<std::pair<std::string, std::string>>& items) {
    for (const auto& [text, shown] : items) {
        addShowing(text, shown);
    }
}

std::vector<std::string> ListPane::items() const {
    std::vector<std::string> result;
    result.reserve(count());
    for (std::size_t i = 0; i < count(); ++i) {
        result.push_back(item(i));
    }
    return result;
}

void ListPane::addShowing(const std::string& text, const std::string&) {
    add(text);
}

void ListPane::setItem(std::size_t index, const std::string& text) {
    if (index >= count()) {
        throw std::out_of_range("list index out of bounds");
    }
    // Through the pane's own operations: the items from `index` on are taken off and
    // added again in order, each with its mark.
    std::vector<std::pair<std::string, bool>> tail;
    for (std::size_t i = index; i < count(); ++i) {
        tail.emplace_back(item(i), checked(i));
    }
    tail.front().first = text;
    while (count() > index) {
        remove(count() - 1);
    }
    for (const auto& [itemText, mark] : tail) {
        add(itemText);
        if (mark) {
            setChecked(count() - 1, true);
        }
    }
}

std::string ListPane::joinedText() const {
    return JoinLines(items());
}

} // namespace korvane
