#pragma once
// The audio decoder over FFmpeg's libraries: every container and codec they
// know, the first sound stream of a file.

#include "ports/audio_decoder.h"

namespace earloop {

class FfmpegDecoder : public AudioDecoder {
public:
    // Quiets FFmpeg's own messages: refusals reach the user as the program's.
    FfmpegDecoder();
    DecodeOpening Open(const std::string& path, std::uint32_t minimumRate) override;
};

}  // namespace earloop
