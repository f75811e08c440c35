#pragma once
// Reading and writing 16-bit little-endian samples and copying whole frames
// with every read bounded by the data, shared by the stretch and the Keep loop.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace earloop::sample_frames {

inline int Read(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

inline void Write(std::uint8_t* p, int value) {
    const auto bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    p[0] = static_cast<std::uint8_t>(bits & 0xFF);
    p[1] = static_cast<std::uint8_t>(bits >> 8);
}

// Copies `frames` frames into `dest`, source frame i taken at byte
// offset + i x blockAlign of `data` held inside the data: before the first
// frame it takes the first, past the last the last. Without a whole frame of
// data the frames are silent. `dest` holds at least frames x blockAlign bytes.
inline void CopyHeld(std::span<const std::uint8_t> data, std::int64_t offset, std::uint32_t frames,
                     std::uint32_t blockAlign, std::uint8_t* dest) {
    const std::size_t bytes = static_cast<std::size_t>(frames) * blockAlign;
    if (data.size() < blockAlign) {
        std::memset(dest, 0, bytes);
        return;
    }
    const auto last = static_cast<std::int64_t>(data.size() - blockAlign - data.size() % blockAlign);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const std::int64_t at = std::clamp<std::int64_t>(offset + std::int64_t{i} * blockAlign, 0, last);
        std::memcpy(dest + std::size_t{i} * blockAlign, data.data() + at, blockAlign);
    }
}

}  // namespace earloop::sample_frames
