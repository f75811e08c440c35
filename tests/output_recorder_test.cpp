#include "platform/audio/output_recorder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace earloop {
namespace {

struct RecordedFile {
    std::vector<std::uint8_t> bytes;
    std::uint32_t U32(std::size_t at) const {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    }
    std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8); }
    std::int16_t Sample(std::size_t index) const { return static_cast<std::int16_t>(U16(44 + 2 * index)); }
};

RecordedFile ReadBack(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {})};
}

class OutputRecorderTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }
    const std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("earloop-record-" + std::to_string(::getpid()) + ".wav");
};

TEST_F(OutputRecorderTest, WritesTheMixAs16BitStereoWithSizesValidAfterEveryWrite) {
    std::string why;
    auto recorder = OutputRecorder::Open(path_.string(), 48000, why);
    ASSERT_NE(recorder, nullptr) << why;
    // Rounded half away from zero, held to the 16-bit range.
    const std::vector<float> first = {0.5f, -0.5f, 1.0f, -1.0f, 1.5f, -1.5f, 0.75f / 32768, -0.75f / 32768};
    recorder->Take(first.data(), 4);
    // Longer than a block of the ring, in one period.
    const std::vector<float> second(2 * 3000, 0.25f);
    recorder->Take(second.data(), 3000);
    recorder->Write();

    // Whole before the recorder ends, as a killed program leaves it.
    RecordedFile file = ReadBack(path_);
    ASSERT_EQ(file.bytes.size(), 44u + 3004 * 4);
    EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.begin() + 4), "RIFF");
    EXPECT_EQ(file.U32(4), 36u + 3004 * 4);
    EXPECT_EQ(std::string(file.bytes.begin() + 8, file.bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(file.U16(20), 1);         // PCM
    EXPECT_EQ(file.U16(22), 2);         // stereo
    EXPECT_EQ(file.U32(24), 48000u);    // the card's rate
    EXPECT_EQ(file.U32(28), 192000u);   // bytes per second
    EXPECT_EQ(file.U16(32), 4);         // block align
    EXPECT_EQ(file.U16(34), 16);        // bits
    EXPECT_EQ(std::string(file.bytes.begin() + 36, file.bytes.begin() + 40), "data");
    EXPECT_EQ(file.U32(40), 3004u * 4);
    const std::vector<std::int16_t> expected = {16384, -16384, 32767, -32768, 32767, -32768, 1, -1};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(file.Sample(i), expected[i]) << i;
    EXPECT_EQ(file.Sample(8), 8192);
    EXPECT_EQ(file.Sample(2 * 3004 - 1), 8192);

    recorder->Take(first.data(), 1);
    recorder.reset();
    file = ReadBack(path_);
    ASSERT_EQ(file.bytes.size(), 44u + 3005 * 4);
    EXPECT_EQ(file.U32(4), 36u + 3005 * 4);
    EXPECT_EQ(file.U32(40), 3005u * 4);
    EXPECT_EQ(file.Sample(2 * 3004), 16384);
}

TEST_F(OutputRecorderTest, PeriodsThatFindTheRingFullAreWrittenAsSilenceOfTheirLength) {
    std::string why;
    auto recorder = OutputRecorder::Open(path_.string(), 44100, why);
    ASSERT_NE(recorder, nullptr) << why;
    // The ring holds 64 blocks of 1024 frames; the GUI thread writes none
    // of them in time.
    const std::vector<float> sound(2 * 70 * 1024, 0.5f);
    recorder->Take(sound.data(), 70 * 1024);
    recorder->Write();
    recorder->Take(sound.data(), 10);
    recorder.reset();
    const RecordedFile file = ReadBack(path_);
    ASSERT_EQ(file.U32(40), (70 * 1024 + 10) * 4u);
    EXPECT_EQ(file.Sample(2 * 64 * 1024 - 1), 16384);
    EXPECT_EQ(file.Sample(2 * 64 * 1024), 0);
    EXPECT_EQ(file.Sample(2 * 70 * 1024 - 1), 0);
    EXPECT_EQ(file.Sample(2 * 70 * 1024), 16384);
}

TEST_F(OutputRecorderTest, AFileThatCannotBeMadeIsRefusedWithTheReason) {
    std::string why;
    EXPECT_EQ(OutputRecorder::Open("/nonexistent-folder/out.wav", 44100, why), nullptr);
    EXPECT_EQ(why, "cannot write /nonexistent-folder/out.wav: No such file or directory");
}

}  // namespace
}  // namespace earloop
