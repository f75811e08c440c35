#pragma once
// Slowing the play down without changing its pitch, and the pitch shift that
// re-tunes the output rate. Pure functions over signed 16-bit little-endian
// samples (mono or interleaved stereo, frame stride `blockAlign`).
//
// Every function takes the samples it may read as a span and never reads
// outside it: the spans end where the data ends, so a stream or window that
// runs past the data is handled here, not by trusting the caller's bounds.

#include <cstdint>
#include <span>

namespace earloop {

// Pitch shift range in semitones.
inline constexpr int kMinPitchShift = -5;
inline constexpr int kMaxPitchShift = 12;

// The semitone ratio as the program has always used it (12 significant
// digits, not 2^(1/12) to full precision): the rates and the speed table
// follow from this exact constant.
inline constexpr double kSemitoneRatio = 1.05946309436;

// kSemitoneRatio ^ shift, the shift held to kMinPitchShift..kMaxPitchShift.
double PitchFactor(int pitchShift);
// The output rate that plays the working samples `pitchShift` semitones
// higher: trunc(11025 x PitchFactor). 22050 at +12, 8259 at -5.
std::uint32_t PitchShiftedRate(int pitchShift);
// The play speed that keeps the tempo of a shift up: trunc(100 / factor + 0.5)
// for shifts of 1 and more; 100 otherwise (a shift down plays slower).
int CompensatedSpeedPercent(int pitchShift);

// The match window and the search width bound the work of FindBestLag; at the
// highest working rate (22050 Hz) they are 220 and 441 frames, and the match
// window of full-quality play reaches 10 ms of twice kMaxFullQualityRate.
// Longer ones are cut to these.
inline constexpr std::uint32_t kMaxMatchFrames = 4096;
inline constexpr std::uint32_t kMaxLagFrames = 599;
// Up to this rate every lag is searched; above it the search first steps
// over every SearchStride-th frame.
inline constexpr std::uint32_t kFullSearchRate = 22050;

// Lengths of the stretch for one output format and speed.
struct StretchGeometry {
    std::uint32_t blockAlign = 0;     // bytes per frame: 2 mono, 4 stereo
    std::uint32_t rate = 0;           // output frames per second
    std::uint32_t matchFrames = 0;    // R = rate / 100: the match window and the blend (10 ms)
    std::uint32_t matchBytes = 0;     // W = R x blockAlign
    std::uint32_t maxLag = 0;         // rate / 50: lags 0..maxLag frames are searched (20 ms)
    std::uint32_t outChunkBytes = 0;  // 50 ms of output, whole frames
    std::uint32_t inChunkBytes = 0;   // source bytes per output chunk: speed % of it, whole frames
    std::uint32_t chunkFrames = 0;    // N = outChunkBytes / blockAlign
    int speedPercent = 100;           // the speed the chunks were derived from, 1..100
    std::uint32_t searchStride = 1;   // SearchStride(rate)
};

// Speed 0 counts as 1 %; speeds are held to 1..100. StretchChunks serves mono
// and stereo (blockAlign 2 or 4) up to kMaxMatchFrames of match window.
StretchGeometry MakeStretchGeometry(std::uint32_t rate, std::uint32_t blockAlign, int speedPercent);

// The geometry of `working` for the same sound at `scale` times as many
// frames per second (played at `rate`): every length in frames times the
// scale, rounded, so that a whole-number scale keeps every ratio exact.
StretchGeometry ScaleGeometry(const StretchGeometry& working, double scale, std::uint32_t rate);

// 1 up to kFullSearchRate, else the rate over it rounded up: a coarse search
// then sees about as many frames per second as at the highest working rate.
std::uint32_t SearchStride(std::uint32_t rate);

// The lag in bytes (a whole number of frames, 0..maxLag) at which the
// `matchFrames` first-channel samples of `search` have the largest plain dot
// product with those at the start of `reference`; a score must exceed the
// best so far strictly, so silence gives 0 and a tie keeps the earlier lag.
// Samples past the end of either span count as silence.
std::uint32_t FindBestLag(std::span<const std::uint8_t> reference, std::span<const std::uint8_t> search,
                          std::uint32_t blockAlign, std::uint32_t matchFrames, std::uint32_t maxLag);

// FindBestLag's lag found in two passes when `stride` is above 1: over every
// stride-th frame (the match window and the lags divided by it), then over
// every frame within stride - 1 frames of that lag.
std::uint32_t FindNearBestLag(std::span<const std::uint8_t> reference, std::span<const std::uint8_t> search,
                              std::uint32_t blockAlign, std::uint32_t matchFrames, std::uint32_t maxLag,
                              std::uint32_t stride);

// n frames of a linear blend from `a` to `b` into `out`, every channel:
// out[j] = trunc((n - j) x a[j] / n + j x b[j] / n) in double precision.
// `out` may be `a` itself. Frames that do not fit in `out` are not written;
// frames past the end of `a` or `b` count as silence.
void CrossFade(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::span<std::uint8_t> out,
               std::uint32_t n, std::uint32_t blockAlign);

// Fills `out` with up to `chunkCount` chunks of `outChunkBytes`, chunk q at
// byte q x outChunkBytes, stretched from `samples` (the whole active data)
// starting at `sourceOffset`. Chunk q copies N frames starting R frames after
// sourceOffset + q x inChunkBytes + its lag, the lag found by matching the
// 10 ms that ended the chunk before; its last R frames are a blend that starts
// one frame behind the source. `lag` comes in as the first chunk's lag (0 at
// the start of a stream) and goes out as the lag of the chunk that follows the
// last one written, so that the next call continues without a seam: a first
// chunk that ignored the match would click once per buffer. Returns the
// chunks written: fewer when `out` is shorter, 0 for a geometry it cannot
// serve.
//
// The transport keeps the reads inside the data, but a stream cut short must
// still be safe: a frame past the end of the data repeats the last frame (a
// held sample, not a jump to silence or a read of whatever follows), and with
// no whole frame of data the chunks are silent.
int StretchChunks(std::span<const std::uint8_t> samples, std::uint32_t sourceOffset, int chunkCount,
                  const StretchGeometry& geometry, std::span<std::uint8_t> out, std::uint32_t& lag);

}  // namespace earloop
