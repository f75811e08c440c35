// Open and drop over the application object: what becomes the current wave,
// what the window shows, and that a failed file never disturbs the current one.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/application.h"
#include "fakes/app_harness.h"
#include "fakes/wav_builder.h"
#include "ports/control_ids.h"
#include "wave/wav_format.h"

namespace earloop {
namespace {

using testing::MakeWav;
using testing::RampSamples;
using testing::WaveSpec;

struct Harness : testing::AppHarness {
    Harness() {
        EXPECT_TRUE(Start());
        window.events.clear();
    }
    void Open(const std::string& path) {
        dialogs.chosenFile = path;
        app.Command(ControlId::Open);
    }
};

// One second of a ramp; at 44.1 kHz that is 11025 working frames.
WaveSpec Second(std::uint32_t rate = 44100, std::uint16_t channels = 2, std::uint16_t bits = 16) {
    WaveSpec spec;
    spec.rate = rate, spec.channels = channels, spec.bits = bits;
    spec.samples = RampSamples(rate, channels);
    return spec;
}

TEST(OpenCommand, ALoadedStereoWaveFillsTheStatusBarAndEnablesItsControls) {
    Harness h;
    h.files.Add("/music/take.wav", MakeWav(Second()));
    h.Open("/music/take.wav");

    const SampleStore& s = h.app.Samples();
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(s.fileName, "/music/take.wav");
    EXPECT_EQ(std::tuple(s.workBytes, s.outputFormat.nSamplesPerSec), std::tuple(11025u * 4, 11025u));
    EXPECT_EQ(h.window.statusTexts, (std::vector<std::string>{" /music/take.wav", " 0 msec / 1000 msec ",
                                                              " 44100Hz stereo 16bit"}));
    EXPECT_EQ(h.app.CurrentSettings().currentDir, "/music/take.wav");
    // The dialog starts where the last file was, with the wave filter first.
    ASSERT_EQ(h.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(h.dialogs.fileRequests[0].filters.front(), (FileFilter{"*.WAV", "*.WAV"}));

    const auto& st = h.app.States();
    EXPECT_TRUE(st[Transport::Play].available && st[Transport::Stop].available && !st[Transport::Pause].available);
    EXPECT_TRUE(st.markPoint && !h.Control(Ctl::MarkClear).enabled);
    EXPECT_TRUE(h.Control(Ctl::VocalCanceller).enabled) << "two channels allow the vocal canceller";
    EXPECT_EQ(h.Control(Ctl::SlowRateGroup).text, " Play Speed = 100%");
    EXPECT_EQ(h.waveOut.opened.back(), s.outputFormat);

    // The wait cursor is on during the read and off at the end; the LOADING
    // window comes before INITIALIZING and both close.
    const auto& ev = h.window.events;
    EXPECT_LT(std::find(ev.begin(), ev.end(), "busy"), std::find(ev.begin(), ev.end(), "progress LOADING"));
    EXPECT_EQ(ev.back(), "idle");
    EXPECT_EQ(h.dialogs.openProgressWindows, 0);
}

TEST(OpenCommand, RejectionOrCancelKeepsNoWaveOrTheCurrentWaveWhole) {
    Harness h;
    // No wave yet: back to choosing a file, Stop and live input only.
    h.files.Add("/music/noise.txt", "just some text, not a wave file at all");
    h.Open("/music/noise.txt");
    EXPECT_FALSE(h.app.Samples().loaded);
    EXPECT_TRUE(h.Control(Ctl::Stop).enabled && !h.Control(Ctl::Play).enabled && !h.app.States().markPoint);

    h.files.Add("/music/take.wav", MakeWav(Second()));
    h.Open("/music/take.wav");
    const std::vector<std::uint8_t> before(h.app.Samples().Data(), h.app.Samples().Data() + h.app.Samples().workBytes);
    const auto statusBefore = h.window.statusTexts;
    h.files.Add("/music/bad.wav", MakeWav(Second(44100, 2, 8)));
    h.Open("/music/bad.wav");
    h.dialogs.chosenFile = std::nullopt;  // the dialog is cancelled: no box
    h.app.Command(ControlId::Open);
    ASSERT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(h.dialogs.boxes[0].caption, "Error 103");
    EXPECT_EQ(h.dialogs.boxes[1].caption, "Error 108");
    EXPECT_EQ(h.dialogs.boxes[1].text, "16bit/sampleのWAVEファイルのみ対応しています");

    const SampleStore& s = h.app.Samples();
    EXPECT_EQ(s.fileName, "/music/take.wav");
    EXPECT_EQ(std::vector<std::uint8_t>(s.Data(), s.Data() + s.workBytes), before);
    EXPECT_EQ(h.window.statusTexts, statusBefore);
    EXPECT_TRUE(h.app.States()[Transport::Play].available) << "the current wave stays playable";
    EXPECT_EQ(h.waveOut.opened.back(), s.baseOutputFormat) << "its output device is opened again";
    EXPECT_NE(std::find(h.window.events.begin(), h.window.events.end(), "idle"), h.window.events.end());
}

TEST(DropFiles, OneFileOpensWithoutTheDialogAndTwoAreRefused) {
    Harness h;
    h.files.Add("/music/a.wav", MakeWav(Second()));
    h.files.Add("/music/b.wav", MakeWav(Second(11025, 1)));
    h.app.DropFiles({"/music/a.wav"});
    EXPECT_EQ(h.app.Samples().fileName, "/music/a.wav");
    EXPECT_NE(std::find(h.window.events.begin(), h.window.events.end(), "raise"), h.window.events.end());

    h.app.DropFiles({"/music/a.wav", "/music/b.wav"});
    EXPECT_EQ(h.dialogs.boxes, (std::vector<MessageBoxRequest>{{"1個のファイルを指定してください", "Error 800",
                                                                MessageIcon::None, MessageButtons::Ok, false}}));
    EXPECT_EQ(h.app.Samples().fileName, "/music/a.wav");

    // A dropped file that fails gives the previous name back; only the Open
    // asks the dialog.
    h.files.Add("/music/broken.wav", "RIFF");
    h.app.DropFiles({"/music/broken.wav"});
    EXPECT_EQ(h.app.Samples().fileName, "/music/a.wav");
    h.Open("/music/b.wav");
    EXPECT_EQ(h.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(h.app.CurrentSettings().currentDir, "/music/b.wav");
    // A mono wave leaves the vocal canceller and the channel labels off.
    EXPECT_EQ(h.window.statusTexts, (std::vector<std::string>{" /music/b.wav", " 0 msec / 1000 msec ", " 11025Hz mono 16bit"}));
    EXPECT_FALSE(h.Control(Ctl::VocalCanceller).enabled || h.Control(Ctl::LeftLabel).enabled);
}

// A file the fake decoder knows, in the fake file system too (its bytes are
// not a RIFF WAVE file).
void AddDecoded(Harness& h, const std::string& path, testing::FakeStream stream) {
    h.files.Add(path, "ID3 compressed frames");
    h.decoder.files[path] = std::move(stream);
}

// The working samples and the channel-difference copy after them.
std::vector<std::uint8_t> Converted(const SampleStore& s) {
    return {s.Data(), s.Data() + s.workBytes * (s.Format().nChannels == 2 ? 2 : 1)};
}

TEST(OpenDecoded, DecodedFramesTakeTheSameConversionAsAWavOfThemWhateverTheStatedDuration) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t channels;
        std::size_t frames;
        std::uint64_t expectedFrames;  // as the file states it
        const char* status;
    };
    const Case cases[] = {
        {44100, 2, 44100, 44100, " MP3 44100Hz stereo"},
        {48000, 1, 96000, 96000, " MP3 48000Hz mono"},
        // The stream runs far past what it stated, or states nothing.
        {22050, 2, 300000, 1000, " MP3 22050Hz stereo"},
        {44100, 2, 200000, 0, " MP3 44100Hz stereo"},
        // Below 22050 Hz the copy needs more room than the decoded frames.
        {16000, 2, 20000, 20000, " MP3 16000Hz stereo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const auto samples = RampSamples(c.frames, c.channels);
        Harness wav;
        WaveSpec spec;
        spec.rate = c.rate, spec.channels = c.channels, spec.samples = samples;
        wav.files.Add("/music/take.wav", MakeWav(spec));
        wav.Open("/music/take.wav");
        ASSERT_TRUE(wav.app.Samples().loaded);

        Harness h;
        AddDecoded(h, "/music/song.mp3", {{"MP3", c.rate, c.channels, c.expectedFrames}, samples, {}});
        h.Open("/music/song.mp3");
        const SampleStore& s = h.app.Samples();
        ASSERT_TRUE(s.loaded);
        EXPECT_EQ(h.decoder.minimumRates, std::vector<std::uint32_t>{11025});
        EXPECT_EQ(s.workBytes, wav.app.Samples().workBytes);
        EXPECT_EQ(Converted(s), Converted(wav.app.Samples()));
        EXPECT_EQ(s.baseOutputFormat, wav.app.Samples().baseOutputFormat);
        EXPECT_EQ(h.window.statusTexts[2], c.status);
        EXPECT_EQ(h.window.statusTexts[1], wav.window.statusTexts[1]);
        EXPECT_TRUE(h.app.States()[Transport::Play].available);
        EXPECT_EQ(h.dialogs.openProgressWindows, 0);
        EXPECT_TRUE(h.dialogs.boxes.empty());
    }
}

TEST(OpenDecoded, DialogOffersAudioFilesAndADroppedFileDecodesToo) {
    Harness h;
    AddDecoded(h, "/music/song.flac", {{"FLAC", 44100, 2, 44100}, RampSamples(44100, 2), {}});
    h.app.DropFiles({"/music/song.flac"});
    EXPECT_EQ(h.app.Samples().fileName, "/music/song.flac");
    EXPECT_EQ(h.window.statusTexts[2], " FLAC 44100Hz stereo");
    EXPECT_TRUE(h.dialogs.fileRequests.empty());

    h.Open("/music/song.flac");
    ASSERT_EQ(h.dialogs.fileRequests.size(), 1u);
    const auto& filters = h.dialogs.fileRequests[0].filters;
    const auto audio = std::find_if(filters.begin(), filters.end(),
                                    [](const FileFilter& f) { return f.description == "Audio files"; });
    ASSERT_NE(audio, filters.end());
    for (const char* extension : {"*.wav;", "*.mp3;", "*.m4a;", "*.aac;", "*.flac;", "*.ogg;", "*.opus;", "*.aif;",
                                  "*.aiff;", "*.mp4;", "*.mkv;", "*.webm"}) {
        EXPECT_NE(audio->pattern.find(extension), std::string::npos) << extension;
    }
}

TEST(OpenDecoded, EscapeKeepsTheFramesDecodedSoFarAndSaysSo) {
    Harness h;
    // Three seconds: more than one read of 131072 frames (512 KiB).
    AddDecoded(h, "/music/long.m4a", {{"AAC", 44100, 2, 132300}, RampSamples(132300, 2), {}});
    h.keyboard.tapAt = 0;
    h.Open("/music/long.m4a");
    const SampleStore& s = h.app.Samples();
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(s.DataBytes(), 131072u * 4);
    EXPECT_EQ(s.workBytes, 131072u / 4 * 4);
    EXPECT_EQ(h.dialogs.boxes, (std::vector<MessageBoxRequest>{{"中断までデータを読み込みました", "Earloop !",
                                                                MessageIcon::None, MessageButtons::Ok, false}}));
}

TEST(OpenDecoded, UndecodableFilesGetTheirMessageAndTheCurrentWaveStaysWhole) {
    Harness h;
    h.files.Add("/music/take.wav", MakeWav(Second()));
    h.Open("/music/take.wav");
    const SampleStore& s = h.app.Samples();
    const auto before = Converted(s);
    const auto statusBefore = h.window.statusTexts;

    AddDecoded(h, "/music/video.mp4", {});
    h.decoder.files["/music/video.mp4"] = DecodeRefusal::NoAudio;
    AddDecoded(h, "/music/zeros.mp3", {});
    h.decoder.files["/music/zeros.mp3"] = DecodeRefusal::Undecodable;
    AddDecoded(h, "/music/broken.ogg", {{"Vorbis", 44100, 2, 88200}, RampSamples(88200, 2), 50000});
    // 0.15 s: fewer working frames than the longest analysis block.
    AddDecoded(h, "/music/short.mp3", {{"MP3", 44100, 2, 6615}, RampSamples(6615, 2), {}});
    AddDecoded(h, "/music/surround.ac3", {{"AC3", 44100, 6, 88200}, RampSamples(88200, 2), {}});
    AddDecoded(h, "/music/low.mp3", {{"MP3", 8000, 1, 8000}, RampSamples(8000, 1), {}});
    // Unknown to the decoder and not a WAV file: refused as before.
    h.files.Add("/music/notes.txt", "just some text, not a wave file at all");
    const std::pair<const char*, MessageBoxRequest> cases[] = {
        {"/music/video.mp4", {"音声が入っていないファイルです", "Error 130", MessageIcon::None, MessageButtons::Ok, true}},
        {"/music/zeros.mp3", {"音声データをデコードできません", "Error 131", MessageIcon::None, MessageButtons::Ok, true}},
        {"/music/broken.ogg", {"音声データをデコードできません", "Error 131", MessageIcon::None, MessageButtons::Ok, true}},
        {"/music/short.mp3",
         {"音声データが短すぎます(0.2秒以上必要です)", "Error 132", MessageIcon::None, MessageButtons::Ok, true}},
        {"/music/surround.ac3", {"音声データをデコードできません", "Error 131", MessageIcon::None, MessageButtons::Ok, true}},
        {"/music/low.mp3", {"音声データをデコードできません", "Error 131", MessageIcon::None, MessageButtons::Ok, true}},
        {"/music/notes.txt", {"WAVEファイルではありません", "Error 103", MessageIcon::None, MessageButtons::Ok, true}},
    };
    for (const auto& [path, box] : cases) {
        h.dialogs.boxes.clear();
        h.Open(path);
        EXPECT_EQ(h.dialogs.boxes, std::vector<MessageBoxRequest>{box}) << path;
        EXPECT_EQ(s.fileName, "/music/take.wav");
        EXPECT_EQ(Converted(s), before) << path;
        EXPECT_EQ(h.window.statusTexts, statusBefore) << path;
        EXPECT_TRUE(h.app.States()[Transport::Play].available) << path;
        EXPECT_EQ(h.waveOut.opened.back(), s.baseOutputFormat) << path;
        EXPECT_EQ(h.dialogs.openProgressWindows, 0) << path;
    }
}

TEST(RecordedTake, BecomesTheCurrentWaveUnderItsSavedNameUnlessNoDeviceOpens) {
    Harness h;
    // A recorder's file: stereo 11025 Hz, read back with room for the copy.
    WaveSpec spec = Second(11025);
    spec.avgBytesPerSec = 0;  // the recorder's field is recomputed on adoption
    h.files.Add("/music/Temp.dat", MakeWav(spec));
    ErrorState error;
    auto take = ReadRecordedTake(h.files, "/music/Temp.dat", error);
    ASSERT_TRUE(take);

    // The device that may still be playing the current samples closes while they are there.
    h.files.Add("/music/playing.wav", MakeWav(Second()));
    h.Open("/music/playing.wav");
    h.app.Command(ControlId::Play);
    const std::uint8_t* sounding = h.app.Samples().Data();
    std::vector<bool> closedOverTheOldSamples;
    h.waveOut.onClose = [&] { closedOverTheOldSamples.push_back(h.app.Samples().Data() == sounding); };
    h.waveOut.TakeLog();
    ASSERT_TRUE(h.app.AdoptRecordedTake("/music/Take 2.wav", std::move(*take)));
    EXPECT_EQ(closedOverTheOldSamples, std::vector<bool>{true});
    EXPECT_EQ(h.waveOut.TakeLog().front(), "close");
    h.waveOut.onClose = nullptr;
    const SampleStore& s = h.app.Samples();
    EXPECT_EQ(s.fileName, "/music/Take 2.wav");
    EXPECT_EQ(s.Format().nAvgBytesPerSec, 44100u);
    EXPECT_EQ(s.workBytes, 11025u * 4);
    EXPECT_EQ(h.window.statusTexts[0], " /music/Take 2.wav");
    EXPECT_EQ(h.app.CurrentSettings().currentDir, "/music/Take 2.wav");

    // Without an output device an opened file is reported with 210, a take with 211.
    h.waveOut.failOpen = true;
    h.files.Add("/music/take.wav", MakeWav(Second()));
    h.Open("/music/take.wav");
    EXPECT_EQ(h.dialogs.boxes, (std::vector<MessageBoxRequest>{{"Fail to open Wave Out device (ERROR 210)", "Earloop !",
                                                                MessageIcon::Exclamation, MessageButtons::Ok, true}}));
    EXPECT_EQ(h.app.Error().code, 210);
    EXPECT_EQ(h.window.events.back(), "idle");
    take = ReadRecordedTake(h.files, "/music/Temp.dat", error);
    ASSERT_TRUE(take);
    EXPECT_FALSE(h.app.AdoptRecordedTake("/music/Take 3.wav", std::move(*take)));
    EXPECT_EQ(h.app.Error().code, 211);
    EXPECT_EQ(h.app.Error().message, "Fail to open Wave Out device(ERROR 211)");
}

}  // namespace
}  // namespace earloop
