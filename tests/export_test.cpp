// File > Export over the real render port: the repeat range (or the whole
// wave) at the player's speed, shift and canceller gives exactly the samples
// of `earloop-cli render` with the same settings, in WAV and in FLAC; the
// overwrite question, Escape and a file that cannot be written leave no file
// and keep the file that was there.

#include <gtest/gtest.h>

#include <FLAC/stream_decoder.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fakes/app_harness.h"
#include "fakes/tool_run.h"
#include "platform/audio/flac_writer.h"
#include "platform/audio/mixer_renderer.h"
#include "record/take_saving.h"
#include "wave/wav_format.h"

namespace earloop {
namespace {

namespace fs = std::filesystem;
namespace cid = ControlId;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The WAV's 16-bit samples after its canonical header.
std::vector<std::int16_t> WavSamples(const std::string& bytes) {
    std::vector<std::int16_t> samples;
    for (std::size_t at = kCanonicalHeaderBytes; at + 2 <= bytes.size(); at += 2)
        samples.push_back(static_cast<std::int16_t>(
            ReadU16Le(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at)));
    return samples;
}

struct Flac {
    unsigned channels = 0, bits = 0, rate = 0;
    std::vector<std::int16_t> samples;  // interleaved
    bool failed = false;
};

Flac DecodeFlac(const std::string& path) {
    Flac flac;
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    const auto write = [](const FLAC__StreamDecoder*, const FLAC__Frame* frame, const FLAC__int32* const channels[],
                          void* client) {
        auto& out = *static_cast<Flac*>(client);
        for (unsigned i = 0; i < frame->header.blocksize; ++i)
            for (unsigned c = 0; c < frame->header.channels; ++c)
                out.samples.push_back(static_cast<std::int16_t>(channels[c][i]));
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    };
    const auto metadata = [](const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* client) {
        auto& out = *static_cast<Flac*>(client);
        if (block->type != FLAC__METADATA_TYPE_STREAMINFO) return;
        out.channels = block->data.stream_info.channels;
        out.bits = block->data.stream_info.bits_per_sample;
        out.rate = block->data.stream_info.sample_rate;
    };
    const auto error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client) {
        static_cast<Flac*>(client)->failed = true;
    };
    flac.failed = FLAC__stream_decoder_init_file(decoder, path.c_str(), write, metadata, error, &flac) !=
                      FLAC__STREAM_DECODER_INIT_STATUS_OK ||
                  !FLAC__stream_decoder_process_until_end_of_stream(decoder) || flac.failed;
    FLAC__stream_decoder_delete(decoder);
    return flac;
}

// 3 s of stereo noise whose channels differ, so that the canceller's
// difference is not silence.
std::string NoiseWav() {
    testing::WaveSpec spec;
    spec.rate = 44100;
    std::uint32_t state = 777;
    for (std::size_t i = 0; i < 3 * 44100 * 2; ++i) {
        state = state * 1664525u + 1013904223u;
        spec.samples.push_back(static_cast<std::int16_t>((static_cast<int>(state >> 16) - 32768) / 2));
    }
    return testing::MakeWav(spec);
}

struct ExportTest : ::testing::Test {
    testing::TempFolder folder{"earloop-export"};
    testing::AppHarness h;
    MixerRenderer mixer;
    const std::string input = folder / "noise.wav";

    void SetUp() override {
        const std::string wav = NoiseWav();
        testing::WriteFile(input, wav);
        ASSERT_TRUE(h.Start());
        h.files.Add(input, wav);
        h.dialogs.chosenFile = input;
        h.app.Command(cid::Open);
        ASSERT_TRUE(h.app.Samples().loaded);
        h.renderer.real = &mixer;
        h.dialogs.progress.clear();
        h.dialogs.boxes.clear();
    }
    void Export(const std::string& path, std::size_t filter = 0) {
        h.dialogs.savedFile = SaveFileChoice{path, filter};
        h.app.Command(cid::Export);
    }
    std::string CliRender(const std::string& out, const std::string& options) {
        const testing::ToolRun run = testing::RunTool("render " + input + " " + out + " " + options);
        EXPECT_EQ(run.status, 0) << run.output;
        return ReadBytes(out);
    }
};

TEST_F(ExportTest, RepeatRangeAtHalfSpeedTwoUpIsTheRendersOutputInWavAndInFlac) {
    // The mark at 0, the repeat end 100 ms after the stopped position, then
    // moved by the 500 ms steps: 1000 to 2100 ms.
    h.app.Command(cid::MarkLater);
    h.app.Command(cid::RepeatSet);
    for (int i = 0; i < 4; ++i) h.app.Command(cid::RepeatLater);
    for (int i = 0; i < 2; ++i) h.app.Command(cid::MarkLater);
    ASSERT_EQ(h.app.Marks().markMs, 1000);
    ASSERT_EQ(h.app.Marks().repeatEndMs, 2100);
    h.app.Command(cid::ShiftUp);
    h.app.Command(cid::ShiftUp);
    h.app.SpeedSliderChanged(50);

    Export(folder / "range.wav");
    ASSERT_EQ(h.renderer.requests.size(), 1u);
    const RenderSettings& asked = h.renderer.requests[0].settings;
    EXPECT_EQ(asked.speedPercent, 50);
    EXPECT_EQ(asked.shift, 2);
    EXPECT_EQ(asked.fromMs, 1000u);
    EXPECT_EQ(asked.toMs, 2100u);
    EXPECT_FALSE(asked.vocalCancel);
    const std::string exported = ReadBytes(folder / "range.wav");
    const std::string rendered = CliRender(folder / "cli.wav", "--speed 50 --shift 2 --from 1000 --to 2100");
    // 1.1 s of source at half speed, played at 12375 Hz: about 3.9 s of 44.1 kHz stereo.
    EXPECT_NEAR(static_cast<double>(rendered.size() - kCanonicalHeaderBytes) / 4, 1.1 * 2 * 44100 * 11025 / 12375,
                0.02 * 44100);
    EXPECT_TRUE(exported == rendered) << exported.size() << " bytes exported, " << rendered.size() << " rendered";

    // Typed without an extension under the FLAC filter: the same samples, losslessly.
    Export(folder / "range", 1);
    ASSERT_EQ(h.renderer.requests.size(), 2u);
    EXPECT_EQ(h.renderer.requests[1].path, folder / "range.flac");
    EXPECT_EQ(h.renderer.requests[1].type, AudioFileType::Flac);
    const Flac flac = DecodeFlac(folder / "range.flac");
    EXPECT_FALSE(flac.failed);
    EXPECT_EQ(flac.channels, 2u);
    EXPECT_EQ(flac.bits, 16u);
    EXPECT_EQ(flac.rate, 44100u);
    EXPECT_TRUE(flac.samples == WavSamples(exported)) << flac.samples.size() << " samples decoded";
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_EQ(h.dialogs.openProgressWindows, 0);
}

TEST_F(ExportTest, WithoutARepeatEndTheWholeWaveIsExportedWithTheCanceller) {
    h.app.Command(cid::MarkLater);  // a mark alone sets no range
    h.app.Command(cid::VocalCanceller);
    ASSERT_TRUE(h.app.Samples().vocalCancelOn);
    Export(folder / "whole.wav");
    ASSERT_EQ(h.renderer.requests.size(), 1u);
    EXPECT_EQ(h.renderer.requests[0].settings.fromMs, 0u);
    EXPECT_FALSE(h.renderer.requests[0].settings.toMs);
    // The store the render played comes back as the player had it.
    EXPECT_TRUE(h.app.Samples().vocalCancelOn);
    const std::string exported = ReadBytes(folder / "whole.wav");
    EXPECT_EQ((exported.size() - kCanonicalHeaderBytes) / 4, 3u * 44100);
    EXPECT_TRUE(exported == CliRender(folder / "cli.wav", "--vocal-cancel"));
}

TEST_F(ExportTest, AnExistingFileIsReplacedOnlyAfterYes) {
    const std::string path = folder / "old.wav";
    testing::WriteFile(path, "keep me");
    h.files.Add(path, "keep me");
    h.renderer.real = nullptr;
    h.dialogs.answers = {MessageResult::No, MessageResult::Yes};
    Export(path);
    const MessageBoxRequest question{OverwriteQuestion(path), "Export", MessageIcon::Exclamation,
                                     MessageButtons::YesNo, true};
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_EQ(h.dialogs.boxes[0], question);
    EXPECT_TRUE(h.renderer.requests.empty());
    EXPECT_EQ(h.dialogs.openProgressWindows, 0);
    Export(path);
    ASSERT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(h.dialogs.boxes[1], question);
    ASSERT_EQ(h.renderer.requests.size(), 1u);
    EXPECT_EQ(h.renderer.requests[0].path, path);
    EXPECT_EQ(h.dialogs.saveRequests.at(0).fileName, "noise_export.wav");
}

TEST_F(ExportTest, EscapeAndUnwritableFilesLeaveNoFileAndSaySo) {
    h.keyboard.tapAt = h.keyboard.asked + 3;
    const std::string stopped = folder / "stopped.flac";
    Export(stopped);
    EXPECT_FALSE(fs::exists(stopped));
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_EQ(h.dialogs.boxes[0].text, "The export was stopped; " + stopped + " was not written.");
    EXPECT_EQ(h.dialogs.openProgressWindows, 0);
    EXPECT_EQ(h.dialogs.progress.front(), "open EXPORTING: Writing file ... 0");

    const std::string missing = folder / "none/out.wav";
    Export(missing);
    ASSERT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(h.dialogs.boxes[1].text,
              "The export was not written: cannot write " + missing + ": No such file or directory");

    // A full disk: the FLAC writer keeps the reason, and only a device is left.
    FlacWriter full("/dev/full", 2, 44100);
    ASSERT_TRUE(full.Open());
    const std::vector<float> second(2 * 44100, 0.25f);
    for (int i = 0; i < 20; ++i) full.Append(second.data(), 44100);
    EXPECT_FALSE(full.Finish());
    EXPECT_EQ(full.Error(), "cannot write /dev/full: No space left on device");
    EXPECT_TRUE(fs::exists("/dev/full"));

    // Stopped over a file the user agreed to replace: that file stays as it
    // was, and nothing written for the export is left beside it.
    const std::string old = folder / "old.wav";
    testing::WriteFile(old, "keep me");
    h.files.Add(old, "keep me");
    h.dialogs.answers = {MessageResult::Yes};
    h.keyboard.tapAt = h.keyboard.asked + 3;
    Export(old);
    EXPECT_EQ(ReadBytes(old), "keep me");
    for (const auto& entry : fs::directory_iterator(fs::path(old).parent_path()))
        EXPECT_EQ(entry.path().extension(), ".wav") << entry.path();
    h.dialogs.boxes.clear();
    h.dialogs.answers = {MessageResult::Yes};
    Export(old);
    EXPECT_EQ(ReadBytes(old).substr(0, 4), "RIFF");
    EXPECT_EQ(h.dialogs.boxes.size(), 1u);  // the question only
}

}  // namespace
}  // namespace earloop
