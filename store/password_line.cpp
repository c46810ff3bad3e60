#include "store/password_line.h"

#include "engine/text_rules.h"

namespace korvane {

std::string PasswordLine(const std::string& password) {
    return "   " + password;
}

std::string TakeOutPasswordLine(ListPane& neverKill) {
    if (neverKill.count() == 0) {
        return {};
    }
    const std::string first = neverKill.item(0);
    if (first.empty() || static_cast<unsigned char>(first.front()) > 32) {
        return {};
    }
    neverKill.remove(0);
    return Trim(first);
}

} // namespace korvane
