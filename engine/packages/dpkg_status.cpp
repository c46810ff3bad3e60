#include "engine/packages/dpkg_status.h"

#include <vector>

namespace korvane {

namespace {

struct Stanza {
    std::string_view package;
    std::string_view architecture;
    std::string_view status;
};

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// "install ok installed", "hold ok installed": the error flag "ok" and the state
// "installed". "reinstreq", "half-installed", "unpacked", "half-configured",
// "triggers-awaited" and the rest are not fully installed.
bool FullyInstalled(std::string_view status) {
    std::vector<std::string_view> words;
    while (!status.empty()) {
        const std::size_t blank = status.find(' ');
        if (blank != 0) {
            words.push_back(status.substr(0, blank));
        }
        if (blank == std::string_view::npos) {
            break;
        }
        status.remove_prefix(blank + 1);
    }
    return words.size() == 3 && words[1] == "ok" && words[2] == "installed";
}

} // namespace

void InstalledPackages::apply(std::string_view statusText) {
    Stanza stanza;
    const auto finish = [&] {
        if (!stanza.package.empty()) {
            std::string key(stanza.package);
            key += ':';
            key += stanza.architecture;
            instances_[std::move(key)] = FullyInstalled(stanza.status);
        }
        stanza = {};
    };
    while (!statusText.empty()) {
        const std::size_t end = statusText.find('\n');
        const std::string_view line = statusText.substr(0, end);
        statusText.remove_prefix(end == std::string_view::npos ? statusText.size() : end + 1);
        if (Trimmed(line).empty()) {
            finish();
            continue;
        }
        // Continuation lines (descriptions, conffiles) begin with a blank.
        if (line.front() == ' ' || line.front() == '\t') {
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view field = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (field == "Package") {
            stanza.package = value;
        } else if (field == "Architecture") {
            stanza.architecture = value;
        } else if (field == "Status") {
            stanza.status = value;
        }
    }
    finish();
}

bool InstalledPackages::installed(std::string_view infoName) const {
    if (infoName.find(':') != std::string_view::npos) {
        const auto found = instances_.find(infoName);
        return found != instances_.end() && found->second;
    }
    // A bare name: the package as installed for whichever architecture.
    const std::string prefix = std::string(infoName) + ':';
    for (auto at = instances_.lower_bound(prefix); at != instances_.end() && at->first.starts_with(prefix); ++at) {
        if (at->second) {
            return true;
        }
    }
    return false;
}

} // namespace korvane
