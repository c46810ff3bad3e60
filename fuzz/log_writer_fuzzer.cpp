// Fuzzes the activity log writer: a fuzzed old log (any bytes, any line breaks, a
// header or not), then fuzzed subjects (any bytes: line breaks, brackets, blanks and
// control codes around them) logged one by one, inside passes and nested passes,
// while the log file is now and then removed or recreated. After every write it
// checks what no subject may change: one header on top, every line ended by CR LF,
// exactly two lines per entry, newest first, the timestamp line as it was given, and
// the old log below the new entries, line for line.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/activity_log.h"
#include "engine/decision_record.h"
#include "engine/file_error.h"
#include "engine/text_lines.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_window.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

constexpr std::string_view kHeader = "[This file may be emptied anytime.]";
const char* const kMessages[] = {"Terminated, found in Kill Processes list.",
                                 "Auto terminated per prefs - not in Safe list.",
                                 "Continued execution, placed in Safe Processes list.", "m"};

[[noreturn]] void Broken(const char* what, const std::string& log) {
    std::fprintf(stderr, "invariant broken: %s\n--- log ---\n%s\n", what, log.c_str());
    std::abort();
}

// The lines of the log as the user sees them, after a write.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            Broken("a last line without CR LF", text);
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

class Run {
public:
    explicit Run(FuzzedDataProvider& data) : data_(data) {
        if (data_.ConsumeBool()) {
            test::WriteFileBytes(path_, data_.ConsumeRandomLengthString(4096));
        }
    }

    void play() {
        while (data_.remaining_bytes() > 0) {
            step(0);
        }
    }

private:
    void step(int depth) {
        switch (data_.ConsumeIntegralInRange(0, 5)) {
        case 0:
        case 1:
            logOne(depth);
            break;
        case 2:
            if (depth <= 3) {
                pass(depth);
            }
            break;
        case 3:
            std::filesystem::remove(path_);
            fileChanged_ = true;
            break;
        case 4:
            test::WriteFileBytes(path_, data_.ConsumeRandomLengthString(512));
            fileChanged_ = true;
            break;
        default:
            clock_.time = {data_.ConsumeIntegralInRange(1980, 2099), data_.ConsumeIntegralInRange(1, 12),
                           data_.ConsumeIntegralInRange(1, 31),      data_.ConsumeIntegralInRange(0, 23),
                           data_.ConsumeIntegralInRange(0, 59),      data_.ConsumeIntegralInRange(0, 59)};
            break;
        }
    }

    // A pass must write exactly what its entries, logged one by one, would have
    // written: the mirror log takes them one by one.
    void pass(int depth) {
        if (depth == 0) {
            syncMirror();
            fileChanged_ = false;
        }
        {
            const LogPass pass(log_);
            const int steps = data_.ConsumeIntegralInRange(0, 6);
            for (int i = 0; i < steps && data_.remaining_bytes() > 0; ++i) {
                step(depth + 1);
            }
        }
        if (depth == 0 && !fileChanged_ && contents(path_) != contents(mirrorPath_)) {
            Broken("a pass wrote other than its entries one by one",
                   contents(path_) + "\n--- one by one ---\n" + contents(mirrorPath_));
        }
    }

    void syncMirror() {
        if (std::filesystem::exists(path_)) {
            test::WriteFileBytes(mirrorPath_, test::ReadFileBytes(path_));
        } else {
            std::filesystem::remove(mirrorPath_);
        }
    }

    void logOne(int depth) {
        const std::string subject = data_.ConsumeRandomLengthString(256);
        const std::string message = kMessages[data_.ConsumeIntegralInRange<std::size_t>(0, std::size(kMessages) - 1)];
        const bool alert = data_.ConsumeBool();
        const bool asProcess = data_.ConsumeBool();
        const bool exists = std::filesystem::exists(path_);
        const std::string before = contents(path_);
        const int alertsBefore = host_.logAlerts;
        const SnapshotEntry process{subject + " [1]", subject, {1, 1}};
        RecordDecision(mirror_, subject, message, alert); // the same subject rule either way
        try {
            if (asProcess) {
                log_.LogIt(process, message, alert);
            } else {
                log_.LogIt(subject, message, alert);
            }
        } catch (const FileError&) {
            if (exists || depth > 0) {
                Broken("an existing log could not be written, or a pass's entry threw", before);
            }
            if (std::filesystem::exists(path_) || host_.logAlerts != alertsBefore) {
                Broken("a missing log was created or alerted", before);
            }
            return;
        }
        if (depth > 0) {
            if (contents(path_) != before || host_.logAlerts != alertsBefore) {
                Broken("an entry was written before its pass ended", before);
            }
            return;
        }
        check(before, message);
    }

    // One entry written on top of `before` (or, inside a pass, nothing yet).
    void check(const std::string& before, const std::string& message) {
        const std::string after = test::ReadFileBytes(path_);
        const std::vector<std::string> lines = LinesOf(after);
        std::vector<std::string> old;
        for (const std::string_view line : SplitLines(before)) {
            old.emplace_back(line);
        }
        if (!old.empty() && old.front().find(kHeader) != std::string::npos) {
            old.erase(old.begin());
        }
        if (lines.size() != 3 + old.size()) {
            Broken("one entry did not add exactly two lines", after);
        }
        if (lines[0] != kHeader) {
            Broken("the header is not the first line", after);
        }
        char stamp[64];
        const LocalDateTime& t = clock_.time;
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d:%02d  -  ", t.month, t.day, t.year, t.hour,
                      t.minute, t.second);
        if (lines[1] != stamp) {
            Broken("the timestamp line is not the newest entry's", after);
        }
        const std::string tail = "  " + message;
        if (lines[2].size() < tail.size() || lines[2].compare(lines[2].size() - tail.size(), tail.size(), tail) != 0) {
            Broken("the subject line does not end in its message", after);
        }
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (lines[3 + i] != old[i]) {
                Broken("an older line changed", after);
            }
        }
    }

    static std::string contents(const std::string& path) {
        return std::filesystem::exists(path) ? test::ReadFileBytes(path) : "";
    }

    FuzzedDataProvider& data_;
    test::TempFolder folder_;
    std::string path_ = folder_.file("KVlog.txt");
    test::FakeClock clock_;
    test::FakeWatchHost host_;
    ActivityLog log_{path_, clock_, host_};
    std::string mirrorPath_ = folder_.file("mirror.txt");
    test::FakeWatchHost mirrorHost_;
    ActivityLog mirror_{mirrorPath_, clock_, mirrorHost_};
    bool fileChanged_ = false; // the log was removed or replaced during the pass
};

} // namespace
} // namespace korvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    korvane::Run(data).play();
    return 0;
}
