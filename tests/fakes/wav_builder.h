#pragma once
// Builds WAV file images for tests: a well-formed 16-bit PCM file by default,
// with every field the readers look at open to change, so that a test can
// make exactly the broken or unusual file it needs.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace earloop::testing {

struct WaveSpec {
    std::uint32_t rate = 44100;
    std::uint16_t channels = 2;
    std::uint16_t bits = 16;
    std::uint16_t formatTag = 1;                  // 1: linear PCM, 3: IEEE float
    std::optional<std::uint16_t> blockAlign;      // default channels x bits / 8
    std::optional<std::uint32_t> avgBytesPerSec;  // default rate x block align
    // The format chunk's size field. Above 16 the chunk body is padded with
    // zeros to that length; below 16 the body is cut to it.
    std::uint32_t fmtSize = 16;
    // The four-byte tags at offsets 0, 8 and 12.
    std::string riffTag = "RIFF";
    std::string waveTag = "WAVE";
    std::string fmtTag = "fmt ";
    // Raw bytes between the format chunk and the data chunk (see Chunk()).
    std::string beforeData;
    // Written as 16-bit little-endian words, unless `rawData` is given.
    std::vector<std::int16_t> samples;
    std::optional<std::string> rawData;
    // The data chunk's size field; default the length of the sample bytes.
    std::optional<std::uint32_t> dataSize;
    // Without a data chunk the file ends after the chunks before it.
    bool withDataChunk = true;
    // Raw bytes after the data chunk.
    std::string afterData;
};

std::string U16Le(std::uint16_t value);
std::string U32Le(std::uint32_t value);
// A chunk: tag, size field, body, and a pad byte when the body is odd.
std::string Chunk(std::string_view tag, std::string_view body);
// `frames` frames of a rising ramp (the left sample of frame i is i, the
// right sample -i), so that a test can see which frames were taken.
std::vector<std::int16_t> RampSamples(std::size_t frames, std::uint16_t channels);

// The whole file. The RIFF size field is the file's length less 8.
std::string MakeWav(const WaveSpec& spec);

}  // namespace earloop::testing
