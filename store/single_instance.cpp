#include "store/single_instance.h"

namespace korvane {

std::string SingleInstanceMessage(const std::string& title) {
    std::string upper = title;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return "You can only have one instance of [" + upper + "] running at one time.";
}

std::optional<std::string> CheckSingleInstance(InstanceLock& lock, const std::string& title) {
    if (lock.acquire(title)) {
        return std::nullopt;
    }
    return SingleInstanceMessage(title);
}

} // namespace korvane
