#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// The sounds as the build lays them beside the program, and their sources.
const std::string kPortable = KORVANE_PORTABLE_DIR "/";
const std::string kSources = KORVANE_SOUNDS_SOURCE_DIR "/";

struct Wave {
    int format = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<std::int16_t> samples;

    double seconds() const { return static_cast<double>(samples.size()) / rate; }
    int peak() const {
        int loudest = 0;
        for (std::int16_t sample : samples) {
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
        }
        return loudest;
    }
};

std::uint32_t Le(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// Reads a RIFF/WAVE file chunk by chunk; nothing when its structure is broken.
std::optional<Wave> ReadWave(const std::string& path) {
    const std::string bytes = test::ReadFileBytes(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0 ||
        Le(bytes, 4, 4) != bytes.size() - 8) {
        return std::nullopt;
    }
    Wave wave;
    bool haveFormat = false;
    bool haveData = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = Le(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        if (body + size > bytes.size()) {
            return std::nullopt;
        }
        if (id == "fmt " && size >= 16) {
            wave.format = static_cast<int>(Le(bytes, body, 2));
            wave.channels = static_cast<int>(Le(bytes, body + 2, 2));
            wave.rate = static_cast<int>(Le(bytes, body + 4, 4));
            const std::uint32_t byteRate = Le(bytes, body + 8, 4);
            const std::uint32_t blockAlign = Le(bytes, body + 12, 2);
            wave.bits = static_cast<int>(Le(bytes, body + 14, 2));
            if (blockAlign != static_cast<std::uint32_t>(wave.channels * wave.bits / 8) ||
                byteRate != wave.rate * blockAlign) {
                return std::nullopt;
            }
            haveFormat = true;
        } else if (id == "data" && haveFormat && wave.bits == 16) {
            for (std::size_t i = 0; i + 1 < size; i += 2) {
                wave.samples.push_back(static_cast<std::int16_t>(Le(bytes, body + i, 2)));
            }
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) {
        return std::nullopt;
    }
    return wave;
}

class AlarmSoundTest : public testing::TestWithParam<const char*> {};

TEST_P(AlarmSoundTest, IsAudibleSixteenBitMonoPcmWithoutClicks) {
    const std::optional<Wave> wave = ReadWave(kPortable + GetParam());
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->format, 1); // PCM
    EXPECT_EQ(wave->channels, 1);
    EXPECT_EQ(wave->bits, 16);
    EXPECT_TRUE(wave->rate == 44100 || wave->rate == 22050) << wave->rate;
    // Loud enough to be heard, with headroom so that it never clips.
    EXPECT_GT(wave->peak(), 32767 / 3);
    EXPECT_LT(wave->peak(), 32000);
    // Starting and ending at rest: a jump from or to silence would click.
    ASSERT_FALSE(wave->samples.empty());
    EXPECT_LT(std::abs(wave->samples.front()), 330);
    EXPECT_LT(std::abs(wave->samples.back()), 330);
}

TEST_P(AlarmSoundTest, BuildLaysTheCurrentSourceBesideTheProgram) {
    EXPECT_EQ(test::ReadFileBytes(kPortable + GetParam()), test::ReadFileBytes(kSources + GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Both, AlarmSoundTest, testing::Values("Alarm1.wav", "Alarm2.wav"));

TEST(AlarmSoundLengthTest, ChimeIsShortAndTamperAlarmFitsItsOneSecondPeriod) {
    // Both play synchronously: the chime delays the questionable dialog, and the
    // tamper alarm is played again every 1000 ms while the window must stay usable.
    const std::optional<Wave> chime = ReadWave(kPortable + "Alarm1.wav");
    const std::optional<Wave> alarm = ReadWave(kPortable + "Alarm2.wav");
    ASSERT_TRUE(chime.has_value());
    ASSERT_TRUE(alarm.has_value());
    EXPECT_GT(chime->seconds(), 0.3);
    EXPECT_LT(chime->seconds(), 1.5);
    EXPECT_GT(alarm->seconds(), 0.2);
    EXPECT_LT(alarm->seconds(), 0.8);
}

TEST(WaveReaderTest, RefusesTruncatedAndMislabelledFiles) {
    test::TempFolder folder;
    const std::string good = test::ReadFileBytes(kPortable + "Alarm2.wav");
    test::WriteFileBytes(folder.file("cut.wav"), good.substr(0, good.size() / 2));
    EXPECT_FALSE(ReadWave(folder.file("cut.wav")).has_value());
    std::string wrongRate = good;
    wrongRate[28] = static_cast<char>(wrongRate[28] + 1); // byte rate no longer matches
    test::WriteFileBytes(folder.file("rate.wav"), wrongRate);
    EXPECT_FALSE(ReadWave(folder.file("rate.wav")).has_value());
    EXPECT_TRUE(ReadWave(kPortable + "Alarm2.wav").has_value());
}

} // namespace
} // namespace korvane
