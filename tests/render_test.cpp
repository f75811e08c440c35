// `earloop-cli render` as a real process: the header, length and channels of
// what it writes at each speed and shift, the exact cut of --from/--to, the
// vocal canceller, full quality, the Keep loop, and a one-line refusal of
// each kind of bad request.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "fakes/tone_analysis.h"
#include "fakes/tool_run.h"
#include "fakes/wav_builder.h"
#include "wave/wav_format.h"

namespace earloop {
namespace {

namespace fs = std::filesystem;

using testing::RunTool;
using testing::WriteFile;

struct TempFolder : testing::TempFolder {
    TempFolder() : testing::TempFolder("earloop-render") {}
};

// `seconds` of a tone on every channel, amplitude 16000 (8000 after the
// program's halving).
std::string ToneWav(std::uint32_t rate, std::uint16_t channels, double seconds, double hz) {
    testing::WaveSpec spec;
    spec.rate = rate;
    spec.channels = channels;
    const auto frames = static_cast<std::size_t>(seconds * rate);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(16000 * std::sin(2 * std::numbers::pi * hz * i / rate));
        for (std::uint16_t c = 0; c < channels; ++c) spec.samples.push_back(value);
    }
    return testing::MakeWav(spec);
}

// Noise with no period of its own, so that a Keep loop's repeat is the only one.
std::string NoiseWav(std::uint32_t rate, std::uint16_t channels, double seconds) {
    testing::WaveSpec spec;
    spec.rate = rate;
    spec.channels = channels;
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * rate) * channels; ++i) {
        state = state * 1664525u + 1013904223u;
        spec.samples.push_back(static_cast<std::int16_t>(static_cast<int>(state >> 16) - 32768) / 2);
    }
    return testing::MakeWav(spec);
}

struct Wav {
    WaveFormatInfo format;
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    std::vector<std::int16_t> samples;
    std::size_t Frames() const { return format.nChannels ? samples.size() / format.nChannels : 0; }
    int At(std::size_t frame, int channel = 0) const { return samples[frame * format.nChannels + channel]; }
};

Wav ReadWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Wav wav;
    if (bytes.size() < kCanonicalHeaderBytes) return wav;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.data());
    wav.format = FormatAt(raw);
    wav.riffSize = ReadU32Le(raw + 4);
    wav.dataSize = ReadU32Le(raw + 40);
    for (std::size_t at = kCanonicalHeaderBytes; at + 2 <= bytes.size(); at += 2)
        wav.samples.push_back(static_cast<std::int16_t>(ReadU16Le(raw + at)));
    return wav;
}

TEST(CliRender, WritesThePlayersSoundForEachRequestAsAWavOfTheExactLength) {
    TempFolder folder;
    // 12 s of 440 Hz: long enough that the stream's unplayed last 100 ms of
    // source stay under 1 % of the length.
    WriteFile(folder / "stereo.wav", ToneWav(44100, 2, 12, 440));
    WriteFile(folder / "mono.wav", ToneWav(11025, 1, 12, 440));
    // Above what the working samples hold: heard only at full quality.
    WriteFile(folder / "high.wav", ToneWav(44100, 2, 12, 6000));
    constexpr double kWhole = 12 * 44100;  // the file's own length in card frames
    // 123 ms and 1789 ms are 1356 and 19723 working frames.
    constexpr double kCut = (19723 - 1356) * 4.0;
    // Lengths in frames of 44.1 kHz, with a tolerance as a fraction (0: exact);
    // the pitch is measured once, as the engine's own tests measure it at
    // every speed and shift.
    struct Case {
        const char* input;
        std::string options;
        std::uint16_t channels;
        double frames, tolerance;
        bool silent;
        double hz = 0;  // measured when given
    } cases[] = {
        {"stereo.wav", "", 2, kWhole, 0, false},
        {"mono.wav", "", 1, kWhole, 0, false},
        {"stereo.wav", "--speed 50", 2, 2 * kWhole, 0.01, false},
        // At 22050 Hz the stream leaves up to 200 ms of the source unplayed.
        {"mono.wav", "--shift 12", 1, kWhole, 0.02, false, 880},
        // Down is played slower at the lower rate: 8259 Hz for -5.
        {"stereo.wav", "--shift -5", 2, std::floor(12 * 11025 * 44100.0 / 8259), 0, false},
        {"stereo.wav", "--from 123 --to 1789", 2, kCut, 0, false},
        // 1100 source bytes for every 2204 played at half speed.
        {"stereo.wav", "--speed 50 --from 123 --to 1789", 2, std::floor(18367 * 2204 * 4 / 1100.0), 0, false},
        {"mono.wav", "--from 11000", 1, 1000 * 44.1, 0, false},
        // The last millisecond: working frames 132288 to 132300.
        {"stereo.wav", "--from 11999 --to 12000", 2, 12 * 4.0, 0, false},
        {"stereo.wav", "--vocal-cancel", 2, kWhole, 0, true},
        // +2 plays at 12375 Hz.
        {"stereo.wav", "--vocal-cancel --speed 70 --shift 2", 2, kWhole / 0.7 * 11025 / 12375, 0.01, true},
        // Full quality: the same lengths, exactly, and the tone itself.
        {"high.wav", "--full-quality", 2, kWhole, 0, false, 6000},
        {"high.wav", "--full-quality --speed 50 --from 123 --to 1789", 2, std::floor(18367 * 2204 * 4 / 1100.0), 0,
         false, 6000},
        {"high.wav", "--full-quality --shift 3", 2, kWhole * 11025 / 13111 * 100 / 84, 0.02, false, 7135.2},
    };
    for (const Case& c : cases) {
        const std::string out = folder / "out.wav";
        fs::remove(out);
        const testing::ToolRun run = RunTool("render " + folder / c.input + " " + out + " " + c.options);
        SCOPED_TRACE(std::string(c.input) + " " + c.options + ": " + run.output);
        ASSERT_EQ(run.status, 0);
        const Wav wav = ReadWav(out);
        EXPECT_EQ(wav.format, Pcm16Format(c.channels, 44100));
        EXPECT_EQ(wav.dataSize, wav.samples.size() * 2);
        EXPECT_EQ(wav.riffSize, wav.dataSize + 36);
        if (c.tolerance == 0)
            EXPECT_EQ(wav.Frames(), static_cast<std::size_t>(c.frames));
        else
            EXPECT_NEAR(static_cast<double>(wav.Frames()) / c.frames, 1.0, c.tolerance);
        // Every channel carries the tone at the program's halved level, or nothing at all.
        double power = 0;
        for (std::int16_t s : wav.samples) power += static_cast<double>(s) * s;
        if (c.silent)
            EXPECT_EQ(power, 0.0);
        else
            EXPECT_NEAR(std::sqrt(power / static_cast<double>(wav.samples.size())), 8000 / std::numbers::sqrt2, 200);
        if (c.hz == 0) continue;
        const std::size_t from = wav.Frames() / 10, count = wav.Frames() - 2 * from;
        const double hz = testing::CrossingFrequency(&wav.samples[from * c.channels], count, c.channels, 44100.0);
        EXPECT_NEAR(testing::Cents(hz, c.hz), 0.0, 5.0);
    }
}

TEST(CliRender, KeepRendersExactlyTheSecondsAskedOfARepeatingLoopInEitherMode) {
    TempFolder folder;
    WriteFile(folder / "noise.wav", NoiseWav(22050, 2, 3));
    // The longest period in card frames: two Keep windows of 1024 frames at 11025 Hz, or at 22050.
    struct Case { std::string options; std::size_t seconds, longestPeriod; } cases[] = {
        {"--keep 1000 --seconds 2 --keep-mode single", 2, 8192},
        {"--keep 1000 --seconds 2", 2, 8192},
        {"--keep 2990 --seconds 1 --keep-mode double --shift 12", 1, 4096},
    };
    for (const Case& c : cases) {
        const std::string out = folder / "keep.wav";
        const testing::ToolRun run = RunTool("render " + folder / "noise.wav " + out + " " + c.options);
        SCOPED_TRACE(c.options + ": " + run.output);
        ASSERT_EQ(run.status, 0);
        const Wav wav = ReadWav(out);
        ASSERT_EQ(wav.Frames(), c.seconds * 44100);
        // The shortest shift under which the sound repeats itself, past the
        // first period (where the resampler starts from silence).
        const auto repeatsAfter = [&](std::size_t period) {
            for (std::size_t i = c.longestPeriod; i + period < wav.Frames(); ++i) {
                for (int ch = 0; ch < 2; ++ch)
                    if (std::abs(wav.At(i, ch) - wav.At(i + period, ch)) > 1) return false;
            }
            return true;
        };
        std::size_t period = 64;
        while (period <= c.longestPeriod && !repeatsAfter(period)) ++period;
        EXPECT_LE(period, c.longestPeriod);
        EXPECT_GE(period, c.longestPeriod / 8);
        int peak = 0;
        for (std::int16_t s : wav.samples) peak = std::max(peak, std::abs(int{s}));
        EXPECT_GT(peak, 4000);
    }
}

TEST(CliRender, RefusesEachKindOfUnusableRequestWithOneLineOnStandardErrorAndTheStatusOfCheck) {
    TempFolder folder;
    const std::string in = folder / "in.wav";
    const std::string mono = folder / "mono.wav";
    const std::string eightBit = folder / "eight.wav";
    WriteFile(in, ToneWav(11025, 2, 1, 440));
    WriteFile(mono, ToneWav(11025, 1, 1, 440));
    testing::WaveSpec spec;
    spec.bits = 8;
    spec.samples = testing::RampSamples(4096, 1);
    WriteFile(eightBit, testing::MakeWav(spec));
    const std::string out = folder / "out.wav";
    const std::string both = in + " " + out;
    const std::string prefix = "earloop-cli render: ";
    // One of each kind of refusal: the parse, the rejected input, the output that cannot be written.
    struct Case { std::string arguments; int status; std::string message; } cases[] = {
        {in, 2, prefix + "needs IN.wav and OUT.wav"},
        {both + " extra.wav", 2, prefix + "needs IN.wav and OUT.wav"},
        {both + " --fast", 2, prefix + "unknown option --fast"},
        {both + " --speed 0", 2, prefix + "--speed must be a whole number from 1 to 100"},
        {both + " --speed 50.5", 2, prefix + "--speed must be a whole number from 1 to 100"},
        {both + " --speed 50 --speed 60", 2, prefix + "--speed is given twice"},
        {both + " --shift 13", 2, prefix + "--shift must be a whole number from -5 to 12"},
        {both + " --from -5", 2, prefix + "--from must be a whole number of milliseconds"},
        {both + " --to 4294967296", 2, prefix + "--to must be a whole number of milliseconds"},
        {both + " --to", 2, prefix + "--to needs a value"},
        {both + " --from 2000 --to 1000", 2, prefix + "--from is after --to"},
        {both + " --keep 100", 2, prefix + "--keep needs --seconds"},
        {both + " --keep 100 --seconds 0", 2, prefix + "--seconds must be a whole number from 1 to 3600"},
        {both + " --keep 100 --seconds 2 --keep-mode triple", 2, prefix + "--keep-mode must be single or double"},
        {both + " --keep 100 --seconds 2 --speed 50", 2, prefix + "--speed, --from and --to do not apply to --keep"},
        {both + " --seconds 2", 2, prefix + "--seconds and --keep-mode need --keep"},
        // Times outside the one second of the file.
        {both + " --from 1000", 2, prefix + "--from must be before the end of the file, 1000 ms"},
        {both + " --from 20000", 2, prefix + "--from must be before the end of the file, 1000 ms"},
        {both + " --to 1001", 2, prefix + "--to must be at most the length of the file, 1000 ms"},
        {both + " --keep 1000 --seconds 1", 2, prefix + "--keep must be before the end of the file, 1000 ms"},
        {both + " --keep-mode single", 2, prefix + "--seconds and --keep-mode need --keep"},
        {folder / "missing.wav " + out, 1, "Error 101: ファイルを開くことができません"},
        {eightBit + " " + out, 1, "Error 108: 16bit/sampleのWAVEファイルのみ対応しています"},
        {mono + " " + out + " --vocal-cancel", 1, prefix + "--vocal-cancel needs a stereo file"},
        {in + " " + folder / "none/out.wav", 1,
         prefix + "cannot write " + folder / "none/out.wav" + ": No such file or directory"},
        {in + " /dev/full", 1, prefix + "cannot write /dev/full: No space left on device"},
    };
    for (const Case& c : cases) {
        const testing::ToolRun run = testing::RunToolApart("render " + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.errors, c.message + "\n") << c.arguments;
        EXPECT_EQ(run.output, "") << c.arguments;
        EXPECT_FALSE(fs::exists(out)) << c.arguments;
    }
    EXPECT_TRUE(fs::exists("/dev/full"));
}

}  // namespace
}  // namespace earloop
