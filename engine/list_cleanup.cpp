#include "engine/list_cleanup.h"

#include "engine/text_rules.h"

namespace korvane {

void DeleteNeighbourDuplicates(ListPane& list) {
    for (std::size_t i = list.count(); i-- > 1;) {
        const std::string entry = list.item(i);
        // A sorted pane keeps the case variants of a path together in the order they
        // came, so a duplicate may stand behind another variant.
        for (std::size_t j = i; j-- > 0 && CompareListText(list.item(j), entry) == 0;) {
            if (list.item(j) == entry) {
                list.remove(i);
                break;
            }
        }
    }
}

void DeleteDupesBlanks(ListPane& list) {
    DeleteNeighbourDuplicates(list);
    for (std::size_t i = list.count(); i-- > 0;) {
        if (Trim(list.item(i)).empty()) {
            list.remove(i);
        }
    }
}

void DeletePasswordLines(ListPane& neverKill) {
    while (neverKill.count() > 0) {
        const std::string first = neverKill.item(0);
        if (!first.empty() && static_cast<unsigned char>(first.front()) > 32) {
            return;
        }
        neverKill.remove(0);
    }
}

} // namespace korvane
