#pragma once
// Compressed and other non-WAV audio files, decoded to 16-bit frames.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace earloop {

struct DecodedFormat {
    std::string name;                  // what the file holds, for people: "MP3", "FLAC", "AIFF"
    std::uint32_t rate = 0;            // of the frames delivered
    std::uint16_t channels = 0;        // 1 for mono files, 2 for stereo and more
    std::uint64_t expectedFrames = 0;  // from the file's own duration; 0 when it states none
};

class DecodedAudio {
public:
    virtual ~DecodedAudio() = default;
    virtual const DecodedFormat& Format() const = 0;
    // Decodes up to `frames` frames into `into`, as interleaved native 16-bit
    // samples: fewer only at the end, 0 after it, nullopt when the decoding
    // broke down.
    virtual std::optional<std::size_t> Read(std::uint8_t* into, std::size_t frames) = 0;
};

enum class DecodeRefusal {
    Unrecognized,  // no audio or video format the decoder knows
    NoAudio,       // a known format without a sound stream
    Undecodable,   // a sound stream the decoder cannot open
};

using DecodeOpening = std::variant<std::unique_ptr<DecodedAudio>, DecodeRefusal>;

class AudioDecoder {
public:
    virtual ~AudioDecoder() = default;
    // The first sound stream of the file at `path`, delivered at its own rate,
    // or at `minimumRate` when its own is lower.
    virtual DecodeOpening Open(const std::string& path, std::uint32_t minimumRate) = 0;
};

}  // namespace earloop
