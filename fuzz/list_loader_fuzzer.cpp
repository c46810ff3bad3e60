// Any list file, and any list text the program enciphers itself, loads to a list the
// watch can use, and a loaded list stores and loads back as it was.
//
// The first byte chooses what the rest is: 0, the list file as it lies on disk; 1,
// what follows this program's check block (so the deciphering runs on any bytes); 2,
// a plain list text, enciphered with the program's own key before it is loaded.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/memory_list_pane.h"
#include "engine/text_rules.h"
#include "engine/whole_file.h"
#include "store/data_files.h"
#include "store/encryption.h"
#include "store/list_file_store.h"

namespace {

const std::string kPassphrase = "Xq4&Lm9!vR2#tB%h8=";
constexpr std::size_t kFillerSize = 300 * 22;

// A program folder of its own, made once, with "system/" in it.
const korvane::DataFiles& Folder() {
    static const korvane::DataFiles files = [] {
        // In $TMPDIR when set: on a memory file system (/dev/shm) the flushes to
        // disk that every save makes cost nothing.
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-list-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        const korvane::DataFiles made(pattern + "/");
        std::filesystem::create_directory(made.dataFolder);
        return made;
    }();
    return files;
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// What any loaded list must be: entries of one line each, none blank; nothing at all
// unless it loaded.
void CheckLoaded(const korvane::MemoryListPane& pane, korvane::ListLoad outcome) {
    if (outcome != korvane::ListLoad::Loaded) {
        Check(pane.count() == 0);
        return;
    }
    for (std::size_t i = 0; i < pane.count(); ++i) {
        const std::string entry = pane.item(i);
        Check(!korvane::Trim(entry).empty());
        Check(entry.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const korvane::DataFiles& files = Folder();
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    korvane::TEncryption encryption;
    switch (data[0] % 3) {
    case 0:
        korvane::WriteWholeFile(files.killList, rest);
        break;
    case 1: {
        korvane::WriteWholeFile(files.folder + "plain", "");
        encryption.CEncryptBtnClick(kPassphrase, files.folder + "plain", files.killList);
        const std::string check = korvane::ReadWholeFile(files.killList);
        Check(check.size() == korvane::TEncryption::kKeyBlockSize);
        korvane::WriteWholeFile(files.killList, check + std::string(rest));
        break;
    }
    default:
        korvane::WriteWholeFile(files.folder + "plain", rest);
        encryption.CEncryptBtnClick(kPassphrase, files.folder + "plain", files.killList);
        break;
    }

    korvane::ListFileStore lists(files.folder);
    korvane::MemoryListPane kill("CheckListBox3", false, {"stale entry"});
    const korvane::ListLoad outcome = lists.LoadList(kill);
    Check(outcome == korvane::ListLoad::Loaded || outcome == korvane::ListLoad::Rejected);
    CheckLoaded(kill, outcome);
    // No plain text is left behind.
    Check(korvane::ReadWholeFile(files.listTemp).size() == kFillerSize);
    if (data[0] % 3 == 2) {
        // The program's own text loads unless its last line lost its end.
        Check((outcome == korvane::ListLoad::Loaded) == (rest.empty() || rest.ends_with("\r\n")));
    }
    if (outcome == korvane::ListLoad::Loaded) {
        lists.StoreList(kill).commit();
        korvane::MemoryListPane back("CheckListBox3");
        Check(lists.LoadList(back) == korvane::ListLoad::Loaded);
        Check(back.items() == kill.items());
    }
    return 0;
}
