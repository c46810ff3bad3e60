#pragma once

#include <string>

namespace korvane {

// Where the program keeps its files, built by plain concatenation onto the executable
// folder (which ends with its separator) and its data folder "system/".
struct DataFiles {
    explicit DataFiles(const std::string& executableFolder);

    std::string folder;     // the executable folder
    std::string dataFolder; // folder + "system/"
    std::string safeList;   // the three enciphered lists, in the data folder
    std::string killList;
    std::string neverKillList;
    std::string seal; // "mpl.lst", in the data folder
    // "mpl.lst.pending", in the data folder: the seals of saves that have begun to put
    // their files in place and not finished, one line each, newest first.
    std::string pendingSeal;
    std::string sealBackup; // "ncr.dll", beside the executable
    std::string log;        // "KVlog.txt", in the data folder
    std::string settings;   // "Korvane.ini", beside the executable
    std::string listTemp;   // "source.pcd", the plain list text of a round trip, beside the executable
    // The executable under its fixed name, locked at the first activation whatever the
    // running file is called.
    std::string executable;
};

} // namespace korvane
