#pragma once

#include <string>

#include "engine/program_location.h"
#include "platform/api/process_table.h"

namespace korvane {

// Where an installation puts the program and its read-only resources, relative to its
// prefix ("lib/korvane" and "share/korvane" under "/usr").
struct InstalledLayout {
    std::string programDir;
    std::string resourceDir;
};

// Where a run keeps its files. A folder that holds the executable and its data
// (`system/` or `Korvane.ini`) is portable wherever it is, and so is every folder but an
// installation's program folder. Started from there, the program keeps its data in
// `dataHome` + "/korvane/" and takes its sounds and help from the installation's
// resource folder. Without a data home the folder stays portable.
ProgramLocation LocateProgram(const std::string& executable, const InstalledLayout& layout,
                              const std::string& dataHome);

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share (the home from
// the password database when HOME is unset); empty without a home.
std::string UserDataHome();

// Gets an installed program's data folder ready for the run: creates it with mode 0700
// (its parents as usual) and, when it holds no `system/` yet, seeds it as korvane-seed
// seeds a portable folder. Returns what went wrong, empty when nothing did; the program
// starts all the same and its seal check reports the missing files.
std::string PrepareUserDataFolder(const std::string& dataFolder, ProcessTable& processes);

} // namespace korvane
