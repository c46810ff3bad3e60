#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/api/process_table.h"

namespace korvane {

// The folder already holds a data file; nothing was changed.
class SeedRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where this kind of system keeps its core programs (init, display server, session and
// login manager, message bus, journal, device manager, desktop shell).
const std::vector<std::string>& WellKnownCorePaths();

// The core executables of this machine for a new Never Kill list: every running process
// whose program is one of the core programs, and every well-known path that holds a
// file (as its real path, which is what the process table reports). Only executables
// owned by root and writable by no one else, in folders that are root's alone up to
// "/", are taken. Sorted, no duplicates.
std::vector<std::string> CoreExecutables(const std::vector<ProcessRecord>& running,
                                         const std::vector<std::string>& wellKnownPaths);

// Makes a new portable folder ready for a first start: "system/" with an empty log,
// empty Safe and Kill lists, a Never Kill list of `neverKill` and the empty password
// line, the seal and its backup (made exactly as shutdown makes them), and the window
// settings with the design defaults. Throws SeedRefused when the folder holds any of
// those files already, FileError when a file cannot be written.
void SeedFolder(const std::string& executableFolder, const std::vector<std::string>& neverKill);

// SeedFolder with the core executables of this machine (those running now among them)
// as the Never Kill list; returns that list. Throws SeedRefused while the folder's
// program runs.
std::vector<std::string> SeedFolderForThisMachine(const std::string& folder, ProcessTable& processes);

} // namespace korvane
