#include "playback/time_stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "fakes/sample_bytes.h"
#include "fakes/wav_builder.h"

namespace earloop {
namespace {

using testing::GuardedBuffer;
using testing::ToBytes;

// `size` samples of `fill` but for the ones `set`.
std::vector<std::int16_t> Samples(std::size_t size, std::initializer_list<std::pair<std::size_t, std::int16_t>> set,
                                  std::int16_t fill = 0) {
    std::vector<std::int16_t> samples(size, fill);
    for (auto [i, value] : set) samples[i] = value;
    return samples;
}

TEST(PitchShift, RatesAndTempoCompensationHeldToTheRange) {
    const std::uint32_t rates[] = {8259,  8750,  9270,  9822,  10406, 11025, 11680, 12375, 13111,
                                   13890, 14716, 15591, 16518, 17501, 18541, 19644, 20812, 22050};  // shifts -5 to 12
    const int speeds[] = {100, 94, 89, 84, 79, 75, 71, 67, 63, 59, 56, 53, 50};  // shifts 0 (and down) to 12
    for (int shift = -9; shift <= 15; ++shift) {
        const int held = std::clamp(shift, -5, 12);
        EXPECT_EQ(PitchShiftedRate(shift), rates[held + 5]) << shift;
        EXPECT_EQ(CompensatedSpeedPercent(shift), speeds[std::max(held, 0)]) << shift;
    }
}

TEST(StretchGeometry, ChunkLengthsFollowRateChannelsAndSpeed) {
    // Lengths: R, W, maxLag, outChunkBytes, inChunkBytes, N.
    struct Case { std::uint32_t rate, blockAlign; int speed; std::array<std::uint32_t, 6> lengths; } cases[] = {
        {11025, 2, 50, {110, 220, 220, 1102, 550, 551}},                  // 551 half-speed bytes, down to a frame
        {PitchShiftedRate(12), 4, 50, {220, 880, 441, 4408, 2204, 1102}},  // 4410 down to a stereo frame
        {11025, 2, 0, {110, 220, 220, 1102, 10, 551}},                    // speed 0 plays at 1 %
    };
    for (const Case& c : cases) {
        const StretchGeometry g = MakeStretchGeometry(c.rate, c.blockAlign, c.speed);
        EXPECT_EQ((std::array{g.matchFrames, g.matchBytes, g.maxLag, g.outChunkBytes, g.inChunkBytes, g.chunkFrames}),
                  c.lengths)
            << c.rate << " Hz, speed " << c.speed;
    }
}

TEST(StretchGeometry, FullRateLengthsAreTheWorkingOnesTimesTheScale) {
    // Lengths: R, maxLag, N, inChunkBytes, search stride; the ratio of the
    // chunks stays exactly that of the working geometry at a whole scale.
    struct Case { std::uint32_t rate; int shift; double scale; std::array<std::uint32_t, 5> lengths; } cases[] = {
        {44100, 0, 4.0, {440, 880, 2204, 4400, 2}},           // 275 working frames in, 551 out
        {PitchShiftedRate(12) * 4, 12, 4.0, {880, 1764, 4408, 8816, 4}},
        {48000, 0, 48000.0 / 11025, {479, 958, 2399, 4788, 3}},  // 1197 frames: 275 x 4.354, rounded
        {11025, 0, 1.0, {110, 220, 551, 1100, 1}},
    };
    for (const Case& c : cases) {
        const StretchGeometry working = MakeStretchGeometry(PitchShiftedRate(c.shift), 4, 50);
        const StretchGeometry g = ScaleGeometry(working, c.scale, c.rate);
        EXPECT_EQ((std::array{g.matchFrames, g.maxLag, g.chunkFrames, g.inChunkBytes, g.searchStride}), c.lengths)
            << c.rate;
        EXPECT_EQ(std::tuple(g.rate, g.matchBytes, g.outChunkBytes, g.blockAlign, g.speedPercent),
                  std::tuple(c.rate, g.matchFrames * 4, g.chunkFrames * 4, 4u, 50))
            << c.rate;
        if (c.scale == 4.0) {
            EXPECT_EQ(std::uint64_t{g.inChunkBytes} * working.outChunkBytes,
                      std::uint64_t{working.inChunkBytes} * g.outChunkBytes);
        }
    }
}

TEST(FindNearBestLag, TwoPassesFindTheFullSearchsLagOfASmoothPulse) {
    // A pulse 6 frames wide at frame 100 of the reference and 100 + lag of
    // the search: the full search's lag is exact, odd lags and both ends too.
    const auto pulse = [](std::size_t frames, double at) {
        std::vector<std::int16_t> samples(frames);
        for (std::size_t i = 0; i < frames; ++i)
            samples[i] = static_cast<std::int16_t>(20000 * std::exp(-0.5 * std::pow((i - at) / 6.0, 2)));
        return ToBytes(samples);
    };
    const std::vector<std::uint8_t> reference = pulse(300, 100);
    for (std::uint32_t lag : {0u, 1u, 317u, 450u, 598u, 599u}) {
        const std::vector<std::uint8_t> search = pulse(1000, 100.0 + lag);
        ASSERT_EQ(FindBestLag(reference, search, 2, 300, 599), lag * 2);
        for (std::uint32_t stride : {2u, 3u, 4u})
            EXPECT_EQ(FindNearBestLag(reference, search, 2, 300, 599, stride), lag * 2) << lag << " / " << stride;
    }
    EXPECT_EQ(SearchStride(22050), 1u);
    EXPECT_EQ(SearchStride(22051), 2u);
    EXPECT_EQ(SearchStride(88200), 4u);
}

TEST(FindBestLag, SilenceTiesAndNegativeScoresKeepTheEarliestLagAndStereoMatchesOnTheLeft) {
    // 10 frames matched, lags 0..20. The stereo searches hold a left peak at
    // frame 5 and a larger right one at frame 2 that must be ignored.
    const auto mono = Samples(10, {{0, 100}}), stereo = Samples(20, {{0, 100}, {1, 100}});
    struct Case { const char* what; std::vector<std::int16_t> ref, search; std::uint32_t blockAlign, lag; } cases[] = {
        {"silence", mono, Samples(30, {}), 2, 0},
        {"equal peaks", mono, Samples(30, {{3, 50}, {7, 50}}), 2, 3},
        {"only negative scores", mono, Samples(30, {{5, -1}}, -30), 2, 0},
        {"stereo", stereo, Samples(60, {{10, 40}, {5, 1000}}), 4, 5},
        {"stereo, 6 of the 30 frames read", stereo, Samples(12, {{10, 40}, {5, 1000}}), 4, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindBestLag(ToBytes(c.ref), ToBytes(c.search), c.blockAlign, 10, 20), c.lag * c.blockAlign)
            << c.what;
}

TEST(CrossFade, StartsOnTheFirstSourceAndTruncatesTheBlendTowardZero) {
    // Stereo frames 0, 55 and 56: a is 101 / -101, 3 / -3 and 101 / -101; b is 0 / 0, 4 / -4 and 0 / 0.
    const auto a = Samples(220, {{0, 101}, {1, -101}, {110, 3}, {111, -3}, {112, 101}, {113, -101}});
    GuardedBuffer out(110 * 4);
    CrossFade(ToBytes(a), ToBytes(Samples(220, {{110, 4}, {111, -4}})), out.Span(), 110, 4);
    // Frame 55: 1.5 + 2.0; frame 56: 54/110 x -101 = -49.58.
    EXPECT_EQ((std::array{out.At(0, 2, 0), out.At(0, 2, 1), out.At(55, 2, 0), out.At(55, 2, 1), out.At(56, 2, 1)}),
              (std::array{101, -101, 3, -3, -49}));
    EXPECT_TRUE(out.GuardIntact());
}

TEST(StretchChunks, ChunksStartAtTheirBasePlusLagPlusTheMatchWindow) {
    // On a rising ramp every later lag scores higher, so each chunk after the
    // first is found at the search's far end (220 frames); frames 441..550 are
    // the blend, which starts one frame behind the source.
    for (int channels : {1, 2}) {
        const StretchGeometry g = MakeStretchGeometry(11025, channels * 2, 50);
        GuardedBuffer out(3 * g.outChunkBytes);
        std::uint32_t lag = 0;
        ASSERT_EQ(StretchChunks(ToBytes(testing::RampSamples(4000, channels)), 0, 3, g, out.Span(), lag), 3);
        EXPECT_EQ(lag, 220u * channels * 2) << "the lag of the chunk after the last";
        const auto at = [&](std::uint32_t frame) { return out.At(frame, channels); };
        EXPECT_EQ((std::array{at(0), at(440), at(441), at(550), at(551), at(1102)}),
                  (std::array{110, 550, 550, 659, 275 + 220 + 110, 550 + 220 + 110}));
        for (std::uint32_t i = 0; channels == 2 && i < 3 * g.chunkFrames; ++i)
            ASSERT_EQ(out.At(i, 2, 1), -at(i)) << i;
    }
}

TEST(StretchChunks, ABufferContinuesTheOneBeforeAsIfBothWereOne) {
    // A stream is filled buffer by buffer; carrying the lag makes the join
    // between two buffers the same as between two chunks of one buffer.
    for (int speed : {50, 73}) {
        const StretchGeometry g = MakeStretchGeometry(11025, 4, speed);
        const std::vector<std::uint8_t> tone = ToBytes(testing::Tone(11025 * 4, 2, 311.0, 1.0));
        GuardedBuffer whole(40 * g.outChunkBytes), halves(40 * g.outChunkBytes);
        std::uint32_t wholeLag = 0, lag = 0;
        ASSERT_EQ(StretchChunks(tone, 0, 40, g, whole.Span(), wholeLag), 40);
        ASSERT_EQ(StretchChunks(tone, 0, 20, g, halves.Span().first(20 * g.outChunkBytes), lag), 20);
        ASSERT_EQ(StretchChunks(tone, 20 * g.inChunkBytes, 20, g, halves.Span().subspan(20 * g.outChunkBytes), lag), 20);
        EXPECT_EQ(whole.bytes, halves.bytes) << speed;
        EXPECT_EQ(lag, wholeLag) << speed;
    }
}

TEST(StretchChunks, AStreamCutShortHoldsItsLastFrameAndStaysInItsBuffers) {
    const StretchGeometry g = MakeStretchGeometry(11025, 2, 50);
    struct Case { const char* what; std::size_t sourceFrames; int chunksAsked, chunksWritten, lastValue; } cases[] = {
        {"300 frames, 3 chunks", 300, 3, 3, 299},
        {"no data", 0, 2, 2, 0},
        {"room for one chunk", 4000, 3, 1, 659},  // 1/110 of 659 and 109/110 of 660
    };
    for (const Case& c : cases) {
        GuardedBuffer out(c.chunksWritten * g.outChunkBytes);
        std::uint32_t lag = 0;
        EXPECT_EQ(StretchChunks(ToBytes(testing::RampSamples(c.sourceFrames, 1)), 0, c.chunksAsked, g, out.Span(), lag),
                  c.chunksWritten)
            << c.what;
        EXPECT_EQ(out.At(c.chunksWritten * g.chunkFrames - 1, 1), c.lastValue) << c.what;
        EXPECT_TRUE(out.GuardIntact()) << c.what;
    }
}

}  // namespace
}  // namespace earloop
