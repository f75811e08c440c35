#include "playback/time_stretch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "playback/sample_frames.h"
#include "wave/sample_store.h"

namespace earloop {

namespace sf = sample_frames;

double PitchFactor(int pitchShift) {
    return std::pow(kSemitoneRatio, std::clamp(pitchShift, kMinPitchShift, kMaxPitchShift));
}

std::uint32_t PitchShiftedRate(int pitchShift) {
    return static_cast<std::uint32_t>(WORKING_RATE * PitchFactor(pitchShift));
}

int CompensatedSpeedPercent(int pitchShift) {
    if (pitchShift < 1) return 100;
    return static_cast<int>(100.0 / PitchFactor(pitchShift) + 0.5);
}

StretchGeometry MakeStretchGeometry(std::uint32_t rate, std::uint32_t blockAlign, int speedPercent) {
    StretchGeometry g;
    g.blockAlign = blockAlign;
    g.rate = rate;
    g.speedPercent = std::clamp(speedPercent, 1, 100);
    if (blockAlign == 0) return g;
    g.matchFrames = rate / 100;
    g.matchBytes = g.matchFrames * blockAlign;
    g.maxLag = rate / 50;
    g.outChunkBytes = blockAlign * rate / 20;
    g.outChunkBytes -= g.outChunkBytes % blockAlign;
    g.inChunkBytes = g.outChunkBytes * static_cast<std::uint32_t>(g.speedPercent) / 100;
    g.inChunkBytes -= g.inChunkBytes % blockAlign;
    g.chunkFrames = g.outChunkBytes / blockAlign;
    g.searchStride = SearchStride(rate);
    return g;
}

StretchGeometry ScaleGeometry(const StretchGeometry& working, double scale, std::uint32_t rate) {
    StretchGeometry g = working;
    const auto scaled = [scale](std::uint32_t frames) {
        return static_cast<std::uint32_t>(std::lround(frames * scale));
    };
    const std::uint32_t ba = working.blockAlign;
    if (ba == 0) return g;
    g.rate = rate;
    g.matchFrames = scaled(working.matchFrames);
    g.matchBytes = g.matchFrames * ba;
    g.maxLag = scaled(working.maxLag);
    g.chunkFrames = scaled(working.chunkFrames);
    g.outChunkBytes = g.chunkFrames * ba;
    g.inChunkBytes = scaled(working.inChunkBytes / ba) * ba;
    g.searchStride = SearchStride(rate);
    return g;
}

std::uint32_t SearchStride(std::uint32_t rate) { return std::max(1u, (rate + kFullSearchRate - 1) / kFullSearchRate); }

std::uint32_t FindBestLag(std::span<const std::uint8_t> reference, std::span<const std::uint8_t> search,
                          std::uint32_t blockAlign, std::uint32_t matchFrames, std::uint32_t maxLag) {
    if (blockAlign < 2) return 0;
    matchFrames = std::min(matchFrames, kMaxMatchFrames);
    maxLag = std::min(maxLag, kMaxLagFrames);
    const auto first = [blockAlign](std::span<const std::uint8_t> s, std::size_t frame) -> double {
        const std::size_t at = frame * blockAlign;
        return at + 2 <= s.size() ? sf::Read(s.data() + at) : 0.0;
    };
    std::array<double, kMaxMatchFrames> ref;
    std::array<double, kMaxMatchFrames + kMaxLagFrames> candidate;
    std::array<double, kMaxLagFrames + 1> score{};
    for (std::uint32_t i = 0; i < matchFrames; ++i) ref[i] = first(reference, i);
    for (std::uint32_t i = 0; i < matchFrames + maxLag; ++i) candidate[i] = first(search, i);
    // Every lag's score is still summed over i in order, but the inner loop
    // runs across the lags, where it vectorises: this search is most of the
    // stretch's work.
    for (std::uint32_t i = 0; i < matchFrames; ++i) {
        const double r = ref[i];
        const double* c = candidate.data() + i;
        for (std::uint32_t k = 0; k <= maxLag; ++k) score[k] += r * c[k];
    }
    double best = 0.0;
    std::uint32_t bestLag = 0;
    for (std::uint32_t k = 0; k <= maxLag; ++k) {
        if (score[k] > best) {
            best = score[k];
            bestLag = k;
        }
    }
    return bestLag * blockAlign;
}

std::uint32_t FindNearBestLag(std::span<const std::uint8_t> reference, std::span<const std::uint8_t> search,
                              std::uint32_t blockAlign, std::uint32_t matchFrames, std::uint32_t maxLag,
                              std::uint32_t stride) {
    if (stride <= 1) return FindBestLag(reference, search, blockAlign, matchFrames, maxLag);
    const std::uint32_t coarse =
        FindBestLag(reference, search, blockAlign * stride, matchFrames / stride, maxLag / stride) / blockAlign;
    const std::uint32_t low = coarse > stride - 1 ? coarse - (stride - 1) : 0;
    const std::uint32_t high = std::min(maxLag, coarse + stride - 1);
    const std::size_t skipped = std::min<std::size_t>(std::size_t{low} * blockAlign, search.size());
    return std::uint32_t{low} * blockAlign +
           FindBestLag(reference, search.subspan(skipped), blockAlign, matchFrames, high - low);
}

void CrossFade(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::span<std::uint8_t> out,
               std::uint32_t n, std::uint32_t blockAlign) {
    if (blockAlign < 2) return;
    const std::uint32_t fit = std::min<std::size_t>(n, out.size() / blockAlign);
    const auto sample = [](std::span<const std::uint8_t> s, std::size_t at) -> double {
        return at + 2 <= s.size() ? sf::Read(s.data() + at) : 0.0;
    };
    const double dn = n;
    for (std::uint32_t j = 0; j < fit; ++j) {
        for (std::uint32_t c = 0; c + 2 <= blockAlign; c += 2) {
            const std::size_t at = std::size_t{j} * blockAlign + c;
            const double blended = (double(n - j) * sample(a, at)) / dn + (double(j) * sample(b, at)) / dn;
            sf::Write(out.data() + at, static_cast<int>(blended));
        }
    }
}

int StretchChunks(std::span<const std::uint8_t> samples, std::uint32_t sourceOffset, int chunkCount,
                  const StretchGeometry& g, std::span<std::uint8_t> out, std::uint32_t& lag) {
    if (g.blockAlign < 2 || g.blockAlign > 4 || g.outChunkBytes == 0 || g.matchFrames > kMaxMatchFrames ||
        g.matchFrames > g.chunkFrames || chunkCount < 1)
        return 0;
    const int chunks = static_cast<int>(std::min<std::size_t>(chunkCount, out.size() / g.outChunkBytes));
    const std::int64_t ba = g.blockAlign;
    const std::int64_t w = g.matchBytes;
    const std::int64_t dataBytes = static_cast<std::int64_t>(samples.size());
    // The last whole frame of the data, where reads past the end are held.
    const std::int64_t lastFrame = dataBytes >= ba ? dataBytes - ba - dataBytes % ba : 0;
    const auto tail = [&](std::int64_t offset) { return samples.subspan(std::clamp<std::int64_t>(offset, 0, dataBytes)); };

    std::array<std::uint8_t, kMaxMatchFrames * 4> before{};  // blend start: one frame behind the source
    std::array<std::uint8_t, kMaxMatchFrames * 4> source{};  // blend end: the source frames themselves
    for (int q = 0; q < chunks; ++q) {
        std::uint8_t* chunk = out.data() + std::size_t(q) * g.outChunkBytes;
        const std::int64_t chunkBase = std::int64_t{sourceOffset} + std::int64_t{q} * g.inChunkBytes + lag;
        sf::CopyHeld(samples, chunkBase + g.matchFrames * ba, g.chunkFrames, g.blockAlign, chunk);

        const std::int64_t lastRaw = chunkBase + (std::int64_t{g.matchFrames} + g.chunkFrames - 1) * ba;
        const std::int64_t lastClamped = std::min(lastRaw, lastFrame);
        const std::int64_t p = lastClamped - w;
        const std::int64_t nextBase = std::int64_t{sourceOffset} + std::int64_t{q + 1} * g.inChunkBytes;
        lag = FindNearBestLag(tail(p), tail(nextBase), g.blockAlign, g.matchFrames, g.maxLag, g.searchStride);

        const std::size_t blendBytes = std::size_t{g.matchFrames} * g.blockAlign;
        sf::CopyHeld(samples, lastRaw - w, g.matchFrames, g.blockAlign, before.data());
        sf::CopyHeld(samples, p + ba, g.matchFrames, g.blockAlign, source.data());
        CrossFade(std::span(before.data(), blendBytes), std::span(source.data(), blendBytes),
                  std::span(chunk + g.outChunkBytes - blendBytes, blendBytes), g.matchFrames, g.blockAlign);
    }
    return chunks;
}

}  // namespace earloop
