#pragma once

#include <array>
#include <initializer_list>
#include <memory>
#include <string>

#include "engine/activity_log.h"
#include "engine/list_pane.h"
#include "platform/api/file_locker.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/list_file_store.h"

namespace korvane {

// What the main window provides to the data store.
class DataStoreHost {
public:
    virtual ~DataStoreHost() = default;
    // Paints a list pane red with yellow text: its file may have been tampered with.
    virtual void paintTampered(ListPane& pane) = 0;
    // Starts the tamper alarm, the timer Timer3 at 1000 ms.
    virtual void startTamperAlarm() = 0;
};

// The program's data files over one run: the seal is checked at creation, the three
// lists are loaded and the five files locked at the first activation, and the lists
// and the seal are saved at shutdown. From the first activation on the lists live in
// the panes only.
class DataStore {
public:
    static constexpr std::uint64_t kLockedBytes = 0x7FFF;
    static constexpr const char* kTamperedMessage =
        "There is an indication that this Korvane data file has been tampered with.  Check data in list, as well as "
        "Preferences settings!";
    static constexpr const char* kRejectedMessage =
        "This Korvane list file could not be read.  It was kept under this name and the list was loaded empty.";
    static constexpr const char* kSaveFailedMessage = "Saving the Korvane data files failed at this file.";

    // The files of a portable folder, or those `files` names.
    DataStore(const std::string& executableFolder, StorePanes panes, ActivityLog& log, FileLocker& locker,
              DataStoreHost& host);
    DataStore(DataFiles files, StorePanes panes, ActivityLog& log, FileLocker& locker, DataStoreHost& host);

    // The four seal tests, after the temporary files of a save that died are removed.
    // Each failed test writes a log entry with alert naming its file, paints the panes
    // it concerns (all three for the seal file) and starts the alarm. A missing or
    // unreadable file fails its tests like an altered one.
    void VerifyDataSeal();

    // The data steps of the first activation: loads the Safe, Kill and Never Kill lists
    // (a list whose file is missing, unreadable, damaged or not this program's loads
    // empty; such a file, unless missing, is first kept as "<name>.rejected", the log
    // names the copy, and its pane is painted and the alarm started), locks the
    // executable, the three lists and the seal, and takes the password line out of the
    // Never Kill pane. Returns the password. Throws FileError, with the lists not yet
    // counted as loaded, when the temporary list file fails.
    std::string LoadLists();

    // The data steps of HouseKeeping: releases the locks; then, when the lists were
    // loaded (lists never loaded are never saved over the files), replaces any password
    // line by the one for `password`, stores the lists, the seal and its backup, and
    // takes the password line out again, also when storing fails. A failure is logged
    // with alert, naming the file; false then.
    bool SaveLists(const std::string& password);

    // Unlocks and closes the five locked files.
    void releaseLocks();
    // Locks the five files (again, after a save the program outlives: the save replaced
    // them); nothing while the lists are not loaded.
    void lockDataFiles();

    bool listsLoaded() const { return listsLoaded_; }
    const DataFiles& files() const { return files_; }

private:
    void reportTampered(const std::string& file, std::initializer_list<ListPane*> panes);
    // Paints the panes and starts the alarm.
    void raiseTamperAlarm(std::initializer_list<ListPane*> panes);
    void keepRejected(const std::string& listFile);

    DataFiles files_;
    StorePanes panes_;
    ActivityLog& log_;
    FileLocker& locker_;
    DataStoreHost& host_;
    ListFileStore lists_;
    std::array<std::unique_ptr<FileLock>, 5> locks_;
    bool listsLoaded_ = false;
};

} // namespace korvane
