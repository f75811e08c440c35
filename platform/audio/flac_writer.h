#pragma once
// A 16-bit FLAC file written as a mix is rendered (libFLAC, default
// compression), for Export and the companion tool's render.

#include <FLAC/stream_encoder.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio_file_writer.h"

namespace earloop {

class FlacWriter : public AudioFileWriter {
public:
    FlacWriter(std::string path, std::uint16_t channels, std::uint32_t rate);
    ~FlacWriter() override;

    bool Open() override;
    void Append(const float* stereo, std::size_t frames) override;
    bool Finish() override;
    void Abandon() override;

private:
    // The encoder writes through the writer's own file, so that a failed
    // write keeps its reason.
    static FLAC__StreamEncoderWriteStatus WriteBytes(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                                     std::size_t bytes, std::uint32_t, std::uint32_t, void* self);
    static FLAC__StreamEncoderSeekStatus SeekTo(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* self);
    static FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* self);
    void DeleteEncoder();

    FLAC__StreamEncoder* encoder_ = nullptr;
    bool discarding_ = false;  // while an abandoned encoder is deleted, nothing is written
    std::vector<FLAC__int32> wide_;
};

}  // namespace earloop
