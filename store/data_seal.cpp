#include "store/data_seal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <optional>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/text_lines.h"
#include "engine/text_rules.h"
#include "engine/whole_file.h"

namespace korvane {

namespace {

constexpr std::size_t kSealLength = 98;
constexpr mode_t kNewSealMode = S_IRUSR | S_IWUSR;

std::optional<std::string> DigestTextOf(const std::string& path) {
    try {
        return DigestText(FileDigest(path));
    } catch (const FileError&) {
        return std::nullopt;
    }
}

// The seal as text: line breaks as CR LF, cut at a first zero byte; empty when it
// cannot be read.
std::string ReadSealText(const std::string& sealFile) {
    try {
        const std::string bytes = ReadWholeFile(sealFile);
        return NormaliseLineBreaks(std::string_view(bytes).substr(0, bytes.find('\0')));
    } catch (const FileError&) {
        return {};
    }
}

// The seals announced by saves that did not complete, one per line; none when there
// is no such file or it cannot be read.
std::vector<std::string> PendingSeals(const std::string& pendingFile) {
    std::optional<std::string> bytes;
    try {
        bytes = ReadFileIfExists(pendingFile);
    } catch (const FileError&) {
    }
    if (!bytes) {
        return {};
    }
    std::vector<std::string> seals;
    for (const std::string_view line : SplitLines(*bytes)) {
        if (line.size() == kSealLength) {
            seals.emplace_back(line);
        }
    }
    return seals;
}

bool Sealed(const std::optional<std::string>& digest, const std::vector<std::string>& sealTexts, const char* follower) {
    return digest && std::any_of(sealTexts.begin(), sealTexts.end(),
                                 [&](const std::string& sealText) { return Occurs(*digest + follower, sealText); });
}

} // namespace

std::string SealText(const std::string& safeList, const std::string& killList, const std::string& neverKillList) {
    return DigestText(FileDigest(safeList)) + "," + DigestText(FileDigest(killList)) + "," +
           DigestText(FileDigest(neverKillList));
}

SealCheck CheckDataSeal(const DataFiles& files) {
    const std::string sealText = ReadSealText(files.seal);
    const std::optional<std::string> sealDigest = DigestTextOf(files.seal);
    const std::optional<std::string> backupDigest = DigestTextOf(files.sealBackup);
    std::vector<std::string> sealTexts = PendingSeals(files.pendingSeal);
    const bool announced = std::find(sealTexts.begin(), sealTexts.end(), sealText) != sealTexts.end();
    sealTexts.push_back(sealText);
    SealCheck check;
    check.sealFile =
        !sealDigest || !backupDigest || sealText.size() != kSealLength || (*sealDigest != *backupDigest && !announced);
    check.safeList = !Sealed(DigestTextOf(files.safeList), sealTexts, ",");
    check.killList = !Sealed(DigestTextOf(files.killList), sealTexts, ",");
    check.neverKillList = !Sealed(DigestTextOf(files.neverKillList), sealTexts, "");
    return check;
}

FileReplacement AnnounceSeal(const DataFiles& files, const std::string& sealText) {
    std::vector<std::string> pending = PendingSeals(files.pendingSeal);
    pending.insert(pending.begin(), sealText);
    FileReplacement announcement = FileReplacement::Create(files.pendingSeal, kNewSealMode);
    announcement.write(TerminateLines(pending));
    announcement.flush();
    return announcement;
}

void WithdrawPendingSeals(const DataFiles& files) {
    if (::unlink(files.pendingSeal.c_str()) != 0 && errno != ENOENT) {
        throw FileError::writeFailed(files.pendingSeal);
    }
    if (!FlushFolder(files.dataFolder)) {
        throw FileError::writeFailed(files.pendingSeal);
    }
}

FileReplacement WriteSeal(const std::string& sealFile, const std::string& sealText) {
    FileReplacement seal = FileReplacement::Create(sealFile, kNewSealMode);
    seal.write(sealText);
    seal.flush();
    return seal;
}

FileReplacement BackupSeal(const std::string& sealFile, const std::string& backupFile) {
    FileReplacement backup = FileReplacement::Create(backupFile, kNewSealMode);
    backup.write(ReadWholeFile(sealFile));
    std::error_code error;
    std::filesystem::last_write_time(backup.temporaryPath(), SealBackupTime(), error);
    if (error) {
        throw FileError::writeFailed(backupFile);
    }
    backup.flush();
    return backup;
}

std::filesystem::file_time_type SealBackupTime() {
    std::tm local{};
    local.tm_year = 2007 - 1900;
    local.tm_mon = 10;
    local.tm_mday = 19;
    local.tm_hour = 9;
    local.tm_min = 32;
    local.tm_sec = 2;
    local.tm_isdst = -1; // whatever daylight saving time said on that day
    const std::time_t seconds = std::mktime(&local);
    return std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(seconds));
}

} // namespace korvane
