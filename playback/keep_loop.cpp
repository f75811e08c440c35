#include "playback/keep_loop.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "playback/sample_frames.h"
#include "playback/time_stretch.h"

namespace earloop {

namespace {

// Window, blend and search limit shared by both builders.
struct LoopShape {
    std::uint32_t ba = 0;
    std::uint32_t windowBytes = 0;  // L, whole frames
    std::uint32_t frames = 0;       // F
    std::uint32_t blend = 0;        // frames of the match window and of each blend
    std::uint32_t maxLag = 0;       // frames
    std::uint32_t stride = 1;       // of the lag search
    std::uint32_t start = 0;        // aligned
};

bool Shape(std::uint32_t start, std::uint32_t windowBytes, std::uint32_t blockAlign, std::uint32_t outputRate,
           std::size_t capacity, LoopShape& s) {
    if (blockAlign != 2 && blockAlign != 4) return false;
    s.ba = blockAlign;
    const std::size_t longest = std::min<std::size_t>({windowBytes, capacity / 2, kMaxKeepWindowBytes});
    s.windowBytes = static_cast<std::uint32_t>(longest - longest % blockAlign);
    s.frames = s.windowBytes / blockAlign;
    if (s.frames == 0) return false;
    s.blend = std::min({outputRate / 100, s.frames / 2, kMaxMatchFrames});
    s.maxLag = std::min(outputRate / 50, s.frames - 2 * s.blend);
    s.stride = SearchStride(outputRate);
    s.start = start - start % blockAlign;
    return true;
}

std::span<const std::uint8_t> From(std::span<const std::uint8_t> data, std::size_t offset) {
    return data.subspan(std::min(offset, data.size()));
}

}  // namespace

std::uint32_t SingleLoop(std::span<const std::uint8_t> samples, std::uint32_t start, std::uint32_t windowBytes,
                         std::uint32_t blockAlign, std::uint32_t outputRate, std::span<std::uint8_t> keep) {
    LoopShape s;
    if (!Shape(start, windowBytes, blockAlign, outputRate, keep.size(), s)) return 0;
    const std::size_t windowEnd = std::size_t{s.start} + s.windowBytes;
    const std::uint32_t lag =
        FindNearBestLag(From(samples, windowEnd), From(samples, s.start), s.ba, s.blend, s.maxLag, s.stride);
    const std::uint32_t body = s.windowBytes - lag;
    const std::uint32_t bodyFrames = body / s.ba;

    sample_frames::CopyHeld(samples, std::int64_t{s.start} + lag, bodyFrames, s.ba, keep.data());
    std::array<std::uint8_t, kMaxMatchFrames * 4> after{};  // the sound right after the window
    const std::size_t blendBytes = std::size_t{s.blend} * s.ba;
    sample_frames::CopyHeld(samples, static_cast<std::int64_t>(windowEnd), s.blend, s.ba, after.data());
    CrossFade(keep.first(blendBytes), std::span(after.data(), blendBytes), keep.first(blendBytes), s.blend, s.ba);
    std::memcpy(keep.data() + body, keep.data(), body);
    return 2 * body;
}

std::uint32_t DoubleLoop(std::span<const std::uint8_t> samples, std::uint32_t start, std::uint32_t windowBytes,
                         std::uint32_t blockAlign, std::uint32_t outputRate, std::span<std::uint8_t> keep) {
    LoopShape s;
    if (!Shape(start, windowBytes, blockAlign, outputRate, keep.size(), s)) return 0;
    std::array<std::uint8_t, kMaxKeepWindowBytes> forward;
    std::array<std::uint8_t, kMaxKeepWindowBytes> backward;
    sample_frames::CopyHeld(samples, s.start, s.frames, s.ba, forward.data());
    for (std::uint32_t k = 0; k < s.frames; ++k)
        std::memcpy(backward.data() + std::size_t{s.frames - 1 - k} * s.ba, forward.data() + std::size_t{k} * s.ba,
                    s.ba);
    const std::span<const std::uint8_t> fwd(forward.data(), s.windowBytes);
    const std::span<const std::uint8_t> bwd(backward.data(), s.windowBytes);
    const std::uint32_t blendBytes = s.blend * s.ba;
    const std::uint32_t tailStart = s.windowBytes - blendBytes;  // the last blend of each direction

    // Turning at the window's end: where the backward run best continues its last 10 ms.
    const std::uint32_t lag1 = FindNearBestLag(fwd.subspan(tailStart), bwd, s.ba, s.blend, s.maxLag, s.stride);
    const std::uint32_t x1 = s.windowBytes - lag1 - blendBytes;
    const auto down = bwd.subspan(lag1);  // blend + x1 bytes
    // Turning at the window's start: where the forward run best continues the backward run's end.
    const std::uint32_t lag2 = FindNearBestLag(bwd.subspan(tailStart), fwd, s.ba, s.blend, s.maxLag, s.stride);
    const std::uint32_t x2 = s.windowBytes - lag2 - blendBytes;
    const auto up = fwd.subspan(lag2);  // blend + x2 bytes

    CrossFade(down, up.subspan(x2), keep, s.blend, s.ba);
    std::memcpy(keep.data() + blendBytes, down.data() + blendBytes, x1 - blendBytes);
    CrossFade(up, down.subspan(x1), keep.subspan(x1), s.blend, s.ba);
    std::memcpy(keep.data() + x1 + blendBytes, up.data() + blendBytes, x2 - blendBytes);
    return x1 + x2;
}

}  // namespace earloop
