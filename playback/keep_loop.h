#pragma once
// The Keep loop: a short buffer, built from a window of the wave, that the
// output repeats endlessly without an audible seam. Two builders, chosen by
// the Keep mode setting: SingleLoop (mode 0) repeats one forward stretch whose
// start matches the sound after its end; DoubleLoop (mode 1) plays the window
// backward, then forward, turning where the two directions match.
//
// The match window and the blend are 10 ms and the search 20 ms of the output
// rate, while the window is fixed in frames; at high rates and with short
// windows a full search would leave a run shorter than its own blend (or, for
// DoubleLoop, a negative length). Both builders therefore use a blend of
// min(R, F / 2) frames (at most kMaxMatchFrames) and search lags only up to
// F - 2 x blend (F = window frames), above kFullSearchRate in two passes
// (FindNearBestLag): the best lag is the same as the full search's whenever
// that one leaves each run at least two blends long, and otherwise it is the
// best lag that does, so the loop stays seamless and is never longer than
// 2 x window.

#include <cstddef>
#include <cstdint>
#include <span>

#include "wave/sample_store.h"

namespace earloop {

// The program's Keep buffer at the working rate; the longest loop (2 x 2048
// stereo frames) is 16384 bytes. Full-quality play needs kMaxRateScale times it.
inline constexpr std::size_t kKeepBufferBytes = 20000;
// Windows longer than this (2048 stereo frames at the working rate, as many
// more as the highest full-quality rate has) are shortened to it.
inline constexpr std::uint32_t kMaxKeepWindowBytes = 2048 * 4 * kMaxRateScale;

// Both builders read the window of `windowBytes` bytes at `start` of
// `samples` (the whole active data; frames past its end repeat its last
// frame), write the loop at the start of `keep` and return its length in
// bytes. `blockAlign` is 2 (mono) or 4 (stereo), `outputRate` the rate the
// loop is played at. The window is shortened to whole frames, to
// kMaxKeepWindowBytes and to half of `keep`, so nothing is written past
// 2 x window; 0 when no frame fits.

// The body runs from start + lag to the window's end, lag being where the
// 10 ms after the window's end match best; its first 10 ms blend from the
// body's start toward that following sound. The body is written twice in a
// row: returns 2 x (window - lag).
std::uint32_t SingleLoop(std::span<const std::uint8_t> samples, std::uint32_t start, std::uint32_t windowBytes,
                         std::uint32_t blockAlign, std::uint32_t outputRate, std::span<std::uint8_t> keep);

// A backward run from near the window's end to its start, then a forward run
// from near its start to its end, each beginning with a blend toward the end
// of the other direction. Returns the two runs' length, at most
// 2 x (window - blend).
std::uint32_t DoubleLoop(std::span<const std::uint8_t> samples, std::uint32_t start, std::uint32_t windowBytes,
                         std::uint32_t blockAlign, std::uint32_t outputRate, std::span<std::uint8_t> keep);

}  // namespace earloop
