#include "wave/wav_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_file_system.h"
#include "fakes/wav_builder.h"
#include "wave/wave_errors.h"

namespace earloop {
namespace {

using testing::Chunk;
using testing::MakeWav;
using testing::WaveSpec;

constexpr const char* kPath = "/music/take.wav";
constexpr std::uint32_t kUnchanged = 7;

WaveSpec With(void (*change)(WaveSpec&)) {
    WaveSpec spec;
    spec.samples = testing::RampSamples(100, 2);
    change(spec);
    return spec;
}

std::string Text(const std::array<std::uint8_t, kRecorderHeaderBytes>& header) {
    return std::string(header.begin(), header.end());
}

// The format chunk is preceded by another chunk; a proper one still follows.
std::string FormatChunkSecond() {
    const std::string plain = MakeWav(With([](WaveSpec&) {}));
    const std::string body = "WAVE" + Chunk("LIST", "INFOISFT") + plain.substr(12);
    return "RIFF" + testing::U32Le(static_cast<std::uint32_t>(body.size())) + body;
}

struct HeaderCase {
    const char* name;
    std::string file;
    int code;
    const char* message;
    std::uint32_t memoryFactor;
};

TEST(CheckWaveHeader, AcceptsOrRejectsWithTheFirstFailingStepsCodeAndText) {
    using namespace WaveError;
    const std::vector<HeaderCase> cases{
        {"stereo 44100", MakeWav(With([](WaveSpec&) {})), 0, "", 1},
        {"LIST chunk before data", MakeWav(With([](WaveSpec& s) { s.beforeData = Chunk("LIST", "INFOISFTabc"); })), 0, "", 1},
        {"18-byte format chunk", MakeWav(With([](WaveSpec& s) { s.fmtSize = 18; })), 0, "", 1},
        {"mono 11025", MakeWav(With([](WaveSpec& s) { s.channels = 1; s.rate = 11025; })), 0, "", 2},
        {"16000", MakeWav(With([](WaveSpec& s) { s.rate = 16000; })), 0, "", 2},
        {"22049", MakeWav(With([](WaveSpec& s) { s.rate = 22049; })), 0, "", 2},
        {"22050", MakeWav(With([](WaveSpec& s) { s.rate = 22050; })), 0, "", 1},
        {"96000", MakeWav(With([](WaveSpec& s) { s.rate = 96000; })), 0, "", 1},
        {"data tag at 252", MakeWav(With([](WaveSpec& s) { s.beforeData = std::string(216, 'x'); })), 0, "", 1},
        {"recorder's file", Text(RecorderHeader(8)) + "12345678", 0, "", 2},
        {"empty file", "", NoRiff, kNotWave, kUnchanged},
        {"RIFX", MakeWav(With([](WaveSpec& s) { s.riffTag = "RIFX"; })), NoRiff, kNotWave, kUnchanged},
        {"only RIFF", "RIFF", NoWave, kNotWave, kUnchanged},
        {"AVI form", MakeWav(With([](WaveSpec& s) { s.waveTag = "AVI "; })), NoWave, kNotWave, kUnchanged},
        {"format chunk second", FormatChunkSecond(), NoFormatChunk, kNotWave, kUnchanged},
        {"14-byte format chunk", MakeWav(With([](WaveSpec& s) { s.fmtSize = 14; })), ShortFormatChunk, kNoFormat, kUnchanged},
        {"32-bit float", MakeWav(With([](WaveSpec& s) { s.formatTag = 3; s.bits = 32; })), NotPcm, kNotPcm, kUnchanged},
        {"4-bit ADPCM", MakeWav(With([](WaveSpec& s) { s.formatTag = 2; s.bits = 4; })), NotPcm, kNotPcm, kUnchanged},
        {"8-bit PCM", MakeWav(With([](WaveSpec& s) { s.bits = 8; })), Not16Bit, kOnly16Bit, kUnchanged},
        {"8000 Hz", MakeWav(With([](WaveSpec& s) { s.rate = 8000; })), RateTooLow, kRateTooLow, kUnchanged},
        {"8000 Hz, 3 channels", MakeWav(With([](WaveSpec& s) { s.rate = 8000; s.channels = 3; })), RateTooLow, kRateTooLow, kUnchanged},
        {"3 channels", MakeWav(With([](WaveSpec& s) { s.channels = 3; })), BadChannelLayout, kBadChannels, kUnchanged},
        {"no channels", MakeWav(With([](WaveSpec& s) { s.channels = 0; })), BadChannelLayout, kBadChannels, kUnchanged},
        {"block align 0", MakeWav(With([](WaveSpec& s) { s.blockAlign = 0; })), BadChannelLayout, kBadChannels, kUnchanged},
        {"mono, block align 4", MakeWav(With([](WaveSpec& s) { s.channels = 1; s.blockAlign = 4; })), BadChannelLayout, kBadChannels, kUnchanged},
        {"data tag at 253", MakeWav(With([](WaveSpec& s) { s.beforeData = std::string(217, 'x'); })), HeaderNoData, kNoData, kUnchanged},
        {"data tag at 255", MakeWav(With([](WaveSpec& s) { s.beforeData = std::string(219, 'x'); })), HeaderNoData, kNoData, kUnchanged},
        {"ends after the format", MakeWav(With([](WaveSpec& s) { s.withDataChunk = false; })), HeaderNoData, kNoData, kUnchanged},
        {"tag cut short", MakeWav(With([](WaveSpec& s) { s.withDataChunk = false; s.afterData = "dat"; })), HeaderNoData, kNoData, kUnchanged},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        fs.Add(kPath, c.file);
        ErrorState error{99, "earlier"};
        std::uint32_t memoryFactor = kUnchanged;
        EXPECT_EQ(CheckWaveHeader(fs, kPath, error, memoryFactor), c.code == 0) << c.name;
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_EQ(error.message, c.message) << c.name;
        EXPECT_EQ(memoryFactor, c.memoryFactor) << c.name;
    }
    EXPECT_EQ(MakeWav(With([](WaveSpec& s) { s.withDataChunk = false; })).size(), 36u);
}

TEST(CheckWaveHeader, ReadsOnce256BytesAndReportsOpenAndReadFailures) {
    FakeFileSystem fs;
    ErrorState error;
    std::uint32_t memoryFactor = kUnchanged;
    EXPECT_FALSE(CheckWaveHeader(fs, kPath, error, memoryFactor));
    EXPECT_EQ(error.code, WaveError::HeaderOpen);
    EXPECT_EQ(error.message, WaveError::kCannotOpen);

    fs.Add(kPath, MakeWav(With([](WaveSpec& s) { s.samples = testing::RampSamples(1000, 2); })));
    EXPECT_TRUE(CheckWaveHeader(fs, kPath, error, memoryFactor));
    EXPECT_EQ(fs.readCalls[kPath], std::vector<std::size_t>{256});

    fs.failReadCall[kPath] = 1;
    EXPECT_FALSE(CheckWaveHeader(fs, kPath, error, memoryFactor));
    EXPECT_EQ(error.code, WaveError::HeaderRead);
    EXPECT_EQ(error.message, WaveError::kCannotRead);
}

TEST(FindDataTag, FindsTheFirstWholeTagFrom30To998InsideTheGivenBytes) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> tags;
        std::optional<std::size_t> found;
    };
    const std::vector<Case> cases{
        {1100, {30}, 30},    {1100, {29}, std::nullopt}, {1100, {29, 500}, 500}, {1100, {998}, 998},
        {1100, {999}, std::nullopt}, {1002, {998}, 998}, {1001, {997}, 997}, {1001, {998}, std::nullopt},
        {40, {36}, 36},      {39, {36}, std::nullopt},   {3, {}, std::nullopt},    {0, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        // Exactly `size` bytes on the heap: a read past them is caught.
        std::vector<std::uint8_t> bytes(c.size + 4, 0);
        for (const std::size_t at : c.tags) std::copy_n("data", 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
        bytes.resize(c.size);
        bytes.shrink_to_fit();
        EXPECT_EQ(FindDataTag(bytes.data(), bytes.size()), c.found) << c.size << " " << c.tags.size();
    }
}

TEST(RecorderHeader, IsThePlainStereo11025HeaderWithTheGivenSizes) {
    WaveSpec oneSecond;
    oneSecond.rate = 11025;
    oneSecond.samples = testing::RampSamples(11025, 2);
    const std::string expected = MakeWav(oneSecond).substr(0, 44);
    const auto header = RecorderHeader(44100);
    EXPECT_EQ(Text(header), expected);
    EXPECT_EQ(ReadU32Le(header.data() + 4), 44136u);
    EXPECT_EQ(ReadU32Le(header.data() + 40), 44100u);
    EXPECT_EQ(FormatAt(header.data()), Pcm16Format(2, 11025));

    const auto provisional = RecorderHeader(kProvisionalDataBytes);
    EXPECT_EQ(ReadU32Le(provisional.data() + 4), 10036u);
    EXPECT_EQ(ReadU32Le(provisional.data() + 40), 10000u);
    EXPECT_EQ(ReadU32Le(RecorderHeader(kMaxRecordedDataBytes).data() + 4), 0xFFFFFFFCu);
}

TEST(CompletedDataBytes, RoundsDownToWholeFramesThatTheSizeFieldsCanHold) {
    const std::vector<std::pair<std::uint64_t, std::uint32_t>> cases{
        {0, 0}, {3, 0}, {4, 4}, {44100, 44100}, {44103, 44100},
        {0xFFFFFFD8ull, 0xFFFFFFD8u}, {0xFFFFFFDCull, 0xFFFFFFD8u}, {1ull << 40, 0xFFFFFFD8u},
    };
    for (const auto& [captured, data] : cases) EXPECT_EQ(CompletedDataBytes(captured), data) << captured;
}

TEST(ReadRecordedTake, ReadsTheWholeFileIntoTwiceItsSizeWithTheDataBoundedByWhatWasRead) {
    const std::string samples = "0123456789abcdefghijklmnopqrstuvwxyzABCD";  // 10 frames
    struct Case {
        std::uint32_t dataSizeField;
        std::uint32_t dataBytes;
    };
    for (const auto& c : {Case{40, 40}, Case{8, 8}, Case{kProvisionalDataBytes, 40}, Case{0xFFFFFFFF, 40}}) {
        FakeFileSystem fs;
        fs.Add(kPath, Text(RecorderHeader(c.dataSizeField)) + samples);
        ErrorState error{99, "earlier"};
        const auto take = ReadRecordedTake(fs, kPath, error);
        ASSERT_TRUE(take) << c.dataSizeField;
        EXPECT_EQ(error.code, 0);
        EXPECT_EQ(take->fileSize, 84u);
        EXPECT_EQ(take->size, 168u);
        EXPECT_EQ(take->format, Pcm16Format(2, 11025));
        EXPECT_EQ(take->dataOffset, 44u);
        EXPECT_EQ(take->dataBytes, c.dataBytes) << c.dataSizeField;
        EXPECT_EQ(std::string(take->bytes.get() + 44, take->bytes.get() + 84), samples);
    }
}

TEST(ReadRecordedTake, FailsWithTheCodeOfTheStep) {
    const std::string file = Text(RecorderHeader(4)) + "abcd";
    struct Case {
        const char* name;
        void (*setUp)(FakeFileSystem&, const std::string&);
        int code;
    };
    const std::vector<Case> cases{
        {"missing", [](FakeFileSystem&, const std::string&) {}, WaveError::TakeOpen},
        {"size fails", [](FakeFileSystem& fs, const std::string& f) { fs.Add(kPath, f); fs.failSize[kPath] = true; }, WaveError::TakeSize},
        {"shorter than the header", [](FakeFileSystem& fs, const std::string& f) { fs.Add(kPath, f.substr(0, 43)); }, WaveError::TakeSize},
        {"read fails", [](FakeFileSystem& fs, const std::string& f) { fs.Add(kPath, f); fs.failReadCall[kPath] = 0; }, WaveError::TakeSize},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        c.setUp(fs, file);
        ErrorState error;
        EXPECT_FALSE(ReadRecordedTake(fs, kPath, error)) << c.name;
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_EQ(error.message, WaveError::kCannotOpen) << c.name;
    }
}

}  // namespace
}  // namespace earloop
