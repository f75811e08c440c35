#include "platform/audio/mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "fakes/tone_analysis.h"

namespace earloop {
namespace {

// 16-bit bytes of a sine per channel (0 Hz: silence), `frames` long, its
// phase taken from frame `from` so that cut pieces join up.
std::vector<std::uint8_t> Sine(std::uint32_t rate, int channels, std::size_t frames, double left, double right = 0,
                               std::size_t from = 0, double level = 12000) {
    std::vector<std::uint8_t> bytes;
    const double hz[] = {left, right};
    for (std::size_t i = from; i < from + frames; ++i)
        for (int ch = 0; ch < channels; ++ch) {
            const auto s = static_cast<std::uint16_t>(
                std::lround(level * std::sin(2 * std::numbers::pi * hz[ch] * static_cast<double>(i) / rate)));
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(s & 0xFF), static_cast<std::uint8_t>(s >> 8)});
        }
    return bytes;
}
std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A mixer whose output is kept, with the card's latency; done notices are
// recorded with the number of frames rendered when they arrived.
struct Capture : DeviceEvents {
    explicit Capture(std::uint32_t rate, std::uint32_t latency = 0) : mixer(rate, latency) {}
    std::unique_ptr<WaveOutDevice> Open(std::uint32_t rate, int channels, bool notify = true) {
        return mixer.Open(Pcm16Format(static_cast<std::uint16_t>(channels), rate), notify ? this : nullptr);
    }
    // Opens a device and queues `bytes` (which the mixer reads in place) on it once.
    std::unique_ptr<WaveOutDevice> Play(std::uint32_t rate, int channels, const std::vector<std::uint8_t>& bytes,
                                        int tag = 1) {
        auto device = Open(rate, channels);
        device->Write(bytes.data(), bytes.size(), 1, tag);
        return device;
    }
    void Advance(std::size_t frames, std::size_t step = 300) {
        for (std::size_t done = 0; done < frames; done += step) {
            const std::size_t n = std::min(step, frames - done), at = out.size();
            out.resize(at + 2 * n);
            mixer.Render(out.data() + at, n);
            mixer.DeliverEvents();
        }
    }
    std::size_t Frames() const { return out.size() / 2; }
    // The stereo frames rendered from `frame` on.
    std::vector<float> From(std::size_t frame) const { return {out.begin() + 2 * frame, out.end()}; }
    bool SilentFrom(std::size_t frame) const {
        return std::all_of(out.begin() + 2 * frame, out.end(), [](float s) { return s == 0; });
    }
    void OnWaveOutDone(int tag) override { notices.push_back({tag, Frames()}); }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}

    Mixer mixer;
    std::vector<float> out;
    std::vector<std::pair<int, std::size_t>> notices;  // tag, frames rendered
};

std::vector<int> Tags(const Capture& c) {
    std::vector<int> tags;
    for (auto [tag, at] : c.notices) tags.push_back(tag);
    return tags;
}

float MaxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float d = a.size() == b.size() ? 0.0f : 1e9f;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) d = std::max(d, std::abs(a[i] - b[i]));
    return d;
}

TEST(Mixer, ResamplingKeepsPitchLengthAndChannels) {
    struct Case { std::uint32_t rate; int channels; std::uint32_t card; } cases[] = {
        {11025, 1, 44100}, {22050, 2, 48000}, {8259, 2, 44100}, {8259, 1, 48000}};
    for (const Case& c : cases) {
        Capture cap(c.card);
        const auto tone = Sine(c.rate, c.channels, c.rate / 2, 440, 660);
        auto device = cap.Play(c.rate, c.channels, tone);
        cap.Advance(c.card);
        for (int ch : {0, 1}) {
            const double expected = c.channels == 2 && ch == 1 ? 660 : 440;
            const double hz = testing::CrossingFrequency(&cap.out[c.card / 20 * 2 + ch], c.card * 2 / 5, 2, c.card);
            EXPECT_NEAR(testing::Cents(hz, expected), 0, 1) << c.rate << " ch" << ch;
            const auto span = testing::AudibleSpan({cap.out}, 0.02f, ch);
            ASSERT_TRUE(span) << c.rate;
            EXPECT_LE(span->begin, c.card / 1000) << c.rate;
            EXPECT_NEAR(static_cast<double>(span->end), c.card / 2.0, c.card * 0.003) << c.rate;
        }
    }
}

TEST(Mixer, ChainedBuffersJoinWithoutAGapAndReportEachOnceHeard) {
    Capture whole(44100), chained(44100);
    const auto tone = Sine(11025, 1, 6205, 440);
    auto a = whole.Play(11025, 1, tone, 9), b = chained.Open(11025, 1);
    const std::size_t cuts[] = {0, 1051, 3226, 6205};
    for (int i = 0; i < 3; ++i) b->Write(tone.data() + 2 * cuts[i], 2 * (cuts[i + 1] - cuts[i]), 1, i + 1);
    whole.Advance(30000);
    chained.Advance(30000);
    EXPECT_LT(MaxDifference(chained.out, whole.out), 1e-6f);
    // Heard once the card has rendered 4 frames per voice frame (4204, 12904,
    // 24820); delivered at the end of that 300-frame step.
    const std::vector<std::pair<int, std::size_t>> expected = {{1, 4500}, {2, 13200}, {3, 24900}};
    EXPECT_EQ(chained.notices, expected);
    EXPECT_EQ(b->PlayedBytes(), tone.size());
}

TEST(Mixer, LoopsRepeatTheBufferSampleExactly) {
    struct Case { std::uint32_t rate, card; } cases[] = {{11025, 44100}, {22050, 22050}};
    for (const Case& c : cases) {
        const auto piece = Sine(c.rate, 2, 1001, 440, 660);  // not whole periods: the seam must stay as it is
        const std::size_t pass = 1001 * c.card / c.rate;
        Capture looped(c.card), written(c.card);
        auto three = looped.Open(c.rate, 2), forever = looped.Open(c.rate, 2);
        auto once = written.Open(c.rate, 2), again = written.Open(c.rate, 2);
        three->Write(piece.data(), piece.size(), 3, 1);
        for (int i = 0; i < 3; ++i) once->Write(piece.data(), piece.size(), 1, 1);
        looped.Advance(4 * pass);
        written.Advance(4 * pass);
        EXPECT_EQ(three->PlayedBytes(), 3 * piece.size());

        // Until reset, against the buffer written eleven times (the last one
        // only so that the resampler looks ahead into more of the same).
        forever->Write(piece.data(), piece.size(), kLoopUntilReset, 2);
        for (int i = 0; i < 11; ++i) again->Write(piece.data(), piece.size(), 1, 2);
        const std::size_t from = looped.Frames();
        looped.Advance(10 * pass);
        written.Advance(10 * pass);
        EXPECT_LT(MaxDifference(looped.out, written.out), 1e-6f) << c.rate;
        for (std::size_t i = 0; c.rate == c.card && i < 10 * 1001 * 2; ++i) {
            const auto sample = static_cast<std::int16_t>(piece[2 * (i % 2002)] | piece[2 * (i % 2002) + 1] << 8);
            ASSERT_EQ(looped.out[2 * from + i] * 32768, sample) << i;
        }
        EXPECT_EQ(Tags(looped), std::vector{1}) << c.rate;
        forever->Reset();
        EXPECT_EQ(forever->PlayedBytes(), 0u);
        looped.Advance(2000);
        EXPECT_EQ(Tags(looped), (std::vector{1, 2}));
        EXPECT_TRUE(looped.SilentFrom(looped.Frames() - 2000)) << "silent after the reset";
    }
}

TEST(Mixer, ResetGivesBackEveryBufferAndForgetsTheOldSound) {
    Capture cap(44100), fresh(44100);
    auto device = cap.Open(11025, 1);
    std::vector<std::uint8_t> memory[3] = {Sine(11025, 1, 4000, 440), Sine(11025, 1, 4000, 440, 0, 4000),
                                           Sine(11025, 1, 4000, 440, 0, 8000)};
    for (int i = 0; i < 3; ++i) device->Write(memory[i].data(), memory[i].size(), 1, i + 1);
    cap.Advance(14000);  // the first buffer is fed whole, not yet heard whole
    EXPECT_GT(device->PlayedBytes(), 0u);
    device->Reset();
    EXPECT_EQ(device->PlayedBytes(), 0u);
    EXPECT_TRUE(cap.notices.empty()) << "notices come later, from DeliverEvents";
    cap.mixer.DeliverEvents();
    EXPECT_EQ(Tags(cap), (std::vector{1, 2, 3}));
    cap.Advance(3000);
    EXPECT_TRUE(cap.SilentFrom(14000));

    // The player refills the same memory at once: only the new sound is heard.
    memory[0] = Sine(11025, 1, 4000, 660);
    device->Write(memory[0].data(), memory[0].size(), 1, 4);
    auto other = fresh.Play(11025, 1, memory[0], 4);
    cap.Advance(20000);
    fresh.Advance(20000);
    EXPECT_LT(MaxDifference(cap.From(17000), fresh.out), 1e-6f);
}

TEST(Mixer, NoticesGoOnlyToNotifyingDevicesAndOutliveTheirDevice) {
    Capture cap(44100);
    auto notifying = cap.Open(11025, 1), quiet = cap.Open(22050, 2, false);
    const auto tone = Sine(11025, 1, 2000, 440), stereo = Sine(22050, 2, 2000, 440, 660);
    notifying->Write(tone.data(), tone.size(), 1, 1);
    notifying->Write(tone.data(), tone.size(), 1, 2);
    quiet->Write(stereo.data(), stereo.size(), 1, 7);
    cap.Advance(9000);
    EXPECT_EQ(Tags(cap), std::vector{1});
    notifying.reset();
    cap.Advance(9000);
    EXPECT_EQ(Tags(cap), (std::vector{1, 2}));
    EXPECT_EQ(quiet->PlayedBytes(), stereo.size());
}

TEST(Mixer, ABufferBeyondTheThirtyTwoQueuedIsGivenBackAtOnceUnplayed) {
    Capture cap(22050);
    auto device = cap.Open(22050, 1);
    const auto tone = Sine(22050, 1, 100, 440);
    for (int tag = 1; tag <= 33; ++tag) device->Write(tone.data(), tone.size(), 1, tag);
    cap.mixer.DeliverEvents();
    EXPECT_EQ(Tags(cap), std::vector{33});
    cap.Advance(4000);
    std::vector<int> expected = {33};
    for (int tag = 1; tag <= 32; ++tag) expected.push_back(tag);
    EXPECT_EQ(Tags(cap), expected);
    EXPECT_EQ(device->PlayedBytes(), 32 * tone.size());
}

TEST(Mixer, PlayedBytesFollowsTheHeardToneAcrossGapsAndLatency) {
    // 0.2 s of silence, 0.2 s of tone, 0.1 s of silence; after an underrun,
    // perhaps, another 0.2 s of silence and 0.2 s of tone.
    const auto quiet = Sine(11025, 1, 2205, 0), tone = Sine(11025, 1, 2205, 440);
    const auto buffer = Cat(Cat(quiet, tone), Sine(11025, 1, 1102, 0)), second = Cat(quiet, tone);
    struct Case { std::uint32_t latency; std::size_t secondAt; } cases[] = {
        {0, 0}, {1000, 0}, {0, 21500}, {1000, 21500}, {0, 30000}};  // 21500: the tail still drains; 30000: idle
    for (const Case& c : cases) {
        Capture cap(44100, c.latency);
        auto device = cap.Play(11025, 1, buffer);
        std::vector<std::size_t> edges = {2205 * 2, 4410 * 2};
        std::vector<std::pair<std::size_t, std::uint64_t>> played;  // frames rendered, bytes
        for (int step = 0; step < 1500; ++step) {
            if (c.secondAt && cap.Frames() == c.secondAt) {
                device->Write(second.data(), second.size(), 1, 2);
                edges.insert(edges.end(), {buffer.size() + 2205 * 2, buffer.size() + 4410 * 2});
            }
            cap.Advance(50, 50);
            played.push_back({cap.Frames(), device->PlayedBytes()});
        }
        // Each edge of a tone is heard `latency` after it was rendered.
        for (std::size_t e = 0; e < edges.size(); e += 2) {
            const std::size_t at = e == 0 ? 0 : c.secondAt;
            const std::vector<float> part(cap.out.begin() + 2 * at, cap.out.begin() + 2 * (at + 30000));
            const auto span = testing::AudibleSpan({part}, 0.02f);
            ASSERT_TRUE(span);
            for (auto [edge, heard] : {std::pair{edges[e], at + span->begin}, std::pair{edges[e + 1], at + span->end}}) {
                auto passed = [&](auto p) { return p.second >= edge; };
                const auto reached = std::find_if(played.begin(), played.end(), passed);
                ASSERT_NE(reached, played.end());
                EXPECT_NEAR(static_cast<double>(reached->first), static_cast<double>(heard + c.latency), 441)
                    << "latency " << c.latency << ", second at " << c.secondAt << ", edge " << edge;
            }
        }
        EXPECT_TRUE(std::is_sorted(played.begin(), played.end(), [](auto a, auto b) { return a.second < b.second; }));
        EXPECT_EQ(played.back().second, buffer.size() + (c.secondAt ? second.size() : 0));
    }
}

TEST(Mixer, VolumeIsOneForTheProgramAndScalesEachChannel) {
    // Equal rates and a steady level, so every rendered sample is level x gain.
    const std::vector<std::uint8_t> level(4000, 0x40);  // 0x4040 on both channels
    const float sample = 0x4040 / 32768.0f;
    struct Case { PackedVolume volume; float left, right; } cases[] = {
        {0, 0, 0}, {0x80008000, 0x8000 / 65535.0f, 0x8000 / 65535.0f}, {0xFFFF0000, 0, 1}, {0x0000FFFF, 1, 0}};
    for (const Case& c : cases) {
        Capture cap(22050);
        EXPECT_EQ(cap.mixer.DeviceZeroVolume(), 0xFFFFFFFFu);
        auto first = cap.Open(22050, 2);
        first->SetVolume(c.volume);
        EXPECT_EQ(cap.mixer.DeviceZeroVolume(), c.volume);
        auto later = cap.Play(22050, 2, level);  // opened after: plays at the same volume
        cap.Advance(1000);
        EXPECT_FLOAT_EQ(cap.out[0], sample * c.left);
        EXPECT_FLOAT_EQ(cap.out[1], sample * c.right);
        cap.mixer.SetDeviceZeroVolume(0x40004000);  // and it changes the open ones too
        later->Write(level.data(), level.size(), 1, 2);
        cap.Advance(1000);
        EXPECT_FLOAT_EQ(cap.out[2000], sample * 0x4000 / 65535.0f);
    }
}

TEST(Mixer, VoicesAtTheirOwnRatesAddUpAndTheSumIsClamped) {
    const auto high = Sine(22050, 2, 11025, 440, 660), low = Sine(8259, 1, 4130, 550);
    Capture both(48000), one(48000), other(48000);
    auto a = both.Play(22050, 2, high), b = both.Play(8259, 1, low, 2), c = one.Play(22050, 2, high),
         d = other.Play(8259, 1, low, 2);
    for (Capture* cap : {&both, &one, &other}) cap->Advance(30000);
    std::vector<float> sum(one.out.size());
    for (std::size_t i = 0; i < sum.size(); ++i) sum[i] = one.out[i] + other.out[i];
    EXPECT_LT(MaxDifference(both.out, sum), 1e-6f);

    const std::vector<std::uint8_t> loud(400, 0x70);  // 0x7070 twice: 1.76
    Capture equal(22050);
    auto e = equal.Play(22050, 1, loud), f = equal.Play(22050, 1, loud, 2);
    equal.Advance(100);
    EXPECT_EQ(equal.out[0], 1.0f);
}

TEST(Mixer, OpenRefusesWhatItCannotPlayAndWhenEveryVoiceIsTaken) {
    Capture cap(44100);
    WaveFormatInfo bad[] = {Pcm16Format(3, 11025), Pcm16Format(1, 3999), Pcm16Format(2, 192001), Pcm16Format(1, 11025),
                            Pcm16Format(1, 11025)};
    bad[3].wBitsPerSample = 8;
    bad[4].wFormatTag = 3;
    for (const WaveFormatInfo& f : bad) EXPECT_EQ(cap.mixer.Open(f, &cap), nullptr) << f.nSamplesPerSec;
    std::vector<std::unique_ptr<WaveOutDevice>> devices;
    for (int i = 0; i < 8; ++i) devices.push_back(cap.Open(i % 2 ? 4000 : 192000, 2));
    EXPECT_TRUE(std::all_of(devices.begin(), devices.end(), [](auto& d) { return d != nullptr; }));
    EXPECT_EQ(cap.Open(11025, 1), nullptr);
    devices.pop_back();
    EXPECT_NE(cap.Open(11025, 1), nullptr);
}

}  // namespace
}  // namespace earloop
