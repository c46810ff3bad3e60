#pragma once

#include <string>

namespace korvane {

// Where the program keeps its files, built by plain concatenation onto the folder that
// holds them (which ends with its separator) and its data folder "system/". A portable
// folder holds them beside the executable; an installed program in the user's home.
struct DataFiles {
    explicit DataFiles(const std::string& executableFolder);
    DataFiles(const std::string& folder, const std::string& executableFolder);

    std::string folder;     // the folder holding the files
    std::string dataFolder; // folder + "system/"
    std::string safeList;   // the three enciphered lists, in the data folder
    std::string killList;
    std::string neverKillList;
    std::string seal; // "mpl.lst", in the data folder
    // "mpl.lst.pending", in the data folder: the seals of saves that have begun to put
    // their files in place and not finished, one line each, newest first.
    std::string pendingSeal;
    std::string sealBackup; // "ncr.dll", in the folder
    std::string log;        // "KVlog.txt", in the data folder
    std::string settings;   // "Korvane.ini", in the folder
    std::string listTemp;   // "source.pcd", the plain list text of a round trip, in the folder
    // The executable under its fixed name in its own folder, locked at the first
    // activation whatever the running file is called.
    std::string executable;
};

} // namespace korvane
