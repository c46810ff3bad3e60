#pragma once

#include <string>

namespace korvane {

// Where the program lives and where it keeps its files. Every folder ends with its
// separator. A portable folder holds all of them itself; an installed program keeps its
// data in the user's home and its sounds and help with the installation.
struct ProgramLocation {
    // A portable folder: data, sounds and help beside the executable.
    ProgramLocation(std::string executable, std::string folder);
    ProgramLocation(std::string executable, std::string folder, std::string dataFolder, std::string resourceFolder);

    std::string executable;
    std::string folder;         // the executable's folder, exempt from questions
    std::string dataFolder;     // Korvane.ini, ncr.dll, source.pcd and system/
    std::string resourceFolder; // Alarm1.wav, Alarm2.wav and KVhelp.chm
};

} // namespace korvane
