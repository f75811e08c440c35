#pragma once
// The companion tool's output file: a 16-bit PCM WAV written from the
// mixer's float frames as they are rendered.

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "wave/wav_format.h"

namespace earloop {

// The WAV file, written as the mix is rendered: a header whose sizes are
// filled in at the end, then the file's channels of the mix as 16-bit samples.
class WavWriter {
public:
    // The most frames a WAV's 32-bit data size holds.
    static std::uint64_t MaxFrames(std::uint16_t channels) {
        return (0xFFFFFFFFull - kCanonicalHeaderBytes) / (2u * channels);
    }

    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    WavWriter(std::string path, std::uint16_t channels, std::uint32_t rate)
        : path_(std::move(path)), channels_(channels), rate_(rate) {}
    ~WavWriter() {
        if (file_) Abandon();
    }

    bool Open() {
        file_ = std::fopen(path_.c_str(), "wb");
        if (!file_) return Failed(errno);
        std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
        const auto header = CanonicalHeader(Pcm16Format(channels_, rate_), 0);
        if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) return Failed(errno);
        return true;
    }

    // `frames` interleaved stereo frames of the mix.
    void Append(const float* stereo, std::size_t frames) {
        if (failed_ || frames == 0) return;
        samples_.resize(frames * channels_);
        // Both channels are every sample in order; a mono wave sounds the
        // same on both sides, so its left is it.
        if (channels_ == 2)
            Convert<1>(stereo, samples_.data(), samples_.size());
        else
            Convert<2>(stereo, samples_.data(), samples_.size());
        if constexpr (std::endian::native == std::endian::big) {
            for (std::int16_t& sample : samples_) {
                const auto bits = static_cast<std::uint16_t>(sample);
                sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits >> 8 | bits << 8));
            }
        }
        const std::size_t bytes = samples_.size() * 2;
        if (std::fwrite(samples_.data(), 1, bytes, file_) != bytes) {
            Failed(errno);
            return;
        }
        frames_ += frames;
    }

    // Fills in the sizes and closes the file; a file that failed is removed.
    bool Finish() {
        const auto header =
            CanonicalHeader(Pcm16Format(channels_, rate_), static_cast<std::uint32_t>(frames_ * channels_ * 2));
        if (!failed_ && (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0 ||
                         std::fwrite(header.data(), 1, header.size(), file_) != header.size()))
            Failed(errno);
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0 && !failed_) Failed(errno);
        if (failed_) Remove();
        return !failed_;
    }

    // Closes and removes the file.
    void Abandon() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        Remove();
    }

    std::uint64_t Frames() const { return frames_; }
    std::string Error() const { return "cannot write " + path_ + ": " + std::strerror(errno_); }

private:
    // Every `Stride`-th float, rounded half away from zero; the mixer has
    // held the mix to -1..1. Written so that the compiler vectorises it.
    template <std::size_t Stride>
    static void Convert(const float* __restrict from, std::int16_t* __restrict to, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            float scaled = from[i * Stride] * 32768.0f;
            scaled += std::copysign(0.5f, scaled);
            scaled = scaled < -32768.0f ? -32768.0f : scaled;
            scaled = scaled > 32767.0f ? 32767.0f : scaled;
            to[i] = static_cast<std::int16_t>(static_cast<int>(scaled));
        }
    }
    bool Failed(int error) {
        if (!failed_) errno_ = error;
        failed_ = true;
        return false;
    }
    // Only a regular file: a device or a pipe given as the output is left alone.
    void Remove() const {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path_, ignored)) std::filesystem::remove(path_, ignored);
    }

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
