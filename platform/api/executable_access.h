#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/api/file_stamp.h"
#include "platform/api/process_table.h"

namespace korvane {

class ExecutableAccess {
public:
    virtual ~ExecutableAccess() = default;
    // The exclusive-read probe: succeeds when the path names a regular file that can
    // be opened for reading now, and gives the stamp of the file it opened. Never
    // blocks: a FIFO or a device fails the probe.
    virtual std::optional<FileStamp> probe(const std::string& path) = 0;
    // The file to read for the image the process with this identity runs, so that a
    // file swapped in at its path after the start cannot pass for the running
    // program. std::nullopt once that process has ended: its image is gone, and
    // its PID may already belong to another process.
    virtual std::optional<std::string> runningImage(const ProcessIdentity& id) = 0;
    // The path of the program the process with this identity runs now, as the process
    // table gives it: an exec since the process was listed changes it, the identity
    // stays. std::nullopt once that process has ended or when it cannot be told.
    virtual std::optional<std::string> runningPath(const ProcessIdentity& id) = 0;
    // True while the process with this identity runs the program at `path`. An exec
    // keeps the identity but changes the image: then what it runs says nothing of `path`.
    bool runs(const ProcessIdentity& id, std::string_view path) {
        const std::optional<std::string> running = runningPath(id);
        return running && *running == path;
    }
};

} // namespace korvane
