#include "platform/audio/audio_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    struct stat target {};
    const bool exists = ::lstat(path_.c_str(), &target) == 0;
    if (replaceWhenDone_ && (!exists || S_ISREG(target.st_mode))) {
        file_ = OpenBeside();
    } else {
        writtenPath_ = path_;
        file_ = std::fopen(path_.c_str(), "wb");
    }
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
    if (!failed_ && writtenPath_ != path_ && std::rename(writtenPath_.c_str(), path_.c_str()) != 0) Fail(errno);
    if (failed_) Remove();
    return !failed_;
}

std::FILE* AudioFileWriter::OpenBeside() {
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    struct stat old {};
    const mode_t mode = ::stat(path_.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        writtenPath_ = folder + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".part";
        const int fd = ::open(writtenPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) break;
        if (std::FILE* file = ::fdopen(fd, "wb")) return file;
        ::close(fd);
        break;
    }
    writtenPath_.clear();
    return nullptr;
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
    if (std::filesystem::is_regular_file(writtenPath_, ignored)) std::filesystem::remove(writtenPath_, ignored);
}

std::unique_ptr<AudioFileWriter> MakeAudioFileWriter(AudioFileType type, const std::string& path,
                                                     std::uint16_t channels, std::uint32_t rate) {
    std::unique_ptr<AudioFileWriter> writer;
    if (type == AudioFileType::Flac)
        writer = std::make_unique<FlacWriter>(path, channels, rate);
    else
        writer = std::make_unique<WavWriter>(path, channels, rate);
    writer->ReplaceWhenDone();
    return writer;
}

}  // namespace earloop
