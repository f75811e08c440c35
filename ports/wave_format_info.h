#pragma once
#include <cstdint>

namespace earloop {

// The 16-byte format record of a WAV file's "fmt " chunk; the field names are
// those of the platform wave-format structure the file layout comes from.
struct WaveFormatInfo {
    std::uint16_t wFormatTag = 1;  // 1: linear PCM
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    friend bool operator==(const WaveFormatInfo&, const WaveFormatInfo&) = default;
};

// 16-bit PCM with the derived fields filled in.
inline WaveFormatInfo Pcm16Format(std::uint16_t channels, std::uint32_t rate) {
    const auto align = static_cast<std::uint16_t>(channels * 2);
    return {1, channels, rate, rate * align, align, 16};
}

// Milliseconds that `bytes` of `format` last, truncated.
inline std::uint32_t LengthMs(std::uint32_t bytes, const WaveFormatInfo& format) {
    return static_cast<std::uint32_t>(static_cast<double>(bytes) / format.nAvgBytesPerSec * 1000.0);
}

}  // namespace earloop
