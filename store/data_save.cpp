#include "store/data_save.h"

#include "store/data_seal.h"

namespace korvane {

void SaveDataFiles(ListFileStore& lists, const DataFiles& files, const StorePanes& panes) {
    FileReplacement safe = lists.StoreList(panes.safe);
    FileReplacement kill = lists.StoreList(panes.kill);
    FileReplacement neverKill = lists.StoreList(panes.neverKill);
    const std::string sealText = SealText(safe.temporaryPath(), kill.temporaryPath(), neverKill.temporaryPath());
    FileReplacement seal = WriteSeal(files.seal, sealText);
    FileReplacement backup = BackupSeal(seal.temporaryPath(), files.sealBackup);
    AnnounceSeal(files, sealText).commit();
    for (FileReplacement* file : {&safe, &kill, &neverKill, &seal, &backup}) {
        file->commit();
    }
    WithdrawPendingSeals(files);
}

void RemoveSaveLeftovers(const DataFiles& files) {
    for (const std::string* file :
         {&files.safeList, &files.killList, &files.neverKillList, &files.seal, &files.sealBackup, &files.pendingSeal}) {
        FileReplacement::RemoveLeftovers(*file);
    }
}

} // namespace korvane
