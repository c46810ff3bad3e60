#pragma once

#include <filesystem>
#include <string>

#include "engine/file_replacement.h"
#include "store/data_files.h"

namespace korvane {

// The seal text: the digest texts of the three stored list files, as they lie on disk,
// in the order Safe, Kill, Never Kill, joined by ",": 98 characters, no line break.
// Throws FileError when a file cannot be read.
std::string SealText(const std::string& safeList, const std::string& killList, const std::string& neverKillList);

// The outcome of the four seal tests; true means the test failed.
struct SealCheck {
    bool sealFile = false;      // the seal differs from its backup, or is not 98 characters long
    bool safeList = false;      // the list's digest text followed by "," is not in the seal
    bool killList = false;      // the same
    bool neverKillList = false; // the list's digest text is not in the seal

    bool passed() const { return !sealFile && !safeList && !killList && !neverKillList; }
};

// Runs all four tests. A file that is missing or cannot be read fails every test it
// takes part in: the seal or its backup fails the seal-file test (a missing seal reads
// as empty, so the list tests fail too), a list fails its own test.
// A save cut short while it put its files in place leaves some new files beside old
// ones; until a save completes, the seals it announced (`pendingSeal`) count as well:
// a list passes under any of them, and a seal that is one of them passes without its
// backup (which is renamed after it).
SealCheck CheckDataSeal(const DataFiles& files);

// A replacement of the file of pending seals that names `sealText` first and keeps
// those still pending from saves cut short before; flushed, not yet committed.
FileReplacement AnnounceSeal(const DataFiles& files, const std::string& sealText);

// Removes the file of pending seals once a save has put every file in place. Throws
// FileError when it stays.
void WithdrawPendingSeals(const DataFiles& files);

// A replacement of the seal file holding `sealText`, flushed, not yet committed.
FileReplacement WriteSeal(const std::string& sealFile, const std::string& sealText);

// BackupSeal: a replacement of the backup holding the bytes of `sealFile`, with the
// fixed last-write time, flushed, not yet committed (the rename keeps the time).
FileReplacement BackupSeal(const std::string& sealFile, const std::string& backupFile);

// The backup's last-write time: 19 November 2007, 09:32:02, local time.
std::filesystem::file_time_type SealBackupTime();

} // namespace korvane
