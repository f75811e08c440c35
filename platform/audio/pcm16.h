#pragma once
// 16-bit linear PCM as WAV files and the wave devices hold it (little-endian,
// full scale 32768), and the float samples the audio code works in.

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace earloop {

inline std::int16_t ReadPcm16(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)));
}

inline void WritePcm16(std::uint8_t* bytes, std::int16_t sample) {
    const auto bits = static_cast<std::uint16_t>(sample);
    bytes[0] = static_cast<std::uint8_t>(bits & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(bits >> 8);
}

inline float Pcm16ToFloat(std::int16_t sample) { return sample * (1.0f / 32768.0f); }

// Every `Stride`-th float as a 16-bit sample, rounded half away from zero and
// held to the 16-bit range. Written so that the compiler vectorises it.
template <std::size_t Stride>
void FloatsToPcm16(const float* __restrict from, std::int16_t* __restrict to, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        float scaled = from[i * Stride] * 32768.0f;
        scaled += std::copysign(0.5f, scaled);
        scaled = scaled < -32768.0f ? -32768.0f : scaled;
        scaled = scaled > 32767.0f ? 32767.0f : scaled;
        to[i] = static_cast<std::int16_t>(static_cast<int>(scaled));
    }
}

}  // namespace earloop
