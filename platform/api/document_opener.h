#pragma once

#include <string>

namespace korvane {

// Opening a document (the help, the log) with the program the desktop associates with
// its type, as a double click in a file manager would.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // False when no program could be started for it; nothing is reported.
    virtual bool open(const std::string& path) = 0;
};

} // namespace korvane
