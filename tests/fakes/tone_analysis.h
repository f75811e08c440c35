#pragma once
// Measuring rendered sound: the pitch of a steady tone, where sound begins and
// ends, and the largest step between neighbouring samples.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <optional>
#include <vector>

namespace earloop::testing {

// Interleaved stereo float frames, as the mixer renders them.
struct StereoView {
    const std::vector<float>& samples;
    std::size_t Frames() const { return samples.size() / 2; }
    float At(std::size_t frame, int channel = 0) const { return samples[frame * 2 + channel]; }
};

// The frequency of the strongest partial near `guessHz` (within 10 %) in
// `frames` frames from `start`: the Hann-windowed spectrum evaluated directly
// at any frequency, searched coarse then fine, so the answer is far finer
// than a bin.
inline double PeakFrequency(StereoView audio, std::size_t start, std::size_t frames, double rate, double guessHz,
                            int channel = 0) {
    std::vector<double> windowed(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / (frames - 1));
        windowed[i] = hann * audio.At(start + i, channel);
    }
    const auto power = [&](double hz) {
        const std::complex<double> turn = std::polar(1.0, 2 * std::numbers::pi * hz / rate);
        std::complex<double> phasor = 1.0, sum = 0.0;
        for (double x : windowed) {
            sum += x * phasor;
            phasor *= turn;
        }
        return std::norm(sum);
    };
    double best = guessHz;
    double span = guessHz * 0.1;
    for (int round = 0; round < 4; ++round) {
        const double from = best - span;
        const double step = span / 20;
        double bestPower = -1;
        for (int k = 0; k <= 40; ++k) {
            const double hz = from + k * step;
            if (const double p = power(hz); p > bestPower) bestPower = p, best = hz;
        }
        span = step;
    }
    return best;
}

inline double Cents(double hz, double reference) { return 1200.0 * std::log2(hz / reference); }

// The mean frequency of `count` samples taken every `stride` from `samples`,
// between their first and last rising zero crossings (each placed between its
// two samples by linear interpolation); 0 with fewer than two crossings.
template <typename Sample>
double CrossingFrequency(const Sample* samples, std::size_t count, std::size_t stride, double rate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const double a = samples[i * stride], b = samples[(i + 1) * stride];
        if (a < 0 && b >= 0) {
            last = static_cast<double>(i) + a / (a - b);
            if (first < 0) first = last;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (last - first);
}

// The first and one past the last frame whose magnitude exceeds `threshold`.
struct Span {
    std::size_t begin = 0, end = 0;
};
inline std::optional<Span> AudibleSpan(StereoView audio, float threshold, int channel = 0) {
    Span span;
    bool any = false;
    for (std::size_t i = 0; i < audio.Frames(); ++i) {
        if (std::fabs(audio.At(i, channel)) <= threshold) continue;
        if (!any) span.begin = i;
        span.end = i + 1;
        any = true;
    }
    return any ? std::optional(span) : std::nullopt;
}

// The largest |x[i + 1] - x[i]| over frames begin..end.
inline float LargestStep(StereoView audio, std::size_t begin, std::size_t end, int channel = 0) {
    float largest = 0;
    for (std::size_t i = begin; i + 1 < end; ++i)
        largest = std::max(largest, std::fabs(audio.At(i + 1, channel) - audio.At(i, channel)));
    return largest;
}

}  // namespace earloop::testing
