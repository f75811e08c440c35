#pragma once
// The pitch-scale spectrum of one block of working samples: the bin table for
// an output rate and a Sampling Time choice, the FFT, the mix of a block to one
// channel and its magnitudes, and the 600 levels of 10 cents each.
//
// Pure computation over caller-owned records: nothing here allocates, so the
// play tick can run it on every position update. Not thread safe; the GUI
// thread owns every record.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace earloop {

inline constexpr int kPitchSteps = 600;          // 120 steps per octave over five octaves
inline constexpr int kMaxAnalysisPoints = 2048;  // the longest block (choice 3)

// What `SetAnalysisBlock` makes: the block length and the FFT bin that stands
// for each pitch step. Rebuilt only when the rate, the choice or the range changes.
struct AnalysisBlock {
    int points = 0;         // N: 512, 1024 or 2048 frames, the FFT length
    int pitchBase = 0;      // D, the table base; the settings file records it as "FFTbase"
    int pitchScale = 1200;  // divisor of the table formula, always 1200 ("FFTscale")
    int analysisRange = 3;  // 3 normal, 2 one octave higher, 4 one octave lower; weights the levels
    std::array<int, kPitchSteps> pitchTable{};  // bin for step 0 (lowest) to 599, each below `points`
};

// The block for an output rate in frames per second (above 0), a Sampling
// Time choice (1 coarse, 2 normal, 3 precision; any other counts as 3) and an
// `analysisRange`.
AnalysisBlock SetAnalysisBlock(std::uint32_t rate, int choice, int analysisRange);

// In-place forward DFT of re/im (equal sizes, a power of two up to 2048),
// scaled by 1/sqrt(N), results in natural order. `sign` 1 takes e^(-2 pi i k n / N),
// -1 the conjugate.
void Fft(int sign, std::span<double> re, std::span<double> im);

// How a block is taken and mixed to one channel.
struct SpectrumOptions {
    bool removeDcOffset = true;  // "Remove DC Offset" of the Setting dialog: subtract each channel's mean
    bool vocalCancel = false;    // the samples are the channel-difference copy: the right term is subtracted
    bool blockBeforeEnd = true;  // the N frames before blockEnd (playback); false: the N frames from it
                                 // (live input and recording hand their buffer's start)
};

// The FFT work arrays and what the last block gave. The caller keeps one.
struct SpectrumBuffers {
    std::array<double, kMaxAnalysisPoints> fftRe{};
    std::array<double, kMaxAnalysisPoints> fftIm{};
    std::array<double, kMaxAnalysisPoints> spectrum{};  // magnitudes, entries 0 to N-1
    int blockPeak = 0;  // largest positive mixed sample of the block, 0 when none is positive
};

// Mixes the N frames of the block that `blockEnd` (a byte offset into
// `samples`, whole frames) marks and fills `out.spectrum` and `out.blockPeak`.
// `samples` are signed 16-bit little-endian frames of `blockAlign` bytes,
// `channels` 1 or 2. Frames past the end of `samples` count as silence.
void ComputeSpectrum(std::span<const std::uint8_t> samples, std::size_t blockEnd, int points, int blockAlign,
                     int channels, const SpectrumOptions& options, SpectrumBuffers& out);

// The pitch-scale levels: the magnitude at each step's bin, weighted so that
// the octaves outside the normal five fade (ranges 2 and 4).
void BuildPitchLevels(const AnalysisBlock& block, std::span<const double> spectrum,
                      std::array<double, kPitchSteps>& pitchLevel);

// The byte offset whose preceding block is analysed for a play position:
// a position of exactly one block moves to two, a block that would reach
// the end is moved back to fit, and the result is whole frames.
std::uint32_t AnalysisPosition(std::uint32_t position, std::uint32_t blockBytes, std::uint32_t workBytes,
                               std::uint32_t blockAlign);

// Everything one analysis tick works in, kept from tick to tick so that
// nothing is allocated while playing.
struct SpectrumState {
    AnalysisBlock block;                           // for the output rate and the Sampling Time choice
    SpectrumBuffers buffers;
    std::array<double, kPitchSteps> pitchLevel{};  // the levels of the last tick
};

// The wave's analysis at a play position: the block before it (placed by
// AnalysisPosition), mixed, transformed and mapped onto the pitch scale into
// `state`. Returns where the block ends, for the detail view.
struct WaveSamples {
    std::span<const std::uint8_t> samples;  // the active samples
    std::uint32_t blockAlign = 0;
    int channels = 1;
    bool vocalCancel = false;
    bool removeDcOffset = true;
};
std::uint32_t AnalyseWaveAt(const WaveSamples& wave, std::uint32_t position, SpectrumState& state);

}  // namespace earloop
