#include "platform/audio/audio_file_writer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/audio/flac_writer.h"
#include "platform/audio/pcm16.h"
#include "platform/audio/wav_writer.h"

namespace earloop {

AudioFileWriter::AudioFileWriter(std::string path, std::uint16_t channels, std::uint32_t rate)
    : path_(std::move(path)), channels_(channels), rate_(rate) {}

AudioFileWriter::~AudioFileWriter() {
    if (file_) AudioFileWriter::Abandon();
}

bool AudioFileWriter::OpenFile() {
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) return Fail(errno);
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return true;
}

std::vector<std::int16_t>& AudioFileWriter::Pcm16(const float* stereo, std::size_t frames) {
    samples_.resize(frames * channels_);
    if (channels_ == 2)
        FloatsToPcm16<1>(stereo, samples_.data(), samples_.size());
    else
        FloatsToPcm16<2>(stereo, samples_.data(), samples_.size());
    return samples_;
}

bool AudioFileWriter::CloseFile() {
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0 && !failed_) Fail(errno);
    if (failed_) Remove();
    return !failed_;
}

void AudioFileWriter::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    Remove();
}

std::string AudioFileWriter::Error() const { return "cannot write " + path_ + ": " + std::strerror(errno_); }

bool AudioFileWriter::Fail(int error) {
    if (!failed_) errno_ = error;
    failed_ = true;
    return false;
}

// Only a regular file: a device or a pipe given as the output is left alone.
void AudioFileWriter::Remove() const {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path_, ignored)) std::filesystem::remove(path_, ignored);
}

std::unique_ptr<AudioFileWriter> MakeAudioFileWriter(AudioFileType type, const std::string& path,
                                                     std::uint16_t channels, std::uint32_t rate) {
    if (type == AudioFileType::Flac) return std::make_unique<FlacWriter>(path, channels, rate);
    return std::make_unique<WavWriter>(path, channels, rate);
}

}  // namespace earloop
