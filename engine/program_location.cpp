#include "engine/program_location.h"

#include <utility>

namespace korvane {

ProgramLocation::ProgramLocation(std::string executable, std::string folder)
    : executable(std::move(executable)), folder(std::move(folder)), dataFolder(this->folder),
      resourceFolder(this->folder) {}

ProgramLocation::ProgramLocation(std::string executable, std::string folder, std::string dataFolder,
                                 std::string resourceFolder)
    : executable(std::move(executable)), folder(std::move(folder)), dataFolder(std::move(dataFolder)),
      resourceFolder(std::move(resourceFolder)) {}

} // namespace korvane
