#include "store/data_files.h"

namespace korvane {

DataFiles::DataFiles(const std::string& executableFolder)
    : folder(executableFolder), dataFolder(executableFolder + "system/"), safeList(dataFolder + "Safe.lst"),
      killList(dataFolder + "Kill.lst"), neverKillList(dataFolder + "NeverKill.lst"), seal(dataFolder + "mpl.lst"),
      pendingSeal(dataFolder + "mpl.lst.pending"), sealBackup(executableFolder + "ncr.dll"),
      log(dataFolder + "KVlog.txt"), settings(executableFolder + "Korvane.ini"),
      listTemp(executableFolder + "source.pcd"), executable(executableFolder + "Korvane") {}

} // namespace korvane
