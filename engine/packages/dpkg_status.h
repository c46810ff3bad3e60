#pragma once

#include <map>
#include <string>
#include <string_view>

namespace korvane {

// Which packages dpkg counts as fully installed: "Status: <want> ok installed" in
// /var/lib/dpkg/status, as amended by the journal in /var/lib/dpkg/updates/ that dpkg
// writes while it works and folds into the status file later.
class InstalledPackages {
public:
    // Takes the stanzas of a status-format text; a stanza replaces what an earlier one
    // said about the same package and architecture.
    void apply(std::string_view statusText);

    // Whether the package an info file is named for ("bash", or "libc6:amd64" for a
    // package installed for several architectures) is fully installed.
    bool installed(std::string_view infoName) const;

private:
    // By "name:architecture".
    std::map<std::string, bool, std::less<>> instances_;
};

} // namespace korvane
