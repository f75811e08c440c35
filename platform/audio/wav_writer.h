#pragma once
// A 16-bit PCM WAV file written as a mix is rendered: the companion tool's
// render and the program's recording of its output.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace earloop {

// A header whose sizes are filled in by Checkpoint and Finish, then the
// file's channels of the mix as 16-bit samples.
class WavWriter {
public:
    // The most frames a WAV's 32-bit data size holds.
    static std::uint64_t MaxFrames(std::uint16_t channels);

    WavWriter(std::string path, std::uint16_t channels, std::uint32_t rate);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open();
    // `frames` interleaved stereo float frames of the mix (held to -1..1).
    void Append(const float* stereo, std::size_t frames);
    // Writes the sizes so far into the header, so that the file is whole
    // even if the writer never reaches Finish.
    bool Checkpoint();
    // Fills in the sizes and closes the file; a file that failed is removed.
    // False also when the file was never opened.
    bool Finish();
    // Closes and removes the file.
    void Abandon();

    std::uint64_t Frames() const { return frames_; }
    bool Failed() const { return failed_; }
    std::string Error() const;

private:
    bool Fail(int error);
    bool WriteHeader();
    void Remove() const;

    std::string path_;
    std::uint16_t channels_;
    std::uint32_t rate_;
    std::FILE* file_ = nullptr;
    std::vector<std::int16_t> samples_;  // little-endian, as the file has them
    std::uint64_t frames_ = 0;
    bool failed_ = false;
    int errno_ = 0;
};

}  // namespace earloop
