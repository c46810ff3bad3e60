#include "store/flag_string.h"

#include <algorithm>

namespace korvane {

bool FlagString::isOn(std::size_t position) const {
    return position >= 1 && position <= text_.size() && text_[position - 1] == '1';
}

void FlagString::set(std::size_t position, bool on) {
    if (position >= 1 && position <= text_.size()) {
        text_[position - 1] = on ? '1' : '0';
    }
}

void FlagString::setKept(std::size_t position, bool on) {
    if (text_.size() < position || text_.size() <= 15) {
        text_.resize(std::max<std::size_t>(position, 16), '0');
    }
    set(position, on);
}

bool FlagString::takeFirstRunNotice() {
    if (text_.size() < 2 || text_[1] != '0') {
        return false;
    }
    text_[1] = '1';
    return true;
}

std::string FlagString::handedBack() const {
    return text_.size() > 15 ? text_ : std::string(16, '0');
}

} // namespace korvane
