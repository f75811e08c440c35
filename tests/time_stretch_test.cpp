#include "playback/time_stretch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fakes/sample_bytes.h"
#include "fakes/wav_builder.h"

namespace earloop {
namespace {

using testing::RampSamples;
using testing::SampleAt;
using testing::ToBytes;

TEST(PitchShift, RatesAndTempoCompensation) {
    EXPECT_EQ(PitchShiftedRate(0), 11025u);
    EXPECT_EQ(PitchShiftedRate(12), 22050u);
    EXPECT_EQ(PitchShiftedRate(-5), 8259u);
    EXPECT_EQ(CompensatedSpeedPercent(0), 100);
    EXPECT_EQ(CompensatedSpeedPercent(-5), 100);
    const int speeds[] = {94, 89, 84, 79, 75, 71, 67, 63, 59, 56, 53, 50};
    for (int shift = 1; shift <= 12; ++shift)
        EXPECT_EQ(CompensatedSpeedPercent(shift), speeds[shift - 1]) << "shift " << shift;
    // Beyond the range the shift is held at its end.
    EXPECT_EQ(PitchShiftedRate(13), 22050u);
    EXPECT_EQ(PitchShiftedRate(-9), 8259u);
}

TEST(StretchGeometry, ChunkLengthsFollowRateChannelsAndSpeed) {
    struct Case {
        std::uint32_t rate, blockAlign;
        int speed;
        std::uint32_t r, w, maxLag, outChunk, inChunk, n;
    };
    const Case cases[] = {
        {11025, 2, 50, 110, 220, 220, 1102, 550, 551},   // 551 half-speed frames, rounded down to 275
        {22050, 2, 50, 220, 440, 441, 2204, 1102, 1102}, // shift +12
        {22050, 4, 50, 220, 880, 441, 4408, 2204, 1102}, // 4410 rounded down to a stereo frame
        {11025, 2, 0, 110, 220, 220, 1102, 10, 551},     // speed 0 plays at 1 %
        {8259, 4, 100, 82, 328, 165, 1648, 1648, 412},
    };
    for (const Case& c : cases) {
        const StretchGeometry g = MakeStretchGeometry(c.rate, c.blockAlign, c.speed);
        EXPECT_EQ(g.matchFrames, c.r) << c.rate;
        EXPECT_EQ(g.matchBytes, c.w) << c.rate;
        EXPECT_EQ(g.maxLag, c.maxLag) << c.rate;
        EXPECT_EQ(g.outChunkBytes, c.outChunk) << c.rate;
        EXPECT_EQ(g.inChunkBytes, c.inChunk) << c.rate;
        EXPECT_EQ(g.chunkFrames, c.n) << c.rate;
    }
}

TEST(FindBestLag, SilenceTiesAndNegativeScoresKeepTheEarliestLag) {
    std::vector<std::int16_t> reference(20, 0);
    reference[0] = 100;
    std::vector<std::int16_t> twoPeaks(40, 0);
    twoPeaks[3] = 50;
    twoPeaks[7] = 50;
    std::vector<std::int16_t> inverted(40, -30);
    struct Case {
        const char* what;
        std::vector<std::int16_t> search;
        std::uint32_t lagBytes;
    } cases[] = {
        {"silence", std::vector<std::int16_t>(40, 0), 0},
        {"equal peaks", twoPeaks, 6},
        {"only negative scores", inverted, 0},
    };
    const auto ref = ToBytes(reference);
    for (const Case& c : cases) {
        const auto search = ToBytes(c.search);
        EXPECT_EQ(FindBestLag(ref, search, 2, 10, 20), c.lagBytes) << c.what;
    }
}

TEST(FindBestLag, StereoMatchesOnTheLeftChannelAndCountsMissingSamplesAsSilence) {
    // Left: a peak at frame 5; right: a larger peak at frame 2 that must be ignored.
    std::vector<std::int16_t> search(2 * 12, 0);
    search[2 * 5] = 40;
    search[2 * 2 + 1] = 1000;
    const auto ref = ToBytes({100, -100, 0, 0});
    EXPECT_EQ(FindBestLag(ref, ToBytes(search), 4, 2, 8), 5u * 4);
    // The search would read 9 + 2 frames; only 6 are there, the peak at 5 still wins.
    search.resize(2 * 6);
    EXPECT_EQ(FindBestLag(ref, ToBytes(search), 4, 2, 8), 5u * 4);
}

TEST(CrossFade, StartsOnTheFirstSourceAndTruncatesTheBlendTowardZero) {
    // Stereo: a is 101 / -101 and 3 / -3 in alternate frames, b is 0 / 0 and 4 / -4.
    constexpr std::uint32_t n = 110;
    std::vector<std::int16_t> a, b;
    for (std::uint32_t j = 0; j < n; ++j) {
        const bool odd = j % 2;
        a.insert(a.end(), {std::int16_t(odd ? 3 : 101), std::int16_t(odd ? -3 : -101)});
        b.insert(b.end(), {std::int16_t(odd ? 4 : 0), std::int16_t(odd ? -4 : 0)});
    }
    const auto ab = ToBytes(a), bb = ToBytes(b);
    std::vector<std::uint8_t> out(n * 4 + 8, 0xEE);
    CrossFade(ab, bb, std::span(out).first(n * 4), n, 4);
    EXPECT_EQ(SampleAt(out.data(), 0, 2, 0), 101);
    EXPECT_EQ(SampleAt(out.data(), 0, 2, 1), -101);
    EXPECT_EQ(SampleAt(out.data(), 54, 2, 0), 51);   // 56/110 x 101 = 51.4
    EXPECT_EQ(SampleAt(out.data(), 55, 2, 0), 3);    // 1.5 + 2.0
    EXPECT_EQ(SampleAt(out.data(), 55, 2, 1), -3);
    EXPECT_EQ(SampleAt(out.data(), 56, 2, 0), 49);   // 54/110 x 101 = 49.58
    EXPECT_EQ(SampleAt(out.data(), 56, 2, 1), -49);  // truncated toward zero, not down
    for (std::size_t i = n * 4; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE);
}

// Chunk q, frame i of stretched output.
int OutFrame(const std::vector<std::uint8_t>& out, const StretchGeometry& g, int q, std::uint32_t i, int channel = 0) {
    return SampleAt(out.data() + std::size_t(q) * g.outChunkBytes, i, int(g.blockAlign / 2), channel);
}

TEST(StretchChunks, ChunksStartAtTheirBasePlusLagPlusTheMatchWindow) {
    // On a rising ramp every later lag scores higher, so each chunk after the
    // first is found at the search's far end (220 frames).
    for (std::uint16_t channels : {1, 2}) {
        const StretchGeometry g = MakeStretchGeometry(11025, channels * 2, 50);
        const auto source = ToBytes(RampSamples(4000, channels));
        std::vector<std::uint8_t> out(3 * g.outChunkBytes);
        ASSERT_EQ(StretchChunks(source, 0, 3, g, out), 3);
        EXPECT_EQ(OutFrame(out, g, 0, 0), 110);
        EXPECT_EQ(OutFrame(out, g, 0, 440), 550);
        EXPECT_EQ(OutFrame(out, g, 0, 441), 550);  // the blend starts one frame behind the source
        EXPECT_EQ(OutFrame(out, g, 0, 550), 659);
        EXPECT_EQ(OutFrame(out, g, 1, 0), 275 + 220 + 110);
        EXPECT_EQ(OutFrame(out, g, 2, 0), 550 + 220 + 110);
        if (channels == 2) {
            EXPECT_EQ(OutFrame(out, g, 1, 0, 1), -605);
            EXPECT_EQ(OutFrame(out, g, 0, 500, 1), -OutFrame(out, g, 0, 500, 0));
        }
    }
}

TEST(StretchChunks, ToneKeepsItsPitchAndDoublesItsLengthAtHalfSpeed) {
    const StretchGeometry g = MakeStretchGeometry(11025, 2, 50);
    const auto source = ToBytes(testing::Tone(11025 * 2, 1, 440.0));
    constexpr int chunks = 40;
    std::vector<std::uint8_t> out(chunks * g.outChunkBytes);
    ASSERT_EQ(StretchChunks(source, 0, chunks, g, out), chunks);
    const std::size_t outFrames = out.size() / 2;
    const std::size_t sourceFrames = chunks * g.inChunkBytes / 2;
    EXPECT_NEAR(double(outFrames) / double(sourceFrames), 2.0, 0.02);
    int rising = 0;
    for (std::size_t i = 1; i < outFrames; ++i)
        if (SampleAt(out.data(), i - 1, 1, 0) < 0 && SampleAt(out.data(), i, 1, 0) >= 0) ++rising;
    EXPECT_NEAR(rising / (double(outFrames) / 11025.0), 440.0, 4.4);
}

TEST(StretchChunks, AStreamCutShortHoldsItsLastFrameAndStaysInItsBuffers) {
    const StretchGeometry g = MakeStretchGeometry(11025, 2, 50);
    constexpr std::size_t guard = 16;
    struct Case {
        const char* what;
        std::size_t sourceFrames;
        int chunksAsked, chunksFit, chunksWritten, lastValue;
    } cases[] = {
        {"300 frames, 3 chunks", 300, 3, 3, 3, 299},
        {"no data", 0, 2, 2, 2, 0},
        {"room for one chunk", 4000, 3, 1, 1, 659},  // 1/110 of 659 and 109/110 of 660
    };
    for (const Case& c : cases) {
        const auto source = ToBytes(RampSamples(c.sourceFrames, 1));
        std::vector<std::uint8_t> out(c.chunksFit * g.outChunkBytes + guard, 0xEE);
        EXPECT_EQ(StretchChunks(source, 0, c.chunksAsked, g, std::span(out).first(out.size() - guard)),
                  c.chunksWritten)
            << c.what;
        EXPECT_EQ(OutFrame(out, g, c.chunksWritten - 1, g.chunkFrames - 1), c.lastValue) << c.what;
        for (std::size_t i = out.size() - guard; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << c.what;
    }
}

}  // namespace
}  // namespace earloop
