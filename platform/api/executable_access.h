#pragma once

#include <string>

#include "platform/api/process_table.h"

namespace korvane {

class ExecutableAccess {
public:
    virtual ~ExecutableAccess() = default;
    // The exclusive-read probe: true when the file can be opened for reading now.
    virtual bool probe(const std::string& path) = 0;
    // The file to read for the image a process actually runs, so that a file
    // swapped in at `path` after the start cannot pass for the running program.
    virtual std::string runningImage(const ProcessIdentity& id, const std::string& path) = 0;
};

} // namespace korvane
