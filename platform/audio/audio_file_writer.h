#pragma once
// A 16-bit audio file written as a mix is rendered, with the file's channels
// of the mix's stereo float frames. A file that failed, or was abandoned, is
// removed, so no half file is left behind; one that replaces a file when
// done leaves that file as it was until then.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "playback/render_port.h"

namespace earloop {

class AudioFileWriter {
public:
    virtual ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    virtual bool Open() = 0;
    // `frames` interleaved stereo float frames of the mix (held to -1..1).
    virtual void Append(const float* stereo, std::size_t frames) = 0;
    // Completes and closes the file; a file that failed is removed. False
    // also when the file was never opened.
    virtual bool Finish() = 0;
    // Closes and removes the file.
    virtual void Abandon();
    // Before Open: the file is written beside `path` and takes its place
    // only when finished, so that a stopped or failed write keeps the file
    // that was there (a device, a pipe or a link is written as it is).
    void ReplaceWhenDone() { replaceWhenDone_ = true; }

    std::uint64_t Frames() const { return frames_; }
    bool Failed() const { return failed_; }
    std::string Error() const;

protected:
    AudioFileWriter(std::string path, std::uint16_t channels, std::uint32_t rate);
    bool OpenFile();
    // The file's channels of `frames` stereo frames as 16-bit samples; a mono
    // wave sounds the same on both sides, so its left is it.
    std::vector<std::int16_t>& Pcm16(const float* stereo, std::size_t frames);
    // Closes the file, failing when the close does; a failed file is removed.
    bool CloseFile();
    bool Fail(int error);

    std::string path_;
    std::uint16_t channels_;
    std::uint32_t rate_;
    std::FILE* file_ = nullptr;
    std::uint64_t frames_ = 0;

private:
    void Remove() const;
    // A new file beside path_ for the writing, with the mode of the file it replaces.
    std::FILE* OpenBeside();

    std::vector<std::int16_t> samples_;
    bool replaceWhenDone_ = false;
    std::string writtenPath_;  // where the bytes go: path_, or a file beside it until done
    bool failed_ = false;
    int errno_ = 0;
};

// A writer of `type` for `path`, not yet open.
std::unique_ptr<AudioFileWriter> MakeAudioFileWriter(AudioFileType type, const std::string& path,
                                                     std::uint16_t channels, std::uint32_t rate);

}  // namespace earloop
