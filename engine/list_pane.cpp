#include "engine/list_pane.h"

#include "engine/text_rules.h"

namespace korvane {

std::vector<std::string> ListPane::items() const {
    std::vector<std::string> result;
    result.reserve(count());
    for (std::size_t i = 0; i < count(); ++i) {
        result.push_back(item(i));
    }
    return result;
}

std::string ListPane::joinedText() const {
    return JoinLines(items());
}

} // namespace korvane
