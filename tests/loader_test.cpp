#include "wave/loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_file_system.h"
#include "fakes/fake_platform.h"
#include "fakes/wav_builder.h"
#include "wave/wave_errors.h"

namespace earloop {
namespace {

using testing::MakeWav;
using testing::WaveSpec;

constexpr const char* kPath = "/music/take.wav";
constexpr std::size_t kBlock = kLoadBlockBytes;
constexpr std::size_t kHeaderBytes = 44;  // MakeWav's plain header

// `frames` frames whose samples are made by `sample(frame, channel)`.
template <typename Fn>
std::vector<std::int16_t> Frames(std::size_t frames, std::uint16_t channels, Fn sample) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::uint16_t c = 0; c < channels; ++c) samples.push_back(static_cast<std::int16_t>(sample(i, c)));
    }
    return samples;
}

WaveSpec Spec(std::uint32_t rate, std::uint16_t channels, std::vector<std::int16_t> samples) {
    WaveSpec spec;
    spec.rate = rate;
    spec.channels = channels;
    spec.samples = std::move(samples);
    return spec;
}

// A file of exactly `fileBytes` bytes: a 44.1 kHz stereo header, then zero
// samples in whole frames, then the odd bytes after the data chunk.
std::string FileOfSize(std::size_t fileBytes) {
    WaveSpec spec = Spec(44100, 2, {});
    const std::size_t dataBytes = (fileBytes - kHeaderBytes) / 4 * 4;
    spec.rawData = std::string(dataBytes, '\0');
    spec.afterData = std::string(fileBytes - kHeaderBytes - dataBytes, '\0');
    return MakeWav(spec);
}

class LoaderTest : public ::testing::Test {
protected:
    std::optional<WaveImage> Load(const std::string& file, std::uint32_t memoryFactor = 1) {
        fs.Add(kPath, file);
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
    testing::FakeKeyboard keyboard;
    ErrorState error;
    std::optional<WaveImage> image;
};

// --- the conversion to the working rate -----------------------------------

TEST_F(LoaderTest, At48kHzFramesComeFromTheSummedPositions) {
    // Frame i holds 2i and -2i, so a halved working sample names its source.
    const auto workBytes =
        LoadAndPrepare(Spec(48000, 2, Frames(10000, 2, [](auto i, auto c) { return c ? -2 * int(i) : 2 * int(i); })),
                       /*removeDcOffset=*/false);
    EXPECT_EQ(workBytes, 2296u * 4);  // 10000 / 4.3537... = 2296.9
    const int expectedSources[] = {0, 4, 8, 13};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Sample(2 * i), expectedSources[i]) << "frame " << i;
        EXPECT_EQ(Sample(2 * i + 1), -expectedSources[i]) << "frame " << i;
    }
    EXPECT_EQ(dialogs.progress,
              (std::vector<std::string>{"open INITIALIZING: Calculating ... 5", "percent 20", "percent 50", "close"}));
}

TEST_F(LoaderTest, HalvingTruncatesTowardZeroOverTheWholeRange) {
    // At 44.1 kHz every fourth frame is taken.
    auto samples = Frames(8192, 1, [](auto, auto) { return 0; });
    samples[0] = -3;
    samples[4] = 3;
    samples[8] = -32768;
    samples[12] = 32767;
    samples[13] = 999;  // not taken
    LoadAndPrepare(Spec(44100, 1, samples), false);
    EXPECT_EQ(Sample(0), -1);
    EXPECT_EQ(Sample(1), 1);
    EXPECT_EQ(Sample(2), -16384);
    EXPECT_EQ(Sample(3), 16383);
    EXPECT_EQ(Sample(4), 0);
}

TEST_F(LoaderTest, StereoAt44kHzKeepsAQuarterInWholeFramesAndPlaysAtTheWorkingRate) {
    // 132301 frames: a quarter of the bytes is 132301 bytes, 33075 whole frames.
    const auto workBytes = LoadAndPrepare(Spec(44100, 2, Frames(132301, 2, [](auto, auto) { return 0; })), true);
    EXPECT_EQ(image->dataBytes, 132301u * 4);
    EXPECT_EQ(workBytes, 33075u * 4);

    const WaveFormatInfo working = WorkingFormat(image->format);
    EXPECT_EQ(working, (WaveFormatInfo{1, 2, 11025, 44100, 4, 16}));
    EXPECT_EQ(image->format.nSamplesPerSec, 44100u);  // the file's own format is kept
}

TEST_F(LoaderTest, DcOffsetIsTheTruncatedMeanOfTheTakenFramesPerChannel) {
    // Taken frames: left alternates 100 and 103 (mean 101.5), right is -7;
    // the frames in between would pull both means far up.
    const auto samples = Frames(8192, 2, [](auto i, auto c) {
        if (i % 4 != 0) return 30000;
        if (c == 1) return -7;
        return (i / 4) % 2 == 0 ? 100 : 103;
    });
    LoadAndPrepare(Spec(44100, 2, samples), /*removeDcOffset=*/true);
    EXPECT_EQ(Sample(0), 0);  // (100 - 101) / 2
    EXPECT_EQ(Sample(1), 0);  // (-7 + 7) / 2
    EXPECT_EQ(Sample(2), 1);  // (103 - 101) / 2

    LoadAndPrepare(Spec(44100, 2, samples), /*removeDcOffset=*/false);
    EXPECT_EQ(Sample(0), 50);
    EXPECT_EQ(Sample(1), -3);
    EXPECT_EQ(Sample(2), 51);
}

TEST_F(LoaderTest, DcOffsetLooksAtTheFirstHundredThousandWorkingFramesOnly) {
    const auto samples = Frames(100100, 1, [](auto i, auto) { return i < 100000 ? 10 : 20000; });
    LoadAndPrepare(Spec(11025, 1, samples), true, /*memoryFactor=*/2);
    EXPECT_EQ(Sample(0), 0);
    EXPECT_EQ(Sample(100000), 9995);  // (20000 - 10) / 2
}

TEST_F(LoaderTest, VocalCancelCopyFollowsTheWorkingSamples) {
    const auto samples = Frames(8200, 2, [](auto i, auto c) { return c ? -int(i) : 3 * int(i); });
    const auto workBytes = LoadAndPrepare(Spec(44100, 2, samples), false);
    ASSERT_EQ(workBytes, 2050u * 4);
    EXPECT_LE(image->dataOffset + 2 * workBytes, image->size);
    const std::size_t copy = workBytes / 2;  // in samples
    for (int i : {0, 1, 2049}) {
        // Working frame i: left 3 x 4i / 2 = 6i, right -4i / 2 = -2i.
        EXPECT_EQ(Sample(copy + 2 * i), 8 * i) << "frame " << i;
        EXPECT_EQ(Sample(copy + 2 * i + 1), -8 * i) << "frame " << i;
    }
}

TEST_F(LoaderTest, SixteenKilohertzUsesTheFractionalStepAndGetsRoomForTheCopy) {
    const auto samples = Frames(3000, 2, [](auto i, auto) { return 2 * int(i); });
    // A factor of 1 (as if the file's rate had changed since the header
    // check) still gets an image with room for the copy.
    const auto workBytes = LoadAndPrepare(Spec(16000, 2, samples), false, /*memoryFactor=*/1);
    EXPECT_EQ(workBytes, 2067u * 4);  // 3000 / 1.4512
    EXPECT_LE(image->dataOffset + 2 * workBytes, image->size);
    EXPECT_EQ(Sample(2 * 2), 2);      // source frame trunc(2 x 1.4512) = 2
    EXPECT_EQ(Sample(2 * 3), 4);      // 4.35 -> 4
    EXPECT_EQ(Sample(2 * 2066), 2998);
}

// --- reading in blocks ------------------------------------------------------

TEST_F(LoaderTest, FilesUpToOneBlockAreReadInOneCallAndTheNextByteInASecond) {
    const std::vector<std::string> quiet = {"open LOADING: Reading file ... 5", "text  Loading wave file...", "close"};
    ASSERT_TRUE(Load(FileOfSize(kBlock)));
    EXPECT_EQ(fs.readCalls[kPath], (std::vector<std::size_t>{kBlock}));
    EXPECT_EQ(dialogs.progress, quiet);

    fs.readCalls.clear();
    dialogs.progress.clear();
    const auto loaded = Load(FileOfSize(kBlock + 1));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(fs.readCalls[kPath], (std::vector<std::size_t>{kBlock, 1}));
    EXPECT_EQ(dialogs.progress, quiet);
    EXPECT_EQ(keyboard.asked, 0);
    EXPECT_EQ(loaded->fileSize, kBlock + 1);
    EXPECT_EQ(loaded->dataOffset, kHeaderBytes);
    EXPECT_EQ(loaded->dataBytes, kBlock + 1 - kHeaderBytes - 1);
}

TEST_F(LoaderTest, MiddleBlocksMoveTheProgressAndAskForEscape) {
    const auto loaded = Load(FileOfSize(4 * kBlock + 100), /*memoryFactor=*/2);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(fs.readCalls[kPath], (std::vector<std::size_t>{kBlock, kBlock, kBlock, kBlock, 100}));
    EXPECT_EQ(dialogs.progress, (std::vector<std::string>{"open LOADING: Reading file ... 5",
                                                          "text  Loading wave file...", "percent 25", "percent 50",
                                                          "percent 75", "close"}));
    EXPECT_EQ(keyboard.asked, 3);
    EXPECT_EQ(loaded->size, 2 * (4 * kBlock + 100));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LoaderTest, EscapeKeepsTheBlocksBeforeTheLastOneReadAndSaysSo) {
    for (int k : {1, 2}) {
        SCOPED_TRACE(k);
        fs.readCalls.clear();
        dialogs.progress.clear();
        dialogs.boxes.clear();
        keyboard.asked = 0;
        keyboard.escapeAt = k - 1;  // the question after block k
        const auto loaded = Load(FileOfSize(4 * kBlock + 100), /*memoryFactor=*/2);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(fs.readCalls[kPath].size(), std::size_t(k) + 1);
        EXPECT_EQ(loaded->dataBytes, k * kBlock);
        EXPECT_EQ(loaded->size, 2 * (k + 1) * kBlock);
        EXPECT_EQ(loaded->fileSize, 4 * kBlock + 100);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0], (MessageBoxRequest{"中断までデータを読み込みました", "Earloop !", MessageIcon::None,
                                                       MessageButtons::Ok, false}));
        EXPECT_EQ(dialogs.progress.back(), "close");
        EXPECT_EQ(dialogs.openProgressWindows, 0);
    }
}

TEST_F(LoaderTest, EachFailedReadHasItsOwnCodeAndClosesTheProgressWindow) {
    struct Case {
        std::size_t fileBytes;
        int failingCall;
        int code;
    };
    for (const Case& c : {Case{1000 * 4 * 4 + 44, 0, WaveError::ReadWhole},
                          Case{4 * kBlock + 100, 0, WaveError::ReadFirstBlock},
                          Case{4 * kBlock + 100, 2, WaveError::ReadBlock},
                          Case{4 * kBlock + 100, 4, WaveError::ReadRest}}) {
        SCOPED_TRACE(c.code);
        fs.readCalls.clear();
        fs.failReadCall[kPath] = c.failingCall;
        dialogs.progress.clear();
        EXPECT_FALSE(Load(FileOfSize(c.fileBytes)));
        ExpectFailed(c.code, "ファイルを読み込めません");
        EXPECT_EQ(dialogs.progress.back(), "close");
    }
}

// Cuts the file short when Escape is asked about after the given block, as
// if another program truncated it during the load.
class TruncatingKeyboard : public KeyboardPort {
public:
    TruncatingKeyboard(FakeFileSystem& fs, int afterQuestion, std::size_t newSize)
        : fs_(fs), afterQuestion_(afterQuestion), newSize_(newSize) {}
    bool EscapePressed() override {
        if (asked_++ == afterQuestion_) fs_.files[kPath].contents.resize(newSize_);
        return false;
    }

private:
    FakeFileSystem& fs_;
    int afterQuestion_;
    std::size_t newSize_;
    int asked_ = 0;
};

TEST_F(LoaderTest, AFileThatShrinksWhileReadFailsTheShortRead) {
    fs.Add(kPath, FileOfSize(4 * kBlock + 100));
    TruncatingKeyboard shrinkInBlock(fs, 0, 2 * kBlock + 10);
    EXPECT_FALSE(LoadWaveFile(fs, dialogs, shrinkInBlock, kPath, 1, error));
    ExpectFailed(WaveError::ReadBlock, "ファイルを読み込めません");

    fs.Add(kPath, FileOfSize(4 * kBlock + 100));
    TruncatingKeyboard shrinkInRest(fs, 2, 4 * kBlock + 50);
    EXPECT_FALSE(LoadWaveFile(fs, dialogs, shrinkInRest, kPath, 1, error));
    ExpectFailed(WaveError::ReadRest, "ファイルを読み込めません");
}

// --- refusals ---------------------------------------------------------------

TEST_F(LoaderTest, OpenAndSizeFailuresComeBeforeTheProgressWindow) {
    EXPECT_FALSE(LoadWaveFile(fs, dialogs, keyboard, "/missing.wav", 1, error));
    ExpectFailed(WaveError::LoadOpen, "WAVEデータが見つかりません");

    fs.failSize[kPath] = true;
    EXPECT_FALSE(Load(FileOfSize(10000)));
    ExpectFailed(WaveError::LoadSize, "ファイルを開くことができません");
    EXPECT_TRUE(dialogs.progress.empty());
}

// A file system whose one file claims to be 4 GiB long.
class HugeFileSystem : public FakeFileSystem {
    class HugeFile : public InputFile {
    public:
        explicit HugeFile(int& reads) : reads_(reads) {}
        std::optional<std::uint64_t> Size() override { return std::uint64_t{1} << 32; }
        std::optional<std::size_t> Read(std::uint8_t*, std::size_t) override {
            ++reads_;
            return std::nullopt;
        }

    private:
        int& reads_;
    };

public:
    std::unique_ptr<InputFile> OpenForReading(const std::string&) override {
        return std::make_unique<HugeFile>(reads);
    }
    int reads = 0;
};

TEST_F(LoaderTest, FilesOfFourGibibytesAreRefusedBeforeAnythingIsAllocated) {
    HugeFileSystem huge;
    EXPECT_FALSE(LoadWaveFile(huge, dialogs, keyboard, kPath, 2, error));
    ExpectFailed(WaveError::FileTooLarge, WaveError::kTooLarge);
    EXPECT_TRUE(dialogs.progress.empty());
    EXPECT_EQ(huge.reads, 0);
}

TEST_F(LoaderTest, ANoDataTagPastOffset998IsNotFound) {
    WaveSpec spec = Spec(44100, 2, Frames(9000, 2, [](auto, auto) { return 0; }));
    spec.beforeData = testing::Chunk("LIST", std::string(1000, 'x'));
    EXPECT_FALSE(Load(MakeWav(spec)));
    ExpectFailed(WaveError::LoadNoData, "WAVEデータが見つかりません");
}

TEST_F(LoaderTest, OnlyMonoAndStereoSixteenBitFramesAtTheWorkingRateOrAboveAreTaken) {
    struct Case {
        std::uint16_t channels;
        std::uint16_t blockAlign;
        std::uint32_t rate;
        int code;
    };
    for (const Case& c : {Case{3, 6, 44100, WaveError::BadChannelLayout}, Case{0, 0, 44100, WaveError::BadChannelLayout},
                          Case{2, 2, 44100, WaveError::BadChannelLayout}, Case{1, 4, 44100, WaveError::BadChannelLayout},
                          Case{2, 4, 8000, WaveError::RateTooLow}}) {
        SCOPED_TRACE(c.channels * 100 + c.blockAlign);
        WaveSpec spec = Spec(c.rate, c.channels, {});
        spec.blockAlign = c.blockAlign;
        spec.rawData = std::string(100000, '\0');
        EXPECT_FALSE(Load(MakeWav(spec), 2));
        EXPECT_EQ(error.code, c.code);
    }
    EXPECT_EQ(error.message, WaveError::kRateTooLow);
}

TEST_F(LoaderTest, WavesShorterThanTheLongestAnalysisBlockAreRefused) {
    // 44.1 kHz stereo: 8192 frames make exactly 2048 working frames.
    EXPECT_FALSE(Load(MakeWav(Spec(44100, 2, Frames(8191, 2, [](auto, auto) { return 0; })))));
    ExpectFailed(WaveError::WaveTooShort, WaveError::kTooShort);
    EXPECT_TRUE(Load(MakeWav(Spec(44100, 2, Frames(8192, 2, [](auto, auto) { return 0; })))));
}

TEST_F(LoaderTest, ADataSizeBeyondTheFileIsBoundedByTheBytesRead) {
    WaveSpec spec = Spec(44100, 2, Frames(9000, 2, [](auto i, auto) { return int(i % 100); }));
    spec.dataSize = 0xFFFFFF00u;
    image = Load(MakeWav(spec));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->dataBytes, 9000u * 4);
    EXPECT_EQ(PrepareSamples(*image, dialogs, true), 2250u * 4);
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
