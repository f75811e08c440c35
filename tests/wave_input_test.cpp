// The wave input's conversion into the program's buffers, and the WAV file
// played in place of a microphone under a simulated clock.

#include "platform/audio/wave_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include "fakes/sample_bytes.h"
#include "fakes/tone_analysis.h"
#include "fakes/wav_builder.h"
#include "platform/audio/input_pipeline.h"

namespace earloop {
namespace {

using testing::GuardedBuffer;
using Notice = std::pair<int, std::size_t>;  // tag, bytes
using Notices = std::vector<Notice>;

// The program's side: buffers with guards past their ends, every notice in
// order, what each buffer held copied out (16-bit stereo frames), and the
// buffer queued again while `requeue` says so.
struct Program : DeviceEvents {
    void Add(int tag, std::size_t bytes) {
        GuardedBuffer& buffer = buffers.try_emplace(tag, bytes).first->second;
        queue(buffer.bytes.data(), bytes, tag);
    }
    void OnWaveOutDone(int) override {}
    void OnWaveInOpen() override {
        ++opens;
        if (onOpen) onOpen();
    }
    void OnWaveInData(int tag, std::size_t bytes) override {
        notices.emplace_back(tag, bytes);
        const GuardedBuffer& buffer = buffers.at(tag);
        for (std::size_t frame = 0; frame < bytes / 4; ++frame) {
            left.push_back(buffer.At(frame, 2, 0));
            right.push_back(buffer.At(frame, 2, 1));
        }
        if (requeue) queue(buffers.at(tag).bytes.data(), buffers.at(tag).Span().size(), tag);
    }
    bool GuardsIntact() const {
        return std::all_of(buffers.begin(), buffers.end(), [](const auto& b) { return b.second.GuardIntact(); });
    }

    std::function<void(std::uint8_t*, std::size_t, int)> queue;
    std::function<void()> onOpen;
    bool requeue = false;
    int opens = 0;
    std::map<int, GuardedBuffer> buffers;
    Notices notices;
    std::vector<int> left, right;
};

TEST(InputPipeline, ConvertsA48kMonoToneIntoStereoAt11025InTheBuffersAsAdded) {
    Program program;
    InputNotices notices;
    auto pipeline = InputPipeline::Create(48000, 1, program, notices);
    ASSERT_NE(pipeline, nullptr);
    program.queue = [&](std::uint8_t* data, std::size_t bytes, int tag) { pipeline->AddBuffer(data, bytes, tag); };
    program.Add(1, 2048);
    program.Add(2, 4096);
    program.Add(3, 8192);

    // Half a second in periods of 441 frames, taken every period.
    constexpr std::size_t kFrames = 24000, kPeriod = 441;
    std::vector<float> tone(kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) tone[i] = 0.5f * std::sin(2 * std::numbers::pi * 440.0 * i / 48000.0);
    for (std::size_t at = 0; at < kFrames; at += kPeriod) {
        pipeline->Ring().Capture(tone.data() + at, std::min(kPeriod, kFrames - at));
        pipeline->Pump();
    }
    EXPECT_TRUE(program.notices.empty()) << "notices wait for their delivery";
    notices.Deliver();
    EXPECT_EQ(program.notices, (Notices{{1, 2048}, {2, 4096}, {3, 8192}}));

    // What is left fills part of the next buffer, given back by the reset.
    program.Add(4, 8192);
    pipeline->Reset();
    notices.Deliver();
    ASSERT_EQ(program.notices.size(), 4u);
    EXPECT_EQ(program.notices[3].first, 4);
    const std::size_t total = program.left.size();
    // All that half a second makes (5512 frames) but what the converter
    // holds back, under 100 ms.
    EXPECT_LE(total, 5512u);
    EXPECT_GT(total, 5512u - 1102);
    EXPECT_EQ(program.notices[3].second, (total - 3584) * 4);
    EXPECT_TRUE(program.GuardsIntact());
    EXPECT_EQ(program.buffers.at(4).At(total - 3584, 2), static_cast<std::int16_t>(0xEEEE))
        << "the rest of the last buffer untouched";
    EXPECT_EQ(program.left, program.right) << "the mono input on both sides";
    EXPECT_EQ(program.opens, 0);

    std::vector<float> heard(2 * total);
    for (std::size_t i = 0; i < total; ++i) heard[2 * i] = heard[2 * i + 1] = program.left[i] / 32768.0f;
    ASSERT_GE(total, 1000u + 3072);
    const testing::StereoView view{heard};
    EXPECT_NEAR(testing::Cents(testing::PeakFrequency(view, 1000, 3072, kInputRate, 440.0), 440.0), 0.0, 0.5);
    const auto [low, high] = std::minmax_element(program.left.begin() + 1000, program.left.end());
    EXPECT_NEAR(*high, 16384, 100) << "the level kept";
    EXPECT_NEAR(*low, -16384, 100);
}

TEST(InputPipeline, CutsTheInputIntoWholeFramesExactlyAndKeepsWhatTheRingHeld) {
    Program program;
    InputNotices notices;
    // At the input rate the conversion is a copy: every sample can be checked.
    auto pipeline = InputPipeline::Create(kInputRate, 2, program, notices);
    ASSERT_NE(pipeline, nullptr);
    program.queue = [&](std::uint8_t* data, std::size_t bytes, int tag) { pipeline->AddBuffer(data, bytes, tag); };
    program.requeue = true;
    // 250 frames, and 1024 frames with two bytes over that are never filled.
    program.Add(1, 1000);
    program.Add(2, 4098);

    // More than the ring's 64 K frames before any pump: the period that does
    // not fit is lost, once.
    const std::vector<std::int16_t> ramp = testing::RampSamples(70000, 2);
    std::vector<float> frames(ramp.size());
    std::transform(ramp.begin(), ramp.end(), frames.begin(), [](std::int16_t s) { return s / 32768.0f; });
    pipeline->Ring().Capture(frames.data(), 70000);
    EXPECT_EQ(pipeline->Ring().Overruns(), 1u);
    do pipeline->Pump();
    while (notices.Deliver() > 0);
    pipeline->Reset();
    notices.Deliver();

    // 65536 frames: 51 rounds of the two buffers (64974 frames), then 250
    // and the last 312 frames in buffer 2, given back by the reset with
    // buffer 1, queued again and empty.
    ASSERT_EQ(program.notices.size(), 105u);
    for (std::size_t i = 0; i < 102; ++i)
        ASSERT_EQ(program.notices[i], (i % 2 == 0 ? Notice{1, 1000} : Notice{2, 4096})) << i;
    EXPECT_EQ(program.notices[102], (Notice{1, 1000}));
    EXPECT_EQ(program.notices[103], (Notice{2, 312 * 4}));
    EXPECT_EQ(program.notices[104], (Notice{1, 0}));
    ASSERT_EQ(program.left.size(), 65536u);
    for (std::size_t i = 0; i < 65536; ++i) {
        ASSERT_EQ(program.left[i], ramp[2 * i]) << i;
        ASSERT_EQ(program.right[i], ramp[2 * i + 1]) << i;
    }
    EXPECT_TRUE(program.GuardsIntact());
}

class FileInputTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }
    void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::chrono::nanoseconds now_{std::chrono::seconds(5)};
    SystemWaveInput::Clock clock_ = [this] { return now_; };
    const std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("earloop-input-" + std::to_string(::getpid()) + ".wav");
};

TEST_F(FileInputTest, PlaysTheFileLoopedAtTheClocksPaceAndClosingGivesTheBuffersBackAfterwards) {
    // 3000 frames of a stereo ramp at the input rate, so that the looped
    // input can be checked sample by sample.
    testing::WaveSpec spec;
    spec.rate = kInputRate;
    spec.samples = testing::RampSamples(3000, 2);
    Write(testing::MakeWav(spec));
    SystemWaveInput input(path_.string(), clock_);
    Program program;
    EXPECT_EQ(input.Open(Pcm16Format(1, kInputRate), program), nullptr);
    EXPECT_EQ(input.Open(Pcm16Format(2, 22050), program), nullptr);
    std::unique_ptr<WaveInDevice> device = input.Open(Pcm16Format(2, kInputRate), program);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(program.opens, 0) << "the open notice comes with the pump";

    // As the program does: two buffers queued and the input started when it
    // opens, each full buffer queued again.
    program.queue = [&](std::uint8_t* data, std::size_t bytes, int tag) { device->AddBuffer(data, bytes, tag); };
    program.onOpen = [&] {
        program.Add(1, 4096);
        program.Add(2, 4096);
        device->Start();
    };
    program.requeue = true;
    input.Pump();
    EXPECT_EQ(program.opens, 1);

    // Two seconds in steps of 10 ms: 22050 frames, 21 buffers of 1024.
    for (int step = 0; step < 200; ++step) {
        now_ += std::chrono::milliseconds(10);
        input.Pump();
    }
    ASSERT_EQ(program.notices.size(), 21u);
    for (std::size_t i = 0; i < 21; ++i) EXPECT_EQ(program.notices[i], (Notice{1 + i % 2, 4096}));

    // Closing resets: the notices come after it, with the 546 frames since.
    program.requeue = false;
    device.reset();
    EXPECT_EQ(program.notices.size(), 21u);
    input.Pump();
    ASSERT_EQ(program.notices.size(), 23u);
    EXPECT_EQ(program.notices[21], (Notice{2, 546 * 4}));
    EXPECT_EQ(program.notices[22], (Notice{1, 0}));
    ASSERT_EQ(program.left.size(), 22050u);
    for (std::size_t i = 0; i < 22050; ++i) {
        ASSERT_EQ(program.left[i], spec.samples[2 * (i % 3000)]) << i;
        ASSERT_EQ(program.right[i], spec.samples[2 * (i % 3000) + 1]) << i;
    }
}

TEST_F(FileInputTest, AMonoFileAtAnotherRateIsPacedByItsOwnRateAndHeardOnBothSides) {
    // One second of 440 Hz at 44100 Hz: whole cycles, so the loop is seamless.
    testing::WaveSpec spec;
    spec.rate = 44100;
    spec.channels = 1;
    spec.samples = testing::Tone(44100, 1, 440.0, 0.0, 44100.0);
    Write(testing::MakeWav(spec));
    SystemWaveInput input(path_.string(), clock_);
    Program program;
    std::unique_ptr<WaveInDevice> device = input.Open(Pcm16Format(2, kInputRate), program);
    ASSERT_NE(device, nullptr);
    program.queue = [&](std::uint8_t* data, std::size_t bytes, int tag) { device->AddBuffer(data, bytes, tag); };
    program.requeue = true;
    program.Add(1, 4096);
    program.Add(2, 4096);
    device->Start();
    for (int step = 0; step < 300; ++step) {
        now_ += std::chrono::milliseconds(10);
        input.Pump();
    }
    // Three seconds make 33075 frames, less what the converter holds back
    // (under 100 ms): 31 or 32 buffers.
    EXPECT_GE(program.notices.size(), 31u);
    EXPECT_LE(program.notices.size(), 32u);
    EXPECT_EQ(program.left, program.right);
    ASSERT_GE(program.left.size(), 7000u + 8192);
    std::vector<float> heard(2 * program.left.size());
    for (std::size_t i = 0; i < program.left.size(); ++i) heard[2 * i] = program.left[i] / 32768.0f;
    const testing::StereoView view{heard};
    EXPECT_NEAR(testing::Cents(testing::PeakFrequency(view, 7000, 8192, kInputRate, 440.0), 440.0), 0.0, 0.5)
        << "across the loop's seam";
    EXPECT_NEAR(*std::max_element(program.left.begin() + 1000, program.left.end()), 12000, 100);
}

TEST_F(FileInputTest, AFileThatCannotBePlayedOpensNothing) {
    testing::WaveSpec eightBit;
    eightBit.bits = 8;
    eightBit.samples = {0, 0};
    Write(testing::MakeWav(eightBit));
    Program program;
    for (const std::string& path : {path_.string(), path_.string() + ".missing"}) {
        SystemWaveInput input(path, clock_);
        EXPECT_EQ(input.Open(Pcm16Format(2, kInputRate), program), nullptr) << path;
    }
}

}  // namespace
}  // namespace earloop
