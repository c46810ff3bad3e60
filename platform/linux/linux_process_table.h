#pragma once

#include "platform/api/process_table.h"

namespace korvane {

// Processes from /proc in ascending PID order. Processes whose executable link
// cannot be read (kernel threads, other users' processes without the right to
// look, processes that ended meanwhile) are left out, as are paths that are not
// absolute.
class LinuxProcessTable : public ProcessTable {
public:
    std::optional<std::vector<ProcessRecord>> enumerate() override;
};

} // namespace korvane
