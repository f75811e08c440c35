#pragma once
// Converting between 16-bit samples and the little-endian bytes that the
// playback functions read, a steady tone to feed them, and an output buffer
// that shows a write past its end.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

namespace earloop::testing {

inline std::vector<std::uint8_t> ToBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

// The sample of `channel` in frame `frame` of interleaved bytes.
inline int SampleAt(const std::uint8_t* bytes, std::size_t frame, int channels, int channel) {
    const std::uint8_t* p = bytes + (frame * channels + channel) * 2;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

// A steady sine, by default at the working rate; the right channel has its
// own level (and phase, when given) so that a mix-up of the channels shows.
inline std::vector<std::int16_t> Tone(std::size_t frames, int channels, double hz, double rightPhase = 0.0,
                                      double rate = 11025.0) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
        samples.push_back(static_cast<std::int16_t>(std::lround(12000 * std::sin(phase))));
        if (channels == 2) samples.push_back(static_cast<std::int16_t>(std::lround(7000 * std::sin(phase + rightPhase))));
    }
    return samples;
}

// A C major chord (C3 E3 G3 C4) with five harmonics each, as a microphone
// in front of a piano might give it, the same in both channels.
inline std::vector<std::int16_t> ChordSignal(std::size_t frames, double rate = 11025.0) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        double value = 0;
        for (int note : {48, 52, 55, 60}) {
            const double hz = 440.0 * std::pow(2.0, (note - 69) / 12.0);
            for (int h = 1; h <= 5; ++h)
                value += 1500.0 / h * std::sin(2 * std::numbers::pi * hz * h * static_cast<double>(i) / rate);
        }
        samples.push_back(static_cast<std::int16_t>(std::lround(value)));
        samples.push_back(static_cast<std::int16_t>(std::lround(value)));
    }
    return samples;
}

// `size` bytes for the function under test, then guard bytes it must leave alone.
struct GuardedBuffer {
    static constexpr std::size_t kGuard = 64;
    static constexpr std::uint8_t kFill = 0xEE;
    explicit GuardedBuffer(std::size_t size) : bytes(size + kGuard, kFill) {}
    std::span<std::uint8_t> Span() { return std::span(bytes).first(bytes.size() - kGuard); }
    bool GuardIntact() const {
        return std::all_of(bytes.end() - kGuard, bytes.end(), [](std::uint8_t b) { return b == kFill; });
    }
    int At(std::size_t frame, int channels, int channel = 0) const {
        return SampleAt(bytes.data(), frame, channels, channel);
    }
    std::vector<std::uint8_t> bytes;
};

}  // namespace earloop::testing
