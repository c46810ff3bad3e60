// Any settings file decodes to plain lines that encode and decode back (but for a last
// empty line, which the cut to whole groups of three bytes may drop), and
// the window's section reads and writes over any of them as it should.
//
// The input is the encoded file as it lies on disk. The decoded text goes through the
// INI section the window reads its settings from: every value read is one line within
// the value buffer, a value written reads back (cut at its first line break), and the
// file saved and read again gives the same values.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/whole_file.h"
#include "store/ini_section.h"
#include "store/settings_codec.h"

namespace {

constexpr std::string_view kKeys[] = {"Edit1.Text", "ParmEdit.Text", "CheckBox1.Checked", "Left", "edit1.text"};

const std::string& SettingsFile() {
    static const std::string path = [] {
        // In $TMPDIR when set: on a memory file system (/dev/shm) the flushes to
        // disk that every save makes cost nothing.
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-settings-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern + "/Korvane.ini";
    }();
    return path;
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool OnlySymbols(std::string_view encoded) {
    return encoded.find_first_not_of(korvane::kSettingsAlphabet) == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string plain = korvane::DecodeSettingsText(input);
    Check(plain.find('\0') == std::string::npos);
    Check(plain.empty() || plain.ends_with("\r\n"));
    const std::string encoded = korvane::EncodeSettingsText(plain);
    Check(encoded.size() % 4 == 2 && encoded.ends_with("\r\n"));
    Check(OnlySymbols(std::string_view(encoded).substr(0, encoded.size() - 2)));
    // Cut to whole groups of three bytes, the text loses at most its final line break:
    // a last line that was empty is gone, every other line comes back.
    const std::string back = korvane::DecodeSettingsText(encoded);
    Check(back == plain || back + "\r\n" == plain);

    // The same through the file, as the program decodes and encodes it in place.
    const std::string& path = SettingsFile();
    korvane::WriteWholeFile(path, input);
    korvane::DecodeSettingsFile(path);
    Check(korvane::ReadWholeFile(path) == plain);

    korvane::IniSection section(path, "Form1");
    for (const std::string_view key : kKeys) {
        const std::string value = section.readString(key, "default");
        Check(value.size() < korvane::IniSection::kValueBuffer);
        Check(value.find_first_of("\r\n") == std::string::npos);
    }
    // A value taken from the input itself, line breaks and all; but no zero byte, which
    // would end the decoded file and which the window's text boxes never give.
    const std::string_view half = input.substr(0, input.size() / 2);
    const std::string written(half.substr(0, half.find('\0')));
    section.writeString("ParmEdit.Text", written);
    const std::string expected =
        written.substr(0, written.find_first_of("\r\n")).substr(0, korvane::IniSection::kValueBuffer - 1);
    Check(section.readString("PARMEDIT.TEXT", "") == expected);
    section.writeInteger("Edit1.Text", static_cast<int>(size) - 1000);
    Check(section.readInteger("Edit1.Text", 0) == static_cast<int>(size) - 1000);
    section.save();
    korvane::EncodeSettingsFile(path);
    korvane::DecodeSettingsFile(path);
    const korvane::IniSection again(path, "Form1");
    for (const std::string_view key : kKeys) {
        Check(again.readString(key, "default") == section.readString(key, "default"));
    }
    return 0;
}
