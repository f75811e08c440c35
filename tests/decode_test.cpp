// Files that are not WAV files, made here by Debian's ffmpeg from generated
// WAV files and decoded by FFmpeg's libraries: opened and played by the
// program, whose analysis hears their tones and chords, and checked by the
// companion tool as a real process.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/application.h"
#include "fakes/app_harness.h"
#include "fakes/sample_bytes.h"
#include "fakes/tool_run.h"
#include "fakes/wav_builder.h"
#include "platform/ffmpeg/ffmpeg_decoder.h"
#include "ports/control_ids.h"

namespace earloop {
namespace {

using testing::RunTool;
namespace cid = ControlId;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program over the fakes, with FFmpeg's decoder reading the real files.
struct Player : testing::BasicAppHarness<testing::FakeMidiOutput, FfmpegDecoder> {
    Player() { EXPECT_TRUE(Start()); }
    // Opens the real file at `path`; the program's own file system, a fake,
    // holds the same bytes.
    void OpenFile(const std::string& path) {
        files.Add(path, ReadAll(path));
        dialogs.chosenFile = path;
        app.Command(cid::Open);
    }
    void PlayFor(int ms) {
        app.Command(cid::Play);
        for (int t = 0; t < ms; t += 100) {
            waveOut.Play(app.Samples().outputFormat.nAvgBytesPerSec / 10);
            app.Timer(kPositionTimerId);
        }
    }
    // The step of the pitch scale with the strongest level.
    long PeakStep() const {
        const auto& levels = app.Spectrum().pitchLevel;
        return std::max_element(levels.begin(), levels.end()) - levels.begin();
    }
};

class DecodeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testing::TempFolder("earloop-decode");
        testing::WaveSpec spec;
        spec.rate = 44100, spec.channels = 2;
        spec.samples = testing::Tone(88200, 2, 440.0, 0.0, 44100.0);
        testing::WriteFile(Path("tone.wav"), testing::MakeWav(spec));
        spec.samples = testing::ChordSignal(88200, 44100.0);
        testing::WriteFile(Path("chord.wav"), testing::MakeWav(spec));
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::string Path(const std::string& name) { return *folder_ / name; }
    // Debian's ffmpeg with `arguments`, writing `output` in the folder.
    static bool Ffmpeg(const std::string& arguments, const std::string& output) {
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " '" + Path(output) + "' 2>&1";
        return std::system(command.c_str()) == 0;
    }
    // The JSON line of `analyse` at `ms`.
    static std::string AnalysedAt(const std::string& file, int ms) {
        const auto run = RunTool("analyse '" + Path(file) + "' --every " + std::to_string(ms));
        std::istringstream lines(run.output);
        std::string line;
        const std::string key = "{\"ms\": " + std::to_string(ms) + ",";
        while (std::getline(lines, line))
            if (line.rfind(key, 0) == 0) return line;
        return run.output;
    }

    static testing::TempFolder* folder_;
};

testing::TempFolder* DecodeTest::folder_ = nullptr;

TEST_F(DecodeTest, EveryCommonFormatOpensUnderItsNameAndItsToneAndChordAreHeard) {
    struct Format {
        const char* extension;
        const char* encoding;
        std::string checked;  // the first line of `check`
    };
    const std::string video = "-f lavfi -i testsrc=duration=2:size=64x48:rate=10 ";
    const Format formats[] = {
        {"mp3", "-c:a libmp3lame -b:a 192k", "format: MP3 44100Hz stereo\n"},
        {"m4a", "-c:a aac -b:a 192k", "format: AAC 44100Hz stereo\n"},
        {"flac", "-c:a flac", "format: FLAC 44100Hz stereo\n"},
        {"ogg", "-c:a libvorbis", "format: Vorbis 44100Hz stereo\n"},
        {"opus", "-c:a libopus -b:a 160k", "format: Opus 48000Hz stereo\n"},
        {"aiff", "-c:a pcm_s16be", "format: AIFF 44100Hz stereo\n"},
        {"mp4", "-c:v mpeg4 -c:a aac -b:a 192k -shortest", "format: AAC 44100Hz stereo\n"},
    };
    for (const Format& f : formats) {
        SCOPED_TRACE(f.extension);
        const bool withVideo = std::string(f.extension) == "mp4";
        for (const char* source : {"tone", "chord"}) {
            const std::string input = (withVideo ? video : "") + "-i '" + Path(std::string(source) + ".wav") + "' ";
            ASSERT_TRUE(Ffmpeg(input + f.encoding, std::string(source) + "." + f.extension))
                << "ffmpeg is missing or cannot encode: scripts/install-deps.sh installs it";
        }
        const std::string tone = Path(std::string("tone.") + f.extension);
        const auto check = RunTool("check '" + tone + "'");
        ASSERT_EQ(check.status, 0) << check.output;
        EXPECT_EQ(check.output.substr(0, check.output.find('\n') + 1), f.checked);
        // Two seconds, give or take what the encoder pads or trims at the ends.
        const auto working = check.output.find("working: ");
        ASSERT_NE(working, std::string::npos) << check.output;
        EXPECT_NEAR(std::stoi(check.output.substr(working + 9)), 22050, 300) << check.output;

        // Played with the finest analysis, A440 peaks at its step of the
        // pitch scale, as it does from a WAV file.
        Player toneFile;
        toneFile.OpenFile(tone);
        ASSERT_EQ(toneFile.app.Samples().fileName, tone);
        EXPECT_EQ(toneFile.window.statusTexts[2], " " + f.checked.substr(8, f.checked.size() - 9));
        toneFile.app.Command(cid::SamplingPrecision);
        toneFile.PlayFor(1000);
        EXPECT_NEAR(toneFile.PeakStep(), 332, 1);

        Player chordFile;
        chordFile.OpenFile(Path(std::string("chord.") + f.extension));
        const std::string chord = chordFile.ChordAfterPlaying();
        EXPECT_NE(chord.find(" C"), std::string::npos) << chord;
    }
}

TEST_F(DecodeTest, BrokenOrSoundlessFilesAreRefusedWithTheirMessage) {
    ASSERT_TRUE(Ffmpeg("-i '" + Path("tone.wav") + "' -c:a libmp3lame", "whole.mp3"));
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=duration=1:size=64x48:rate=10 -c:v mpeg4", "silent.mp4"));
    const std::string mp3 = ReadAll(Path("whole.mp3"));
    // The first frames only: too little sound to take.
    testing::WriteFile(Path("cut.mp3"), mp3.substr(0, 2000));
    // The header alone, its first frame cut off.
    testing::WriteFile(Path("header.mp3"), mp3.substr(0, 600));
    testing::WriteFile(Path("zeros.mp3"), std::string(20000, '\0'));
    const std::pair<const char*, const char*> cases[] = {
        {"cut.mp3", "Error 132: 音声データが短すぎます(0.2秒以上必要です)\n"},
        {"header.mp3", "Error 131: 音声データをデコードできません\n"},
        {"zeros.mp3", "Error 131: 音声データをデコードできません\n"},
        {"silent.mp4", "Error 130: 音声が入っていないファイルです\n"},
    };
    Player h;
    h.OpenFile(Path("tone.wav"));
    const SampleStore& s = h.app.Samples();
    ASSERT_TRUE(s.loaded);
    const std::vector<std::uint8_t> before(s.Data(), s.Data() + 2 * s.workBytes);
    const auto statusBefore = h.window.statusTexts;
    for (const auto& [file, expected] : cases) {
        const auto run = RunTool("check '" + Path(file) + "'");
        EXPECT_EQ(run.status, 1) << file;
        EXPECT_EQ(run.output, expected) << file;

        h.dialogs.boxes.clear();
        h.OpenFile(Path(file));
        ASSERT_EQ(h.dialogs.boxes.size(), 1u) << file;
        // "Error 131: text" is the box's caption and text.
        const std::string shown = h.dialogs.boxes[0].caption + ": " + h.dialogs.boxes[0].text + "\n";
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(s.fileName, Path("tone.wav"));
        EXPECT_EQ(std::vector<std::uint8_t>(s.Data(), s.Data() + 2 * s.workBytes), before) << file;
        EXPECT_EQ(h.window.statusTexts, statusBefore) << file;
        EXPECT_TRUE(h.app.States()[Transport::Play].available) << file;
    }
}

}  // namespace
}  // namespace earloop
