#pragma once
// A 16-bit PCM WAV file written as a mix is rendered: the renders of the
// companion tool and of Export, and the program's recording of its output.

#include <cstdint>
#include <string>

#include "platform/audio/audio_file_writer.h"

namespace earloop {

// A header whose sizes are filled in by Checkpoint and Finish, then the
// samples.
class WavWriter : public AudioFileWriter {
public:
    // The most frames a WAV's 32-bit data size holds.
    static std::uint64_t MaxFrames(std::uint16_t channels);

    WavWriter(std::string path, std::uint16_t channels, std::uint32_t rate);

    bool Open() override;
    void Append(const float* stereo, std::size_t frames) override;
    // Writes the sizes so far into the header, so that the file is whole
    // even if the writer never reaches Finish.
    bool Checkpoint();
    bool Finish() override;

private:
    bool WriteHeader();
};

}  // namespace earloop
