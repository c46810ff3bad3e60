#include "store/data_store.h"

#include <filesystem>
#include <utility>

#include <sys/stat.h>

#include "engine/decision_record.h"
#include "engine/file_error.h"
#include "engine/file_replacement.h"
#include "engine/list_cleanup.h"
#include "engine/whole_file.h"
#include "store/data_seal.h"
#include "store/password_line.h"

namespace korvane {

namespace {

// Takes the password line off the pane on every way out of a save.
class PasswordLineRemoval {
public:
    explicit PasswordLineRemoval(ListPane& neverKill) : neverKill_(neverKill) {}
    ~PasswordLineRemoval() { DeletePasswordLines(neverKill_); }
    PasswordLineRemoval(const PasswordLineRemoval&) = delete;
    PasswordLineRemoval& operator=(const PasswordLineRemoval&) = delete;

private:
    ListPane& neverKill_;
};

} // namespace

DataStore::DataStore(const std::string& executableFolder, StorePanes panes, ActivityLog& log, FileLocker& locker,
                     DataStoreHost& host)
    : DataStore(DataFiles(executableFolder), panes, log, locker, host) {}

DataStore::DataStore(DataFiles files, StorePanes panes, ActivityLog& log, FileLocker& locker, DataStoreHost& host)
    : files_(std::move(files)), panes_(panes), log_(log), locker_(locker), host_(host), lists_(files_.folder) {}

void DataStore::VerifyDataSeal() {
    // No save of ours is under way before the lists are loaded: what such files are
    // left lying about is from one that died.
    RemoveSaveLeftovers(files_);
    const SealCheck check = CheckDataSeal(files_);
    if (check.sealFile) {
        reportTampered(files_.seal, {&panes_.safe, &panes_.kill, &panes_.neverKill});
    }
    if (check.safeList) {
        reportTampered(files_.safeList, {&panes_.safe});
    }
    if (check.killList) {
        reportTampered(files_.killList, {&panes_.kill});
    }
    if (check.neverKillList) {
        reportTampered(files_.neverKillList, {&panes_.neverKill});
    }
}

void DataStore::reportTampered(const std::string& file, std::initializer_list<ListPane*> panes) {
    // A log that cannot be written must not also silence the panes and the alarm.
    RecordDecision(log_, file, kTamperedMessage, true);
    raiseTamperAlarm(panes);
}

void DataStore::raiseTamperAlarm(std::initializer_list<ListPane*> panes) {
    for (ListPane* pane : panes) {
        host_.paintTampered(*pane);
    }
    host_.startTamperAlarm();
}

std::string DataStore::LoadLists() {
    listsLoaded_ = false;
    for (ListPane* pane : {&panes_.safe, &panes_.kill, &panes_.neverKill}) {
        const ListLoad outcome = lists_.LoadList(*pane);
        if (outcome == ListLoad::Unreadable || outcome == ListLoad::Rejected) {
            // A list that is there but cannot be taken as it stands is as suspect as
            // one that fails its seal.
            keepRejected(lists_.listFilePath(pane->name()));
            raiseTamperAlarm({pane});
        }
    }
    listsLoaded_ = true;
    lockDataFiles();
    return TakeOutPasswordLine(panes_.neverKill);
}

void DataStore::keepRejected(const std::string& listFile) {
    const std::string copy = listFile + ".rejected";
    try {
        const std::string bytes = ReadWholeFile(listFile);
        if (bytes.empty()) {
            return; // nothing to keep
        }
        FileReplacement kept = FileReplacement::Create(copy, S_IRUSR | S_IWUSR);
        kept.write(bytes);
        kept.commit();
    } catch (const FileError&) {
        // What cannot be read cannot be copied; moved aside, it is kept all the same.
        std::error_code error;
        std::filesystem::rename(listFile, copy, error);
        if (error) {
            return;
        }
    }
    RecordDecision(log_, copy, kRejectedMessage, true);
}

void DataStore::lockDataFiles() {
    if (!listsLoaded_) {
        return;
    }
    const std::string* const lockedFiles[] = {&files_.executable, &files_.safeList, &files_.killList,
                                              &files_.neverKillList, &files_.seal};
    for (std::size_t i = 0; i < locks_.size(); ++i) {
        locks_[i] = locker_.lockFile(*lockedFiles[i], kLockedBytes);
    }
}

void DataStore::releaseLocks() {
    for (std::unique_ptr<FileLock>& lock : locks_) {
        lock.reset();
    }
}

bool DataStore::SaveLists(const std::string& password) {
    releaseLocks();
    if (!listsLoaded_) {
        return true;
    }
    const PasswordLineRemoval removal(panes_.neverKill);
    DeletePasswordLines(panes_.neverKill);
    panes_.neverKill.add(PasswordLine(password));
    try {
        SaveDataFiles(lists_, files_, panes_);
    } catch (const FileError& error) {
        RecordDecision(log_, error.path(), kSaveFailedMessage, true);
        return false;
    }
    return true;
}

} // namespace korvane
