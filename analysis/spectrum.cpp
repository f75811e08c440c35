#include "analysis/spectrum.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace earloop {
namespace {

// Angles use pi to eight digits, as the program always has; the levels differ
// from an exact DFT's only in their last digits.
constexpr double kPi = 3.1415926;

constexpr int kDcFrames = 1000;  // the offset is measured over this many frames from the block start

int SampleAt(std::span<const std::uint8_t> samples, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(samples[offset] | (samples[offset + 1] << 8)));
}

double RangeWeight(int range, int step) {
    if (range == 2) {  // one octave higher: the lowest octaves fade out
        if (step < 120) return 0.1;
        if (step < 240) return step * 0.0075 - 0.8;
        return 1.0;
    }
    if (range == 4) {  // one octave lower: the highest octaves fade out
        if (step < 240) return 1.0;
        if (step < 360) return 2.8 - step * 0.0075;
        return 0.1;
    }
    return 1.0;
}

}  // namespace

AnalysisBlock SetAnalysisBlock(std::uint32_t rate, int choice, int analysisRange) {
    AnalysisBlock block;
    block.pitchScale = 1200;
    block.analysisRange = analysisRange;
    const int base = static_cast<int>(13230000 / std::max<std::uint32_t>(rate, 1));
    int d = 0;
    switch (choice) {
    case 1: block.points = 512; d = base / 4; break;
    case 2: block.points = 1024; d = base / 2; break;
    default: block.points = 2048; d = base; break;
    }
    if (analysisRange == 2) d *= 2;
    if (analysisRange == 4) d /= 2;
    block.pitchBase = d;
    for (int i = 0; i < kPitchSteps; ++i) {
        const double bin = d * std::pow(10.0, i * 3.0103 / block.pitchScale) * 0.01 + 0.3;
        // Only a rate below about 4100 Hz reaches past the block; such steps
        // read its last bin rather than memory after it.
        block.pitchTable[i] = std::min(static_cast<int>(bin), block.points - 1);
    }
    return block;
}

void Fft(int sign, std::span<double> re, std::span<double> im) {
    const std::size_t n = re.size();
    const int stages = static_cast<int>(std::log(n + 0.5) / std::log(2.0));
    const double theta = 2 * kPi / static_cast<double>(n);
    // Decimation in frequency; each group's twiddle runs by a recurrence
    // instead of a sine per butterfly.
    for (int l = 1; l <= stages; ++l) {
        const std::size_t groups = std::size_t{1} << (l - 1);
        const std::size_t half = n / (2 * groups);
        const double s = std::sin(static_cast<double>(groups) * theta / 2);
        const double wpr = -2 * s * s;
        const double wpi = std::sin(static_cast<double>(groups) * theta);
        for (std::size_t start = 0; start < n; start += 2 * half) {
            double wr = 1.0, wi = 0.0;
            for (std::size_t a = start; a < start + half; ++a) {
                const std::size_t b = a + half;
                const double dr = re[a] - re[b], di = im[a] - im[b];
                re[a] += re[b];
                im[a] += im[b];
                re[b] = wr * dr + sign * wi * di;
                im[b] = wr * di - sign * wi * dr;
                const double wrOld = wr;
                wr = wr * (1 + wpr) - wpi * wi;
                wi = wi * (1 + wpr) + wpi * wrOld;
            }
        }
    }
    // The stages leave bin k at the bit-reversed index of k.
    for (std::size_t i = 0, j = 0; i + 1 < n; ++i) {
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
        std::size_t bit = n >> 1;
        while (j & bit) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
    }
    const double scale = std::sqrt(static_cast<double>(n));
    for (std::size_t k = 0; k < n; ++k) {
        re[k] /= scale;
        im[k] /= scale;
    }
}

void ComputeSpectrum(std::span<const std::uint8_t> samples, std::size_t blockEnd, int points, int blockAlign,
                     int channels, const SpectrumOptions& options, SpectrumBuffers& out) {
    const auto n = static_cast<std::size_t>(std::clamp(points, 1, kMaxAnalysisPoints));
    const auto align = static_cast<std::size_t>(blockAlign);
    const bool stereo = channels == 2;
    const std::size_t frames = samples.size() / align;
    const std::size_t endFrame = blockEnd / align;
    std::size_t start = endFrame;
    if (options.blockBeforeEnd) start = endFrame >= n ? endFrame - n : 0;

    int mL = 0, mR = 0;
    if (options.removeDcOffset && start < frames) {
        const std::size_t count = std::min<std::size_t>(kDcFrames, frames - start);
        long long sumL = 0, sumR = 0;
        for (std::size_t f = start; f < start + count; ++f) {
            sumL += SampleAt(samples, f * align);
            if (stereo) sumR += SampleAt(samples, f * align + 2);
        }
        const auto c = static_cast<long long>(count);
        mL = static_cast<int>(sumL / c);  // integer division truncates toward zero, as wanted
        mR = static_cast<int>(sumR / c);
    }

    out.blockPeak = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t f = start + i;
        // A wave shorter than one block is analysed from its start with
        // silence after its end, so no read goes past the samples.
        int s = 0;
        if (f < frames) {
            const int left = SampleAt(samples, f * align) - mL;
            if (stereo) {
                const int right = SampleAt(samples, f * align + 2) - mR;
                const int rightTerm = options.vocalCancel ? (-right) / 2 : right / 2;
                s = static_cast<std::int16_t>(left / 2 + rightTerm);  // the mix is a 16-bit sample: it wraps
            } else {
                s = left;  // neither halved nor wrapped: a mono block's offset may take it past 16 bits
            }
        }
        out.fftRe[i] = s;
        out.fftIm[i] = 0.0;
        out.blockPeak = std::max(out.blockPeak, s);
    }
    Fft(1, std::span(out.fftRe).first(n), std::span(out.fftIm).first(n));
    for (std::size_t k = 0; k < n; ++k) {
        out.spectrum[k] = std::sqrt(out.fftRe[k] * out.fftRe[k] + out.fftIm[k] * out.fftIm[k]);
    }
}

void BuildPitchLevels(const AnalysisBlock& block, std::span<const double> spectrum,
                      std::array<double, kPitchSteps>& pitchLevel) {
    for (int i = 0; i < kPitchSteps; ++i) {
        const auto bin = static_cast<std::size_t>(block.pitchTable[i]);
        const double b = bin < spectrum.size() ? spectrum[bin] : 0.0;
        pitchLevel[i] = RangeWeight(block.analysisRange, i) * b;
    }
}

std::uint32_t AnalysisPosition(std::uint32_t position, std::uint32_t blockBytes, std::uint32_t workBytes,
                               std::uint32_t blockAlign) {
    // A wave no longer than one block is analysed from its start.
    if (workBytes <= blockBytes) return 0;
    if (position == blockBytes) position = 2 * blockBytes;
    if (std::uint64_t{position} + blockBytes >= workBytes) position = workBytes - blockBytes;
    return position - position % std::max<std::uint32_t>(blockAlign, 1);
}

std::uint32_t AnalyseWaveAt(const WaveSamples& wave, std::uint32_t position, SpectrumState& state) {
    const auto workBytes = static_cast<std::uint32_t>(wave.samples.size());
    const std::uint32_t blockBytes = static_cast<std::uint32_t>(state.block.points) * wave.blockAlign;
    const std::uint32_t at = AnalysisPosition(position, blockBytes, workBytes, wave.blockAlign);
    ComputeSpectrum(wave.samples, at, state.block.points, static_cast<int>(wave.blockAlign), wave.channels,
                    {.removeDcOffset = wave.removeDcOffset, .vocalCancel = wave.vocalCancel}, state.buffers);
    BuildPitchLevels(state.block, state.buffers.spectrum, state.pitchLevel);
    return at;
}

}  // namespace earloop
