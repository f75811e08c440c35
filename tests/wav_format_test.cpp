#include "wave/wav_format.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/fake_file_system.h"
#include "fakes/wav_builder.h"
#include "wave/wave_errors.h"

namespace earloop {
namespace {

using testing::MakeWav;
using testing::WaveSpec;

constexpr const char* kPath = "/music/take.wav";
constexpr std::uint32_t kUnchanged = 7;

// A 44.1 kHz stereo file of 100 frames, changed by `change`.
std::string Wav(void (*change)(WaveSpec&)) {
    WaveSpec spec;
    spec.samples = testing::RampSamples(100, 2);
    change(spec);
    return MakeWav(spec);
}

std::string Text(const std::array<std::uint8_t, kRecorderHeaderBytes>& header) {
    return std::string(header.begin(), header.end());
}

// The format chunk is preceded by another chunk; a proper one still follows.
std::string FormatChunkSecond() {
    const std::string body = "WAVE" + testing::Chunk("LIST", "INFOISFT") + Wav([](WaveSpec&) {}).substr(12);
    return "RIFF" + testing::U32Le(static_cast<std::uint32_t>(body.size())) + body;
}

TEST(CheckWaveHeader, AcceptsWithTheMemoryFactorOfTheRateOrRejectsWithTheFirstFailingStepsCodeAndText) {
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nullopt: there is none
        int code;
        const char* text;
        std::uint32_t memoryFactor = kUnchanged;
        bool readFails = false;
    };
    using namespace WaveError;
    const char* notWave = "WAVEファイルではありません";
    const char* badChannels = "モノラルまたはステレオの16bit PCMのみ対応しています";
    const char* rateTooLow = "サンプル周波数11.025kHz未満には対応していません";
    const char* noData = "WAVEデータが見つかりません";
    const std::vector<Case> cases{
        {"stereo 44100", Wav([](WaveSpec&) {}), 0, "", 1},
        {"18-byte format chunk", Wav([](WaveSpec& s) { s.fmtSize = 18; }), 0, "", 1},
        {"mono 11025", Wav([](WaveSpec& s) { s.channels = 1; s.rate = 11025; }), 0, "", 2},
        {"22049", Wav([](WaveSpec& s) { s.rate = 22049; }), 0, "", 2},
        {"22050", Wav([](WaveSpec& s) { s.rate = 22050; }), 0, "", 1},
        {"data tag at 252", Wav([](WaveSpec& s) { s.beforeData = std::string(216, 'x'); }), 0, "", 1},
        {"recorder's file", Text(RecorderHeader(8)) + "12345678", 0, "", 2},
        {"missing", std::nullopt, HeaderOpen, "ファイルを開くことができません"},
        {"read fails", Wav([](WaveSpec&) {}), HeaderRead, "ファイルを読み込めません", kUnchanged, true},
        {"empty file", "", NoRiff, notWave},
        {"RIFX", Wav([](WaveSpec& s) { s.riffTag = "RIFX"; }), NoRiff, notWave},
        {"AVI form", Wav([](WaveSpec& s) { s.waveTag = "AVI "; }), NoWave, notWave},
        {"format chunk second", FormatChunkSecond(), NoFormatChunk, notWave},
        {"14-byte fmt", Wav([](WaveSpec& s) { s.fmtSize = 14; }), ShortFormatChunk, "WAVEフォーマット情報が読めません"},
        // The format tag comes first: a compressed file may say 16 bits or not.
        {"32-bit float", Wav([](WaveSpec& s) { s.formatTag = 3; s.bits = 32; }), NotPcm, "無圧縮リニアPCMではありません"},
        {"8-bit PCM", Wav([](WaveSpec& s) { s.bits = 8; }), Not16Bit, "16bit/sampleのWAVEファイルのみ対応しています"},
        {"8000 Hz", Wav([](WaveSpec& s) { s.rate = 8000; }), RateTooLow, rateTooLow},
        {"8000 Hz, 3 channels", Wav([](WaveSpec& s) { s.rate = 8000; s.channels = 3; }), RateTooLow, rateTooLow},
        {"3 channels", Wav([](WaveSpec& s) { s.channels = 3; }), BadChannelLayout, badChannels},
        {"no channels", Wav([](WaveSpec& s) { s.channels = 0; }), BadChannelLayout, badChannels},
        {"block align 0", Wav([](WaveSpec& s) { s.blockAlign = 0; }), BadChannelLayout, badChannels},
        {"mono, align 4", Wav([](WaveSpec& s) { s.channels = 1; s.blockAlign = 4; }), BadChannelLayout, badChannels},
        // Only the first 256 bytes are looked at.
        {"data tag at 253", Wav([](WaveSpec& s) { s.beforeData = std::string(217, 'x'); }), HeaderNoData, noData},
        {"ends after the format", Wav([](WaveSpec& s) { s.withDataChunk = false; }), HeaderNoData, noData},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        if (c.file) fs.Add(kPath, *c.file);
        fs.failReadCall[kPath] = c.readFails ? 0 : -1;
        ErrorState error{99, "earlier"};
        std::uint32_t memoryFactor = kUnchanged;
        EXPECT_EQ(CheckWaveHeader(fs, kPath, error, memoryFactor), c.code == 0) << c.name;
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_EQ(error.message, c.text) << c.name;
        EXPECT_EQ(memoryFactor, c.memoryFactor) << c.name;
        EXPECT_EQ(fs.readCalls[kPath], std::vector<std::size_t>(c.file ? 1 : 0, 256)) << c.name;  // one look
    }
}

TEST(FindDataTag, FindsTheFirstWholeTagFrom30To998InsideTheGivenBytes) {
    // The bytes given, the offsets of tags in them, the offset found.
    using Case = std::tuple<std::size_t, std::vector<std::size_t>, std::optional<std::size_t>>;
    const std::vector<Case> cases{
        {1100, {30}, 30}, {1100, {29}, std::nullopt}, {1100, {29, 500}, 500}, {1100, {998}, 998},
        {1100, {999}, std::nullopt}, {1002, {998}, 998}, {1001, {998}, std::nullopt},
        {39, {36}, std::nullopt}, {3, {}, std::nullopt}, {0, {}, std::nullopt},
    };
    for (const auto& [size, tags, found] : cases) {
        // Exactly `size` bytes on the heap: a read past them is caught.
        std::vector<std::uint8_t> bytes(size + 4, 0);
        for (const std::size_t at : tags) std::copy_n("data", 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
        bytes.resize(size);
        bytes.shrink_to_fit();
        EXPECT_EQ(FindDataTag(bytes.data(), bytes.size()), found) << size << " " << tags.size();
    }
}

TEST(RecorderHeader, IsThePlainStereo11025HeaderWithTheGivenSizes) {
    const std::string oneSecond = Wav([](WaveSpec& s) { s.rate = 11025; s.samples = testing::RampSamples(11025, 2); });
    EXPECT_EQ(Text(RecorderHeader(44100)), oneSecond.substr(0, 44));
    EXPECT_EQ(ReadU32Le(RecorderHeader(kProvisionalDataBytes).data() + 40), 10000u);
    EXPECT_EQ(ReadU32Le(RecorderHeader(kMaxRecordedDataBytes).data() + 4), 0xFFFFFFFCu);
}

TEST(CompletedDataBytes, RoundsDownToWholeFramesThatTheSizeFieldsCanHold) {
    const std::vector<std::pair<std::uint64_t, std::uint32_t>> cases{
        {0, 0}, {3, 0}, {4, 4}, {44100, 44100}, {44103, 44100},
        {0xFFFFFFD8ull, 0xFFFFFFD8u}, {0xFFFFFFDCull, 0xFFFFFFD8u}, {1ull << 40, 0xFFFFFFD8u},
    };
    for (const auto& [captured, data] : cases) EXPECT_EQ(CompletedDataBytes(captured), data) << captured;
}

TEST(ReadRecordedTake, ReadsTheWholeFileIntoTwiceItsSizeWithTheDataBoundedByWhatWasReadOrFailsWithTheStepsCode) {
    const std::string samples = "0123456789abcdefghijklmnopqrstuvwxyzABCD";  // 10 frames
    const auto file = [&](std::uint32_t dataSizeField) { return Text(RecorderHeader(dataSizeField)) + samples; };
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nullopt: there is none
        int code;
        std::uint32_t dataBytes = 0;
        bool sizeFails = false, readFails = false;
    };
    using namespace WaveError;
    for (const Case& c : {Case{"whole", file(40), 0, 40}, Case{"less than there is", file(8), 0, 8},
                          Case{"provisional", file(kProvisionalDataBytes), 0, 40}, Case{"missing", std::nullopt, TakeOpen},
                          Case{"size fails", file(40), TakeSize, 0, true},
                          Case{"shorter than the header", file(40).substr(0, 43), TakeSize},
                          Case{"read fails", file(40), TakeSize, 0, false, true}}) {
        FakeFileSystem fs;
        if (c.file) fs.Add(kPath, *c.file);
        fs.failSize[kPath] = c.sizeFails;
        fs.failReadCall[kPath] = c.readFails ? 0 : -1;
        ErrorState error{99, "earlier"};
        const auto take = ReadRecordedTake(fs, kPath, error);
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_EQ(error.message, c.code ? "ファイルを開くことができません" : "") << c.name;
        ASSERT_EQ(take.has_value(), c.code == 0) << c.name;
        if (!take) continue;
        EXPECT_EQ(take->fileSize, 84u);
        EXPECT_EQ(take->size, 168u);
        EXPECT_EQ(take->format, Pcm16Format(2, 11025));
        EXPECT_EQ(take->dataOffset, 44u);
        EXPECT_EQ(take->dataBytes, c.dataBytes) << c.name;
        EXPECT_EQ(std::string(take->bytes.get() + 44, take->bytes.get() + 84), samples);
    }
}

}  // namespace
}  // namespace earloop
