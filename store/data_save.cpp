#include "store/data_save.h"

#include "store/data_seal.h"

namespace korvane {

void SaveDataFiles(ListFileStore& lists, const DataFiles& files, const StorePanes& panes) {
    FileReplacement safe = lists.StoreList(panes.safe);
    FileReplacement kill = lists.StoreList(panes.kill);
    FileReplacement neverKill = lists.StoreList(panes.neverKill);
    FileReplacement seal =
        WriteSeal(files.seal, SealText(safe.temporaryPath(), kill.temporaryPath(), neverKill.temporaryPath()));
    FileReplacement backup = BackupSeal(seal.temporaryPath(), files.sealBackup);
    for (FileReplacement* file : {&safe, &kill, &neverKill, &seal, &backup}) {
        file->commit();
    }
}

} // namespace korvane
