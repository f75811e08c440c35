#include "analysis/spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include "fakes/sample_bytes.h"

namespace earloop {
namespace {

TEST(Spectrum, BinsAndLevelsFollowRateChoiceAndRange) {
    struct Bins { std::uint32_t rate; int choice, range, points, step0, step119, step599; } bins[] = {
        {11025, 2, 3, 1024, 6, 12, 191}, {11025, 3, 3, 2048, 12, 24, 382}, {11025, 1, 4, 512, 1, 3, 48},
        {22050, 3, 3, 2048, 6, 12, 191}, {11025, 3, 2, 2048, 24, 48, 763}};
    for (const Bins& c : bins) {
        const AnalysisBlock b = SetAnalysisBlock(c.rate, c.choice, c.range);
        EXPECT_EQ(std::vector({b.points, b.pitchTable[0], b.pitchTable[119], b.pitchTable[599]}),
                  std::vector({c.points, c.step0, c.step119, c.step599})) << c.rate << " choice " << c.choice;
    }
    // Magnitude k in bin k: a level is its step's bin times the range's weight.
    std::vector<double> ramp(kMaxAnalysisPoints);
    for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<double>(k);
    struct Level { int range, step; double level; } levels[] = {
        {3, 599, 382}, {2, 0, 0.1 * 24}, {2, 120, 0.1 * 48}, {2, 239, 0.9925 * 95}, {2, 240, 96},
        {4, 239, 24}, {4, 240, 24}, {4, 359, 0.1075 * 48}, {4, 360, 0.1 * 48}};
    std::array<double, kPitchSteps> out{};
    for (const Level& c : levels) {
        BuildPitchLevels(SetAnalysisBlock(11025, 3, c.range), ramp, out);
        EXPECT_NEAR(out[c.step], c.level, 1e-9) << "range " << c.range << " step " << c.step;
    }
}

TEST(Spectrum, FftOfKnownSignalsHasScaledMagnitudesInNaturalOrder) {
    enum Signal { kImpulse, kExponential, kCosine };
    struct Case { Signal signal; int sign; } cases[] = {
        {kImpulse, 1}, {kExponential, 1}, {kExponential, -1}, {kCosine, 1}};
    constexpr std::size_t kBin = 37;
    for (std::size_t n : {512u, 1024u, 2048u}) {
        for (const Case& c : cases) {
            std::vector<double> re(n + 4, 7.0), im(n + 4, 7.0);
            std::vector<double> expected(n, c.signal == kImpulse ? 1 / std::sqrt(n) : 0.0);
            for (std::size_t i = 0; i < n; ++i) {
                const double phase = 2 * std::numbers::pi * static_cast<double>(kBin * i) / static_cast<double>(n);
                re[i] = c.signal == kImpulse ? (i == 0) : (c.signal == kCosine ? 3 : 1) * std::cos(phase);
                im[i] = c.signal == kExponential ? std::sin(phase) : 0.0;
            }
            if (c.signal == kExponential) expected[c.sign == 1 ? kBin : n - kBin] = std::sqrt(n);
            if (c.signal == kCosine) expected[kBin] = expected[n - kBin] = 1.5 * std::sqrt(n);
            Fft(c.sign, std::span(re).first(n), std::span(im).first(n));
            for (std::size_t k = 0; k < n; ++k) {
                ASSERT_NEAR(std::hypot(re[k], im[k]), expected[k], 1e-5) << n << " signal " << c.signal << " bin " << k;
            }
            EXPECT_EQ(re[n] + re[n + 3] + im[n] + im[n + 3], 4 * 7.0) << "past the end";
        }
    }
}

TEST(Spectrum, BlockMixOffsetsAndPeak) {
    // A steady block mixes to one value s; bin 0 holds frames x |s| / sqrt(512).
    struct Case { const char* what; int channels, left, right; bool dc, vocal; std::size_t frames; int s; } cases[] = {
        {"mono, not halved", 1, 1000, 0, false, false, 2000, 1000}, {"mono, offset", 1, 1000, 0, true, false, 2000, 0},
        {"stereo, halves", 2, 1001, 3001, false, false, 2000, 500 + 1500},
        {"stereo, toward 0", 2, -3, -3, false, false, 2000, -2},
        {"stereo, vocal canceller", 2, 1001, 3001, false, true, 2000, 500 - 1500},
        {"short, silence after", 1, 1000, 0, false, false, 100, 1000},
        {"short, offset", 1, 1000, 0, true, false, 100, 0}};
    for (const Case& c : cases) {
        std::vector<std::int16_t> samples(c.frames * c.channels, static_cast<std::int16_t>(c.left));
        for (std::size_t i = 1; c.channels == 2 && i < samples.size(); i += 2) {
            samples[i] = static_cast<std::int16_t>(c.right);
        }
        SpectrumBuffers out;
        ComputeSpectrum(testing::ToBytes(samples), c.frames * 2 * c.channels, 512, 2 * c.channels, c.channels,
                        {.removeDcOffset = c.dc, .vocalCancel = c.vocal}, out);
        const double frames = std::min<double>(c.frames, 512);
        EXPECT_NEAR(out.spectrum[0], frames * std::abs(c.s) / std::sqrt(512.0), 1e-6) << c.what;
        EXPECT_EQ(out.blockPeak, std::max(c.s, 0)) << c.what;
    }
    // Frame f holds f: the block's first frame shows in its sum and its peak.
    std::vector<std::int16_t> ramp(3000);
    for (std::size_t f = 0; f < ramp.size(); ++f) ramp[f] = static_cast<std::int16_t>(f);
    const std::tuple<std::size_t, bool, int> blocks[] = {
        {1000, true, 488}, {0, true, 0}, {300, true, 0}, {1000, false, 1000}};
    for (auto [end, beforeEnd, first] : blocks) {
        SpectrumBuffers out;
        ComputeSpectrum(testing::ToBytes(ramp), end * 2, 512, 2, 1,
                        {.removeDcOffset = false, .blockBeforeEnd = beforeEnd}, out);
        EXPECT_NEAR(out.spectrum[0], (2.0 * first + 511) * 256 / std::sqrt(512.0), 1e-6) << end;
        EXPECT_EQ(out.blockPeak, first + 511) << end;
    }
}

TEST(Spectrum, AnalysisPositionKeepsTheBlockInsideTheWave) {
    struct Case { std::uint32_t position, block, work, align, result; } cases[] = {
        {0, 4096, 100000, 2, 0}, {4096, 4096, 100000, 2, 8192}, {8192, 8192, 100000, 4, 16384},
        {5001, 4096, 100000, 2, 5000}, {95903, 4096, 100000, 2, 95902}, {95904, 4096, 100000, 2, 95904},
        {95999, 8192, 100000, 4, 91808}, {2000, 4096, 3000, 2, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(AnalysisPosition(c.position, c.block, c.work, c.align), c.result) << c.position;
    }
}

}  // namespace
}  // namespace earloop
