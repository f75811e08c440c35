#include "wave/loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/fake_file_system.h"
#include "fakes/fake_platform.h"
#include "fakes/wav_builder.h"
#include "wave/wave_errors.h"

namespace earloop {
namespace {

using testing::Chunk;
using testing::MakeWav;
using testing::WaveSpec;

constexpr const char* kPath = "/music/take.wav";
constexpr std::size_t kBlock = kLoadBlockBytes;
constexpr std::size_t kHeaderBytes = 44;  // MakeWav's plain header

// `frames` frames whose samples are made by `sample(frame, channel)`.
template <typename Fn>
WaveSpec Wave(std::uint32_t rate, std::uint16_t channels, std::size_t frames, Fn sample) {
    WaveSpec spec;
    spec.rate = rate;
    spec.channels = channels;
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::uint16_t c = 0; c < channels; ++c) spec.samples.push_back(static_cast<std::int16_t>(sample(i, c)));
    }
    return spec;
}

WaveSpec Silence(std::size_t frames) { return Wave(44100, 2, frames, [](auto, auto) { return 0; }); }

// A file of exactly `fileBytes` bytes: a 44.1 kHz stereo header, then zero
// samples in whole frames, then the odd bytes after the data chunk.
std::string FileOfSize(std::size_t fileBytes) {
    WaveSpec spec = Silence(0);
    const std::size_t dataBytes = (fileBytes - kHeaderBytes) / 4 * 4;
    spec.rawData = std::string(dataBytes, '\0');
    spec.afterData = std::string(fileBytes - kHeaderBytes - dataBytes, '\0');
    return MakeWav(spec);
}

// Answers as FakeKeyboard does, but first cuts the file to `shrinkTo` bytes
// at question `shrinkAt`, as if another program truncated it during the load.
struct ShrinkingKeyboard : testing::FakeKeyboard {
    explicit ShrinkingKeyboard(FakeFileSystem& fs) : fs(fs) {}
    bool EscapePressed() override {
        if (asked == shrinkAt) fs.files[kPath].contents.resize(shrinkTo);
        return FakeKeyboard::EscapePressed();
    }
    FakeFileSystem& fs;
    int shrinkAt = -1;
    std::size_t shrinkTo = 0;
};

class LoaderTest : public ::testing::Test {
protected:
    // Each load starts from fresh records of reads, windows and questions.
    std::optional<WaveImage> Load(const std::string& file, std::uint32_t memoryFactor = 1) {
        fs.Add(kPath, file);
        fs.readCalls.clear();
        dialogs = testing::FakeDialogs();
        keyboard.asked = 0;
        error = {};
        return LoadWaveFile(fs, dialogs, keyboard, kPath, memoryFactor, error);
    }

    // Loads and converts; the working samples follow.
    std::uint32_t LoadAndPrepare(const WaveSpec& spec, bool removeDcOffset, std::uint32_t memoryFactor = 1) {
        image = Load(MakeWav(spec), memoryFactor);
        EXPECT_TRUE(image) << error.code;
        if (!image) return 0;
        dialogs.progress.clear();
        return PrepareSamples(*image, dialogs, removeDcOffset);
    }

    // The 16-bit sample at `index` of the samples from the first working one.
    std::int16_t Sample(std::size_t index) const {
        if (!image) return -12345;  // the load failed, which LoadAndPrepare reported
        std::int16_t value;
        std::memcpy(&value, image->bytes.get() + image->dataOffset + index * 2, 2);
        return value;
    }

    void ExpectFailed(int code, const char* text) {
        EXPECT_EQ(error.code, code);
        EXPECT_EQ(error.message, text);
        EXPECT_EQ(dialogs.openProgressWindows, 0);
    }

    FakeFileSystem fs;
    testing::FakeDialogs dialogs;
    ShrinkingKeyboard keyboard{fs};
    ErrorState error;
    std::optional<WaveImage> image;
};

// --- the conversion to the working rate -----------------------------------

TEST_F(LoaderTest, WorkingFramesComeFromTheSummedPositionsAndGetTheirChannelDifferences) {
    struct Case {
        std::uint32_t rate;
        std::size_t frames;
        std::uint32_t workFrames;
        std::vector<std::pair<int, int>> sources;  // working frame, source frame
    };
    // Frame i holds 2i and -4i, so a halved working frame names its source.
    for (const Case& c : {Case{48000, 10000, 2296, {{0, 0}, {1, 4}, {2, 8}, {3, 13}}},  // 10000 / 4.3537
                          Case{44100, 132301, 33075, {{1, 4}, {2, 8}}},  // a quarter, in whole frames
                          Case{22050, 4200, 2100, {{1, 2}, {2099, 4198}}},
                          Case{16000, 3000, 2067, {{2, 2}, {3, 4}, {2066, 2998}}}}) {  // 3000 / 1.4512
        SCOPED_TRACE(c.rate);
        // A factor of 1 (as if the file's rate had changed since the header
        // check) still gets an image with room for the copy.
        const auto workBytes = LoadAndPrepare(
            Wave(c.rate, 2, c.frames, [](auto i, auto ch) { return ch ? -4 * int(i) : 2 * int(i); }),
            /*removeDcOffset=*/false);
        ASSERT_TRUE(image);
        EXPECT_EQ(workBytes, c.workFrames * 4);
        const std::size_t copy = workBytes / 2;  // the vocal canceller's copy, in samples
        for (const auto& [work, source] : c.sources) {
            EXPECT_EQ(Sample(2 * work), source) << "frame " << work;
            EXPECT_EQ(Sample(2 * work + 1), -2 * source) << "frame " << work;
            EXPECT_EQ(Sample(copy + 2 * work), 3 * source) << "frame " << work;  // left minus right
            EXPECT_EQ(Sample(copy + 2 * work + 1), -3 * source) << "frame " << work;
        }
        EXPECT_EQ(dialogs.progress, (std::vector<std::string>{"open INITIALIZING: Calculating ... 5", "percent 20",
                                                              "percent 50", "close"}));
        // The file's own format is kept; playback takes it at the working rate.
        EXPECT_EQ(image->format.nSamplesPerSec, c.rate);
        EXPECT_EQ(WorkingFormat(image->format), (WaveFormatInfo{1, 2, 11025, 44100, 4, 16}));
    }
}

TEST_F(LoaderTest, DcOffsetIsTheTruncatedMeanOfTheFirstHundredThousandTakenFramesPerChannel) {
    // Taken frames: left alternates 100 and 103 (mean 101.5), right is -3;
    // the frames in between would pull both means far up.
    const WaveSpec spec = Wave(44100, 2, 8192, [](auto i, auto c) {
        if (i % 4 != 0) return 30000;
        if (c == 1) return -3;
        return (i / 4) % 2 == 0 ? 100 : 103;
    });
    LoadAndPrepare(spec, /*removeDcOffset=*/true);
    EXPECT_EQ(Sample(0), 0);  // (100 - 101) / 2
    EXPECT_EQ(Sample(1), 0);  // (-3 + 3) / 2
    EXPECT_EQ(Sample(2), 1);  // (103 - 101) / 2
    // Without it the samples are halved toward zero.
    LoadAndPrepare(spec, /*removeDcOffset=*/false);
    EXPECT_EQ(Sample(1), -1);
    EXPECT_EQ(Sample(2), 51);

    LoadAndPrepare(Wave(11025, 1, 100100, [](auto i, auto) { return i < 100000 ? 10 : 20000; }), true, 2);
    EXPECT_EQ(Sample(0), 0);
    EXPECT_EQ(Sample(100000), 9995);  // (20000 - 10) / 2
}

// --- reading in blocks ------------------------------------------------------

TEST_F(LoaderTest, WholeBlocksMoveTheProgressAndEscapeKeepsThoseBeforeTheLastOneRead) {
    struct Case {
        std::size_t fileBytes;
        int escapeAt;  // tapped before the question after block escapeAt + 1; -1 none
        std::vector<std::size_t> reads;
        std::vector<int> percents;
        std::size_t dataBytes, imageBytes;
    };
    const std::size_t big = 4 * kBlock + 100;
    for (const Case& c : {Case{kBlock, -1, {kBlock}, {}, kBlock - 44, 2 * kBlock},
                          Case{kBlock + 1, -1, {kBlock, 1}, {}, kBlock - 44, 2 * kBlock + 2},
                          Case{big, -1, {kBlock, kBlock, kBlock, kBlock, 100}, {25, 50, 75}, big - 44, 2 * big},
                          Case{big, 0, {kBlock, kBlock}, {25}, kBlock, 4 * kBlock},
                          Case{big, 1, {kBlock, kBlock, kBlock}, {25, 50}, 2 * kBlock, 6 * kBlock}}) {
        SCOPED_TRACE(::testing::PrintToString(c.reads));
        keyboard.tapAt = c.escapeAt;
        const auto loaded = Load(FileOfSize(c.fileBytes), /*memoryFactor=*/2);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(fs.readCalls[kPath], c.reads);
        std::vector<std::string> progress = {"open LOADING: Reading file ... 5", "text  Loading wave file..."};
        for (int percent : c.percents) progress.push_back("percent " + std::to_string(percent));
        progress.push_back("close");
        EXPECT_EQ(dialogs.progress, progress);
        EXPECT_EQ(keyboard.asked, int(c.percents.size()));
        EXPECT_EQ(loaded->fileSize, c.fileBytes);
        EXPECT_EQ(loaded->size, c.imageBytes);
        EXPECT_EQ(loaded->dataOffset, kHeaderBytes);
        EXPECT_EQ(loaded->dataBytes, c.dataBytes);
        const MessageBoxRequest interrupted{"中断までデータを読み込みました", "Earloop !", MessageIcon::None,
                                            MessageButtons::Ok, false};
        EXPECT_EQ(dialogs.boxes, (c.escapeAt < 0 ? std::vector<MessageBoxRequest>{}
                                                 : std::vector<MessageBoxRequest>{interrupted}));
    }
}

TEST_F(LoaderTest, EachFailedOrShortReadHasItsOwnCodeAndClosesTheProgressWindow) {
    // File size, the read call that fails, the question at which the file
    // shrinks and its new size, the code.
    using Case = std::tuple<std::size_t, int, int, std::size_t, int>;
    const std::size_t big = 4 * kBlock + 100;
    for (const auto& [fileBytes, failingCall, shrinkAt, shrinkTo, code] :
         {Case{1000 * 4 * 4 + 44, 0, -1, 0, WaveError::ReadWhole}, Case{big, 0, -1, 0, WaveError::ReadFirstBlock},
          Case{big, 2, -1, 0, WaveError::ReadBlock}, Case{big, 4, -1, 0, WaveError::ReadRest},
          Case{big, -1, 0, 2 * kBlock + 10, WaveError::ReadBlock}, Case{big, -1, 2, 4 * kBlock + 50, WaveError::ReadRest}}) {
        SCOPED_TRACE(::testing::Message() << code << " " << failingCall << " " << shrinkAt);
        fs.failReadCall[kPath] = failingCall;
        keyboard.shrinkAt = shrinkAt;
        keyboard.shrinkTo = shrinkTo;
        EXPECT_FALSE(Load(FileOfSize(fileBytes)));
        ExpectFailed(code, "ファイルを読み込めません");
    }
}

// --- refusals ---------------------------------------------------------------

// A file system whose files claim to be 4 GiB long and cannot be read.
struct HugeFileSystem : FakeFileSystem {
    struct HugeFile : InputFile {
        std::optional<std::uint64_t> Size() override { return std::uint64_t{1} << 32; }
        std::optional<std::size_t> Read(std::uint8_t*, std::size_t) override { return std::nullopt; }
    };
    std::unique_ptr<InputFile> OpenForReading(const std::string&) override { return std::make_unique<HugeFile>(); }
};

TEST_F(LoaderTest, OpenSizeAndTooLargeFailuresComeBeforeTheProgressWindow) {
    EXPECT_FALSE(LoadWaveFile(fs, dialogs, keyboard, "/missing.wav", 1, error));
    ExpectFailed(WaveError::LoadOpen, "WAVEデータが見つかりません");

    HugeFileSystem huge;  // refused before anything is allocated for it
    EXPECT_FALSE(LoadWaveFile(huge, dialogs, keyboard, kPath, 2, error));
    ExpectFailed(WaveError::FileTooLarge, "4GB以上のWAVEファイルには対応していません");

    fs.failSize[kPath] = true;
    EXPECT_FALSE(Load(FileOfSize(10000)));
    ExpectFailed(WaveError::LoadSize, "ファイルを開くことができません");
    EXPECT_TRUE(dialogs.progress.empty());
}

TEST_F(LoaderTest, RefusesWhatTheRestOfTheProgramCannotTakeAndBoundsTheDataSize) {
    const auto layout = [](std::uint16_t channels, std::uint16_t blockAlign, std::uint32_t rate = 44100) {
        WaveSpec spec = Wave(rate, channels, 0, [](auto, auto) { return 0; });
        spec.blockAlign = blockAlign;
        spec.rawData = std::string(100000, '\0');
        return MakeWav(spec);
    };
    WaveSpec tagPast998 = Silence(9000);
    tagPast998.beforeData = testing::Chunk("LIST", std::string(1000, 'x'));
    struct Case { std::string file; int code; const char* text; };
    using namespace WaveError;
    for (const Case& c : {Case{MakeWav(tagPast998), LoadNoData, "WAVEデータが見つかりません"},
                          Case{layout(3, 6), BadChannelLayout, kBadChannels},
                          Case{layout(0, 0), BadChannelLayout, kBadChannels},
                          Case{layout(2, 2), BadChannelLayout, kBadChannels},
                          Case{layout(1, 4), BadChannelLayout, kBadChannels},
                          Case{layout(2, 4, 8000), RateTooLow, kRateTooLow},
                          // 44.1 kHz stereo: 8192 frames make exactly 2048 working frames.
                          Case{MakeWav(Silence(8191)), WaveTooShort, kTooShort}}) {
        SCOPED_TRACE(c.code);
        EXPECT_FALSE(Load(c.file, 2));
        ExpectFailed(c.code, c.text);
    }

    // The shortest wave taken, its data size field claiming far more than the
    // file has: the data is bounded by the bytes read.
    WaveSpec shortest = Silence(8192);
    shortest.dataSize = 0xFFFFFF00u;
    const auto loaded = Load(MakeWav(shortest));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->dataBytes, 8192u * 4);
}

// --- converting while the file is read --------------------------------------

// Reads its files in place (the fake copies a file at each read, too slow
// for files of many blocks), fails the read with index `failingRead`, and
// records the size and where each read lands.
struct LandingFileSystem : FakeFileSystem {
    struct File : InputFile {
        File(const std::string& contents, LandingFileSystem& fs) : contents(contents), fs(fs) {}
        std::optional<std::uint64_t> Size() override { return contents.size(); }
        std::optional<std::size_t> Read(std::uint8_t* into, std::size_t bytes) override {
            const bool failing = int(fs.reads.size()) == fs.failingRead;
            fs.reads.push_back(bytes);
            fs.landings.push_back(into);
            if (failing) return std::nullopt;
            const std::size_t count = std::min(bytes, contents.size() - position);
            std::memcpy(into, contents.data() + position, count);
            position += count;
            return count;
        }
        const std::string& contents;
        LandingFileSystem& fs;
        std::size_t position = 0;
    };
    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
        return std::make_unique<File>(files.at(path).contents, *this);
    }
    int failingRead = -1;
    std::vector<std::size_t> reads;
    std::vector<const std::uint8_t*> landings;
};

// All that a load and its conversion leave: the outcome, the windows, boxes
// and reads, and the working samples with their channel-difference copy.
struct LoadResult {
    int code = 0;
    std::string message;
    std::vector<std::string> progress;
    std::vector<MessageBoxRequest> boxes;
    std::vector<std::size_t> reads;
    int questions = 0;
    std::size_t size = 0, dataOffset = 0;
    std::uint32_t dataBytes = 0, workBytes = 0;
    std::string samples;
    int readsElsewhere = 0;  // reads that did not land at their place in the image
    bool operator==(const LoadResult&) const = default;
};

LoadResult LoadConverted(const std::string& file, std::uint32_t memoryFactor, bool removeDcOffset,
                         bool convertAsRead, int escapeAt, int failingRead) {
    LandingFileSystem fs;
    fs.Add(kPath, file);
    fs.failingRead = failingRead;
    testing::FakeDialogs dialogs;
    testing::FakeKeyboard keyboard;
    keyboard.tapAt = escapeAt;
    ErrorState error;
    auto image = LoadWaveFile(fs, dialogs, keyboard, kPath, memoryFactor, error,
                              convertAsRead ? std::optional<bool>(removeDcOffset) : std::nullopt);
    LoadResult result;
    result.code = error.code;
    result.message = error.message;
    result.reads = fs.reads;
    result.questions = keyboard.asked;
    if (image) {
        result.workBytes = PrepareSamples(*image, dialogs, removeDcOffset);
        result.size = image->size;
        result.dataOffset = image->dataOffset;
        result.dataBytes = image->dataBytes;
        const std::size_t copies = image->format.nChannels;
        result.samples.assign(reinterpret_cast<const char*>(image->bytes.get() + image->dataOffset),
                              copies * result.workBytes);
        // An image Escape shrank is a new one; the reads landed in the first.
        if (escapeAt < 0) {
            for (std::size_t k = 0; k < fs.landings.size(); ++k) {
                result.readsElsewhere += fs.landings[k] != image->bytes.get() + k * kBlock;
            }
        }
    }
    result.progress = dialogs.progress;
    result.boxes = dialogs.boxes;
    return result;
}

TEST(ConversionAsReadTest, GivesTheSamplesOfTheConversionAfterTheReadAndTouchesLessOfTheImage) {
    struct Case {
        const char* name;
        std::uint32_t rate;
        std::uint16_t channels;
        std::size_t frames;
        std::string beforeData = {};              // chunks before the data: where the samples start
        std::optional<std::uint32_t> dataSize = {};  // the header's claim, when not the samples' length
        int escapeAt = -1;                           // the question before which Escape is tapped
        int failingRead = -1;
        bool readsElsewhere = false;                 // some blocks never reach the image (checked without Escape)
    };
    const std::string list = Chunk("LIST", "INFOISFT" + std::string(9, 'x'));  // 8 + 17 + a pad byte
    // 10 blocks and a bit: long enough that the DC offset is known, at every
    // rate, before the reach of the working samples and their copy.
    const std::size_t kStereoFrames = 10 * kBlock / 4 + 1237, kMonoFrames = 2 * kStereoFrames + 1;
    const Case cases[] = {
        {"44100 stereo", 44100, 2, kStereoFrames, {}, {}, -1, -1, true},
        {"44100 mono", 44100, 1, kMonoFrames, {}, {}, -1, -1, true},
        {"48000 stereo", 48000, 2, kStereoFrames, {}, {}, -1, -1, true},
        {"48000 mono", 48000, 1, kMonoFrames, {}, {}, -1, -1, true},
        {"96000 stereo", 96000, 2, kStereoFrames, {}, {}, -1, -1, true},
        {"96000 mono", 96000, 1, kMonoFrames, {}, {}, -1, -1, true},
        // Where the working samples and their copy reach every block, each
        // stays in place.
        {"22050 stereo", 22050, 2, kStereoFrames},
        {"22050 mono", 22050, 1, kMonoFrames, {}, {}, -1, -1, true},
        {"11025 stereo", 11025, 2, kStereoFrames},
        {"11025 mono", 11025, 1, kMonoFrames},
        // Samples starting off the frame grid of the blocks: all in place.
        {"odd data offset", 44100, 2, kStereoFrames, list + "x"},
        {"even, off the grid", 44100, 2, kStereoFrames, list},
        // A claim ending mid-file, at an odd byte; what follows is no sample.
        // Blocks past the claim stay in place (Escape would keep them).
        {"short claim", 44100, 2, kStereoFrames, list + "xy", 4 * 1048576 + 4 * 1001 + 1, -1, -1, true},
        {"claim before the reach", 48000, 2, kStereoFrames, list + "xy", 2 * 1048576 + 4 * 1001 + 1},
        {"claim beyond the file", 44100, 1, kMonoFrames, {}, 0xFFFFFFF0u, -1, -1, true},
        // Escape before the DC offset is known, and once blocks go elsewhere.
        {"Escape early", 44100, 2, kStereoFrames, {}, {}, 1},
        {"Escape late", 44100, 2, kStereoFrames, {}, {}, 6},
        {"Escape late, mono 96000", 96000, 1, kMonoFrames, {}, {}, 7},
        {"Escape at the last block", 48000, 2, kStereoFrames, {}, {}, 8},
        // A read that fails where blocks go elsewhere.
        {"read error", 44100, 2, kStereoFrames, {}, {}, -1, 6},
        {"read error in the rest", 96000, 2, kStereoFrames, {}, {}, -1, 10},
    };
    // The DC setting alternates from case to case.
    bool removeDcOffset = false;
    for (const Case& c : cases) {
        removeDcOffset = !removeDcOffset;
        WaveSpec spec;
        spec.rate = c.rate;
        spec.channels = c.channels;
        spec.beforeData = c.beforeData;
        spec.dataSize = c.dataSize;
        // Every sample differs from its neighbours, with a DC offset of
        // about 300 on the left and -200 on the right.
        std::uint32_t noise = 12345;
        spec.samples.reserve(c.frames * c.channels);
        for (std::size_t i = 0; i < c.frames * c.channels; ++i) {
            noise = noise * 1664525u + 1013904223u;
            spec.samples.push_back(static_cast<std::int16_t>(int(noise >> 17) - 16384 + (i % 2 ? -200 : 300)));
        }
        spec.afterData = list;
        const std::string file = MakeWav(spec);
        const std::uint32_t memoryFactor = c.rate < 22050 ? 2 : 1;
        {
            SCOPED_TRACE(::testing::Message() << c.name << (removeDcOffset ? ", DC removed" : ", DC kept"));
            const LoadResult after = LoadConverted(file, memoryFactor, removeDcOffset, false, c.escapeAt, c.failingRead);
            LoadResult asRead = LoadConverted(file, memoryFactor, removeDcOffset, true, c.escapeAt, c.failingRead);
            EXPECT_EQ(after.readsElsewhere, 0);
            if (c.escapeAt < 0 && c.failingRead < 0) {
                EXPECT_EQ(asRead.readsElsewhere > 0, c.readsElsewhere);
            }
            asRead.readsElsewhere = 0;
            EXPECT_EQ(after.code, c.failingRead < 0 ? 0 : int(c.failingRead < 10 ? WaveError::ReadBlock : WaveError::ReadRest));
            EXPECT_EQ(after.boxes.size(), c.escapeAt < 0 ? 0u : 1u);
            EXPECT_EQ(asRead.samples.size(), after.samples.size());
            EXPECT_TRUE(asRead.samples == after.samples);  // not printed: megabytes
            asRead.samples = after.samples;
            EXPECT_EQ(asRead, after);
        }
    }
}

// --- file base names --------------------------------------------------------

TEST(BaseNameTest, LettersDigitsInnerBlanksCaretAndUnderscoreOnly) {
    for (const char* good : {"Take 1", "a", "Z9", "x^y_z", "a  b "}) EXPECT_TRUE(IsValidBaseName(good)) << good;
    for (const char* bad : {"", " lead", "a-b", "a.b", "テイク", "a\tb", "a/b", "a@b", "a[b", "a`b", "a{b", "a~b"}) {
        EXPECT_FALSE(IsValidBaseName(bad)) << bad;
    }
}

}  // namespace
}  // namespace earloop
