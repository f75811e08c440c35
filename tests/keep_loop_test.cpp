#include "playback/keep_loop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fakes/sample_bytes.h"
#include "fakes/wav_builder.h"

namespace earloop {
namespace {

using testing::RampSamples;
using testing::SampleAt;
using testing::ToBytes;

using Builder = std::uint32_t (*)(std::span<const std::uint8_t>, std::uint32_t, std::uint32_t, std::uint32_t,
                                  std::uint32_t, std::span<std::uint8_t>);

constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xEE;

// A Keep buffer of `capacity` bytes followed by guard bytes.
struct KeepBuffer {
    explicit KeepBuffer(std::size_t capacity = kKeepBufferBytes) : bytes(capacity + kGuard, kGuardByte) {}
    std::span<std::uint8_t> Span() { return std::span(bytes).first(bytes.size() - kGuard); }
    bool GuardIntact() const {
        for (std::size_t i = bytes.size() - kGuard; i < bytes.size(); ++i)
            if (bytes[i] != kGuardByte) return false;
        return true;
    }
    int At(std::size_t frame, int channels, int channel = 0) const {
        return SampleAt(bytes.data(), frame, channels, channel);
    }
    std::vector<std::uint8_t> bytes;
};

TEST(KeepLoop, LengthsOnSilenceAndOnARamp) {
    // On a rising ramp a later lag always scores higher, a reversed one lower:
    // SingleLoop and DoubleLoop's forward turn take the search's far end,
    // DoubleLoop's backward turn lag 0.
    struct Case {
        const char* what;
        Builder build;
        bool ramp;
        std::uint32_t windowFrames, rate, loopFrames;
    } cases[] = {
        {"single, silence", SingleLoop, false, 1024, 11025, 2 * 1024},
        {"single, ramp", SingleLoop, true, 1024, 11025, 2 * (1024 - 220)},
        {"double, silence", DoubleLoop, false, 1024, 11025, 2 * (1024 - 110)},
        {"double, ramp", DoubleLoop, true, 1024, 11025, (1024 - 110) + (1024 - 220 - 110)},
        // 512 frames at +12 (R 220, maxLag 441): the search stops at 512 - 440 = 72.
        {"single, short window, high rate", SingleLoop, true, 512, 22050, 2 * (512 - 72)},
        {"double, short window, high rate", DoubleLoop, true, 512, 22050, (512 - 220) + (512 - 72 - 220)},
    };
    for (std::uint16_t channels : {1, 2}) {
        const std::uint32_t ba = channels * 2u;
        const auto ramp = ToBytes(RampSamples(6000, channels));
        const std::vector<std::uint8_t> silence(ramp.size(), 0);
        for (const Case& c : cases) {
            KeepBuffer keep;
            const std::uint32_t length =
                c.build(c.ramp ? ramp : silence, 1000 * ba, c.windowFrames * ba, ba, c.rate, keep.Span());
            EXPECT_EQ(length, c.loopFrames * ba) << c.what << ", " << channels << " channels";
            EXPECT_TRUE(keep.GuardIntact()) << c.what;
        }
    }
}

TEST(KeepLoop, SingleLoopHoldsItsBodyTwiceWithBothChannels) {
    const auto ramp = ToBytes(RampSamples(6000, 2));
    KeepBuffer keep;
    const std::uint32_t length = SingleLoop(ramp, 1000 * 4, 1024 * 4, 4, 11025, keep.Span());
    const std::size_t body = length / 8;  // frames
    ASSERT_EQ(body, 1024u - 220);
    EXPECT_EQ(keep.At(0, 2), 1000 + 220);  // the blend starts on the body's start
    EXPECT_EQ(keep.At(110, 2), 1000 + 220 + 110);
    EXPECT_EQ(keep.At(body - 1, 2), 1000 + 1023);
    for (std::size_t i = 0; i < body; ++i) {
        ASSERT_EQ(keep.At(body + i, 2), keep.At(i, 2)) << i;
        ASSERT_EQ(keep.At(i, 2, 1), -keep.At(i, 2, 0)) << i;
    }
}

TEST(KeepLoop, DoubleLoopRunsBackwardThenForward) {
    const auto ramp = ToBytes(RampSamples(6000, 2));
    KeepBuffer keep;
    const std::uint32_t frames = DoubleLoop(ramp, 1000 * 4, 1024 * 4, 4, 11025, keep.Span()) / 4;
    const std::uint32_t x1 = 1024 - 110;
    ASSERT_EQ(frames, x1 + (1024 - 220 - 110));
    EXPECT_EQ(keep.At(200, 2), 1000 + 1023 - 200);      // backward, past the first blend
    EXPECT_EQ(keep.At(x1 - 1, 2), 1000 + 110);
    EXPECT_EQ(keep.At(x1, 2), 1000 + 220);              // forward from the turn
    EXPECT_EQ(keep.At(frames - 1, 2), 1000 + 1023 - 110);
    for (std::uint32_t i = 0; i < frames; ++i) ASSERT_EQ(keep.At(i, 2, 1), -keep.At(i, 2, 0)) << i;
}

TEST(KeepLoop, AWindowLongerThanHalfTheBufferIsShortenedToFit) {
    const auto ramp = ToBytes(RampSamples(6000, 1));
    for (Builder build : {SingleLoop, DoubleLoop}) {
        KeepBuffer keep(3000);
        const std::uint32_t length = build(ramp, 0, 2048 * 2, 2, 11025, keep.Span());
        EXPECT_GT(length, 0u);
        EXPECT_LE(length, 3000u);
        EXPECT_TRUE(keep.GuardIntact());
    }
}

// The right channel is in phase with the left: the turns of DoubleLoop are
// matched on the left channel only, and a time-reversed sine meets its
// forward run smoothly only where the channel it was matched on does.
TEST(KeepLoop, NoClickAcrossTheSeamOfASteadyTone) {
    struct Case {
        std::uint32_t windowFrames, rate;
    } cases[] = {{512, 11025}, {1024, 11025}, {2048, 11025}, {512, 16518}, {512, 22050}, {2048, 22050}};
    for (Builder build : {SingleLoop, DoubleLoop}) {
        for (int channels : {1, 2}) {
            const auto tone = ToBytes(testing::Tone(8000, channels, 440.0));
            const std::uint32_t ba = 2u * channels;
            const std::uint32_t start = 3000;
            for (const Case& c : cases) {
                KeepBuffer keep;
                const std::uint32_t frames =
                    build(tone, start * ba, c.windowFrames * ba, ba, c.rate, keep.Span()) / ba;
                ASSERT_GT(frames, 2u);
                EXPECT_TRUE(keep.GuardIntact());
                for (int ch = 0; ch < channels; ++ch) {
                    int inside = 0;
                    for (std::uint32_t i = start + 1; i < start + c.windowFrames; ++i)
                        inside = std::max(inside, std::abs(SampleAt(tone.data(), i, channels, ch) -
                                                           SampleAt(tone.data(), i - 1, channels, ch)));
                    const int seam = std::abs(keep.At(0, channels, ch) - keep.At(frames - 1, channels, ch));
                    EXPECT_LE(seam, 1.5 * inside)
                        << (build == SingleLoop ? "single" : "double") << ", " << channels << " channels, "
                        << c.windowFrames << " frames at " << c.rate << " Hz, channel " << ch;
                }
            }
        }
    }
}

}  // namespace
}  // namespace earloop
