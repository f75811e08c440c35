#pragma once
// The RIFF/WAVE layout as the program reads and writes it.
//
// Only uncompressed 16-bit linear PCM, mono or stereo, at 11025 Hz or more is
// taken. The chunk list is not walked: the "fmt " chunk must follow the
// "WAVE" form type directly, so its 16-byte record always lies at offset 20,
// and the "data" chunk is found by scanning the bytes for its tag (whatever
// lies between is passed over unread). All fields are little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ports/error_state.h"
#include "ports/file_system.h"
#include "ports/wave_format_info.h"
#include "wave/sample_store.h"

namespace earloop {

inline std::uint16_t ReadU16Le(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t ReadU32Le(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline void WriteU16Le(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteU32Le(std::uint8_t* bytes, std::uint32_t value) {
    WriteU16Le(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
    WriteU16Le(bytes + 2, static_cast<std::uint16_t>(value >> 16));
}

// Where the format record lies, and how long it is.
inline constexpr std::size_t kFormatOffset = 20;
inline constexpr std::size_t kFormatRecordBytes = 16;

// The format record at offset 20 of a file image of at least 36 bytes.
WaveFormatInfo FormatAt(const std::uint8_t* bytes);

// How many bytes of a file the header check looks at.
inline constexpr std::size_t kHeaderCheckBytes = 256;

// Checks that the file is one the program can load. On success clears
// `error`, sets `memoryFactor` (2 below 22050 Hz, where the working samples
// need a second file's worth of room, else 1) and returns true. On failure
// sets the code and message of the first failing step and leaves
// `memoryFactor` as it was.
bool CheckWaveHeader(FileSystem& fs, const std::string& path, ErrorState& error, std::uint32_t& memoryFactor);

// The loader's search of a whole file image for the data chunk: the offset of
// the first "data" tag at offsets 30 to 998 that lies wholly inside `size`
// bytes; nullopt when there is none. The samples begin 8 bytes after it.
std::optional<std::size_t> FindDataTag(const std::uint8_t* bytes, std::size_t size);

// The canonical header: RIFF, a 16-byte "fmt " chunk, then the "data" chunk.
inline constexpr std::size_t kCanonicalHeaderBytes = 44;

// The canonical header for `dataBytes` bytes of samples in `format`: RIFF
// size dataBytes + 36 (held to 32 bits), data size dataBytes.
std::array<std::uint8_t, kCanonicalHeaderBytes> CanonicalHeader(const WaveFormatInfo& format,
                                                                 std::uint32_t dataBytes);

// The recorder's file: the canonical header for stereo 11025 Hz 16-bit
// samples, then the samples.
inline constexpr std::size_t kRecorderHeaderBytes = kCanonicalHeaderBytes;
// The data size written while recording, before the length is known.
inline constexpr std::uint32_t kProvisionalDataBytes = 10000;
// The largest data size whose RIFF size (data + 36) still fits 32 bits, in
// whole frames.
inline constexpr std::uint32_t kMaxRecordedDataBytes = 0xFFFFFFFFu - 36u - 3u;

// The header for `dataBytes` bytes of samples: RIFF size dataBytes + 36,
// data size dataBytes. The provisional header is RecorderHeader(10000).
std::array<std::uint8_t, kRecorderHeaderBytes> RecorderHeader(std::uint32_t dataBytes);

// The data size written when recording stops: the captured bytes rounded
// down to whole 4-byte frames, at most kMaxRecordedDataBytes.
std::uint32_t CompletedDataBytes(std::uint64_t capturedBytes);

// Reads the recorder's file back by its fixed offsets (it was written by the
// recorder and passed the header check just before, so no tag is searched).
// The image is twice the file size (the recording's 11025 Hz rate makes the
// memory factor 2), the samples start at offset 44 and their length is the
// data size field, bounded by the bytes read after the header. Failures:
// 40 the file cannot be opened, 41 its size cannot be had or it is shorter
// than the header, 42 no memory (121 for a file of 4 GiB or more).
std::optional<WaveImage> ReadRecordedTake(FileSystem& fs, const std::string& path, ErrorState& error);

}  // namespace earloop
