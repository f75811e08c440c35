#include "platform/audio/wav_writer.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/audio/pcm16.h"
#include "wave/wav_format.h"

namespace earloop {

std::uint64_t WavWriter::MaxFrames(std::uint16_t channels) {
    return (0xFFFFFFFFull - kCanonicalHeaderBytes) / (2u * channels);
}

WavWriter::WavWriter(std::string path, std::uint16_t channels, std::uint32_t rate)
    : path_(std::move(path)), channels_(channels), rate_(rate) {}

WavWriter::~WavWriter() {
    if (file_) Abandon();
}

bool WavWriter::Open() {
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) return Fail(errno);
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return WriteHeader();
}

void WavWriter::Append(const float* stereo, std::size_t frames) {
    if (failed_ || frames == 0) return;
    samples_.resize(frames * channels_);
    // Both channels are every sample in order; a mono wave sounds the same on
    // both sides, so its left is it.
    if (channels_ == 2)
        FloatsToPcm16<1>(stereo, samples_.data(), samples_.size());
    else
        FloatsToPcm16<2>(stereo, samples_.data(), samples_.size());
    if constexpr (std::endian::native == std::endian::big) {
        for (std::int16_t& sample : samples_) {
            const auto bits = static_cast<std::uint16_t>(sample);
            sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits >> 8 | bits << 8));
        }
    }
    const std::size_t bytes = samples_.size() * 2;
    if (std::fwrite(samples_.data(), 1, bytes, file_) != bytes) {
        Fail(errno);
        return;
    }
    frames_ += frames;
}

bool WavWriter::WriteHeader() {
    const auto header =
        CanonicalHeader(Pcm16Format(channels_, rate_), static_cast<std::uint32_t>(frames_ * channels_ * 2));
    if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file_) != header.size())
        return Fail(errno);
    return true;
}

bool WavWriter::Checkpoint() {
    if (failed_) return false;
    if (!WriteHeader() || std::fseek(file_, 0, SEEK_END) != 0 || std::fflush(file_) != 0) return Fail(errno);
    return true;
}

bool WavWriter::Finish() {
    if (!file_) return false;
    if (!failed_ && (std::fflush(file_) != 0 || !WriteHeader())) Fail(errno);
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0 && !failed_) Fail(errno);
    if (failed_) Remove();
    return !failed_;
}

void WavWriter::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    Remove();
}

std::string WavWriter::Error() const { return "cannot write " + path_ + ": " + std::strerror(errno_); }

bool WavWriter::Fail(int error) {
    if (!failed_) errno_ = error;
    failed_ = true;
    return false;
}

// Only a regular file: a device or a pipe given as the output is left alone.
void WavWriter::Remove() const {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path_, ignored)) std::filesystem::remove(path_, ignored);
}

}  // namespace earloop
