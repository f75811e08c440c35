#include "platform/audio/wav_writer.h"

#include <bit>
#include <cerrno>

#include "wave/wav_format.h"

namespace earloop {

std::uint64_t WavWriter::MaxFrames(std::uint16_t channels) {
    return (0xFFFFFFFFull - kCanonicalHeaderBytes) / (2u * channels);
}

WavWriter::WavWriter(std::string path, std::uint16_t channels, std::uint32_t rate)
    : AudioFileWriter(std::move(path), channels, rate) {}

bool WavWriter::Open() { return OpenFile() && WriteHeader(); }

void WavWriter::Append(const float* stereo, std::size_t frames) {
    if (Failed() || frames == 0) return;
    std::vector<std::int16_t>& samples = Pcm16(stereo, frames);
    if constexpr (std::endian::native == std::endian::big) {
        for (std::int16_t& sample : samples) {
            const auto bits = static_cast<std::uint16_t>(sample);
            sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits >> 8 | bits << 8));
        }
    }
    const std::size_t bytes = samples.size() * 2;
    if (std::fwrite(samples.data(), 1, bytes, file_) != bytes) {
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
    if (Failed()) return false;
    if (!WriteHeader() || std::fseek(file_, 0, SEEK_END) != 0 || std::fflush(file_) != 0) return Fail(errno);
    return true;
}

bool WavWriter::Finish() {
    if (!file_) return false;
    if (!Failed() && (std::fflush(file_) != 0 || !WriteHeader())) Fail(errno);
    return CloseFile();
}

}  // namespace earloop
