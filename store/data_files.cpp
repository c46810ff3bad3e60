#include "store/data_files.h"

namespace korvane {

DataFiles::DataFiles(const std::string& executableFolder) : DataFiles(executableFolder, executableFolder) {}

DataFiles::DataFiles(const std::string& folder, const std::string& executableFolder)
    : folder(folder), dataFolder(folder + "system/"), safeList(dataFolder + "Safe.lst"),
      killList(dataFolder + "Kill.lst"), neverKillList(dataFolder + "NeverKill.lst"), seal(dataFolder + "mpl.lst"),
      pendingSeal(dataFolder + "mpl.lst.pending"), sealBackup(folder + "ncr.dll"), log(dataFolder + "KVlog.txt"),
      settings(folder + "Korvane.ini"), listTemp(folder + "source.pcd"), executable(executableFolder + "Korvane") {}

} // namespace korvane
