#include "playback/keep_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fakes/sample_bytes.h"
#include "fakes/wav_builder.h"

namespace earloop {
namespace {

using testing::GuardedBuffer;
using testing::ToBytes;

using Builder = decltype(&SingleLoop);

TEST(KeepLoop, LengthsOnSilenceAndOnARampStayInTheBuffer) {
    // On a rising ramp a later lag always scores higher, a reversed one lower:
    // SingleLoop and DoubleLoop's forward turn take the search's far end,
    // DoubleLoop's backward turn lag 0. Windows and loops in frames, the
    // buffer in bytes per channel.
    struct Case { const char* what; Builder build; bool ramp; std::uint32_t window, rate, buffer, loop; } cases[] = {
        {"single, silence", SingleLoop, false, 1024, 11025, 10000, 2 * 1024},
        {"single, ramp", SingleLoop, true, 1024, 11025, 10000, 2 * (1024 - 220)},
        {"double, silence", DoubleLoop, false, 1024, 11025, 10000, 2 * (1024 - 110)},
        {"double, ramp", DoubleLoop, true, 1024, 11025, 10000, (1024 - 110) + (1024 - 220 - 110)},
        // At +12 (R 220, maxLag 441) the search stops at 512 - 440 = 72.
        {"single, short window, high rate", SingleLoop, true, 512, 22050, 10000, 2 * (512 - 72)},
        {"double, short window, high rate", DoubleLoop, true, 512, 22050, 10000, (512 - 220) + (512 - 72 - 220)},
        // Shortened to half the buffer: 750 frames.
        {"single, window over half the buffer", SingleLoop, true, 2048, 11025, 3000, 2 * (750 - 220)},
        {"double, window over half the buffer", DoubleLoop, true, 2048, 11025, 3000, (750 - 110) + (750 - 220 - 110)},
    };
    for (int channels : {1, 2}) {
        const std::uint32_t ba = 2 * channels;
        const auto ramp = ToBytes(testing::RampSamples(6000, channels));
        const std::vector<std::uint8_t> silence(ramp.size(), 0);
        for (const Case& c : cases) {
            GuardedBuffer keep(c.buffer * channels);
            EXPECT_EQ(c.build(c.ramp ? ramp : silence, 1000 * ba, c.window * ba, ba, c.rate, keep.Span()), c.loop * ba)
                << c.what << ", " << channels << " channels";
            EXPECT_TRUE(keep.GuardIntact()) << c.what << ", " << channels << " channels";
        }
    }
}

TEST(KeepLoop, RampLoopsRunThroughTheWindowWithBothChannels) {
    // Frames 1000..2023 of a stereo ramp; every run starts with a 110-frame blend.
    const auto ramp = ToBytes(testing::RampSamples(6000, 2));
    GuardedBuffer single(kKeepBufferBytes), twice(kKeepBufferBytes);
    // SingleLoop: the body from lag 220 to the window's end, twice.
    const std::uint32_t body = SingleLoop(ramp, 1000 * 4, 1024 * 4, 4, 11025, single.Span()) / 8;
    ASSERT_EQ(body, 1024u - 220);
    EXPECT_TRUE(std::equal(single.bytes.begin(), single.bytes.begin() + body * 4, single.bytes.begin() + body * 4));
    EXPECT_EQ(single.At(55, 2), 1677);  // halfway from 1275 toward 2079, the sound after the window
    for (std::uint32_t i = 0; i < body; ++i) {
        ASSERT_EQ(single.At(i, 2, 1), -single.At(i, 2)) << i;
        if (i == 0 || i >= 110) { ASSERT_EQ(single.At(i, 2), 1000 + 220 + int(i)) << i; }
    }
    // DoubleLoop: backward from the window's end for x1 frames, then forward from lag 220 to 110 before the end.
    const std::uint32_t x1 = 1024 - 110, frames = DoubleLoop(ramp, 1000 * 4, 1024 * 4, 4, 11025, twice.Span()) / 4;
    ASSERT_EQ(frames, x1 + (1024 - 220 - 110));
    for (std::uint32_t i = 0; i < frames; ++i) {
        ASSERT_EQ(twice.At(i, 2, 1), -twice.At(i, 2)) << i;
        if (i == 0 || (i >= 110 && i < x1)) { ASSERT_EQ(twice.At(i, 2), 1000 + 1023 - int(i)) << i; }
        if (i == x1 || i >= x1 + 110) { ASSERT_EQ(twice.At(i, 2), 1000 + 220 + int(i - x1)) << i; }
    }
}

}  // namespace
}  // namespace earloop
