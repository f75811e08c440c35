#include "wave/wav_format.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "wave/wave_errors.h"

namespace earloop {

namespace {

constexpr std::size_t kRiffOffset = 0;
constexpr std::size_t kWaveOffset = 8;
constexpr std::size_t kFmtOffset = 12;
constexpr std::size_t kFmtSizeOffset = 16;
constexpr std::size_t kRiffSizeOffset = 4;
constexpr std::size_t kCanonicalDataTagOffset = 36;
constexpr std::size_t kCanonicalDataSizeOffset = 40;
constexpr std::uint32_t kMinimumRate = 11025;
// Below this rate the working samples are as long as the file's own.
constexpr std::uint32_t kHalfMemoryRate = 2 * kMinimumRate;
constexpr std::uint16_t kPcmTag = 1;
constexpr std::uint16_t kBitsPerSample = 16;

constexpr std::uint32_t kRecorderRate = 11025;
constexpr std::uint16_t kRecorderChannels = 2;
constexpr std::uint16_t kRecorderFrameBytes = 4;

bool TagAt(const std::uint8_t* bytes, std::size_t offset, const char (&tag)[5]) {
    return std::memcmp(bytes + offset, tag, 4) == 0;
}

// First offset in [first, last] at which "data" lies wholly inside `size`.
std::optional<std::size_t> ScanForData(const std::uint8_t* bytes, std::size_t size, std::size_t first,
                                       std::size_t last) {
    if (size < 4) return std::nullopt;
    const std::size_t end = std::min(last, size - 4);
    for (std::size_t offset = first; offset <= end; ++offset) {
        if (TagAt(bytes, offset, "data")) return offset;
    }
    return std::nullopt;
}

}  // namespace

WaveFormatInfo FormatAt(const std::uint8_t* bytes) {
    const std::uint8_t* record = bytes + kFormatOffset;
    WaveFormatInfo format;
    format.wFormatTag = ReadU16Le(record);
    format.nChannels = ReadU16Le(record + 2);
    format.nSamplesPerSec = ReadU32Le(record + 4);
    format.nAvgBytesPerSec = ReadU32Le(record + 8);
    format.nBlockAlign = ReadU16Le(record + 12);
    format.wBitsPerSample = ReadU16Le(record + 14);
    return format;
}

bool CheckWaveHeader(FileSystem& fs, const std::string& path, ErrorState& error, std::uint32_t& memoryFactor) {
    // Bytes the file does not have stay zero: no zero byte matches a tag,
    // and the data tag is only looked for among the bytes read.
    std::array<std::uint8_t, kHeaderCheckBytes> header{};
    std::size_t count = 0;
    {
        const auto file = fs.OpenForReading(path);
        if (!file) {
            error.Set(WaveError::HeaderOpen, WaveError::kCannotOpen);
            return false;
        }
        const auto read = file->Read(header.data(), header.size());
        if (!read) {
            error.Set(WaveError::HeaderRead, WaveError::kCannotRead);
            return false;
        }
        count = std::min(*read, header.size());
    }  // closed here, before the checks

    const std::uint8_t* bytes = header.data();
    if (!TagAt(bytes, kRiffOffset, "RIFF")) {
        error.Set(WaveError::NoRiff, WaveError::kNotWave);
        return false;
    }
    if (!TagAt(bytes, kWaveOffset, "WAVE")) {
        error.Set(WaveError::NoWave, WaveError::kNotWave);
        return false;
    }
    if (!TagAt(bytes, kFmtOffset, "fmt ")) {
        error.Set(WaveError::NoFormatChunk, WaveError::kNotWave);
        return false;
    }
    if (ReadU32Le(bytes + kFmtSizeOffset) < kFormatRecordBytes) {
        error.Set(WaveError::ShortFormatChunk, WaveError::kNoFormat);
        return false;
    }
    const WaveFormatInfo format = FormatAt(bytes);
    // The format tag first: a compressed file may well say 16 bits or not.
    if (format.wFormatTag != kPcmTag) {
        error.Set(WaveError::NotPcm, WaveError::kNotPcm);
        return false;
    }
    if (format.wBitsPerSample != kBitsPerSample) {
        error.Set(WaveError::Not16Bit, WaveError::kOnly16Bit);
        return false;
    }
    if (format.nSamplesPerSec < kMinimumRate) {
        error.Set(WaveError::RateTooLow, WaveError::kRateTooLow);
        return false;
    }
    // Everything after this reads frames of nBlockAlign bytes with the left
    // sample first and the right one half a frame on, and divides by it.
    const bool monoOrStereo = format.nChannels == 1 || format.nChannels == 2;
    if (!monoOrStereo || format.nBlockAlign != format.nChannels * 2) {
        error.Set(WaveError::BadChannelLayout, WaveError::kBadChannels);
        return false;
    }
    // A tag starting at 255 or later does not count, even in a longer file.
    constexpr std::size_t kFirstDataTag = 36;
    constexpr std::size_t kLastDataTag = 254;
    if (!ScanForData(bytes, count, kFirstDataTag, kLastDataTag)) {
        error.Set(WaveError::HeaderNoData, WaveError::kNoData);
        return false;
    }
    memoryFactor = format.nSamplesPerSec < kHalfMemoryRate ? 2 : 1;
    error.Clear();
    return true;
}

std::optional<std::size_t> FindDataTag(const std::uint8_t* bytes, std::size_t size) {
    constexpr std::size_t kFirst = 30;
    constexpr std::size_t kLast = 998;
    return ScanForData(bytes, size, kFirst, kLast);
}

std::array<std::uint8_t, kCanonicalHeaderBytes> CanonicalHeader(const WaveFormatInfo& format,
                                                                 std::uint32_t dataBytes) {
    std::array<std::uint8_t, kCanonicalHeaderBytes> header{};
    std::uint8_t* bytes = header.data();
    const auto put = [bytes](std::size_t offset, const char (&tag)[5]) { std::memcpy(bytes + offset, tag, 4); };
    constexpr std::uint32_t kRiffOverhead = 36;  // the header less the RIFF tag, its size and the data bytes
    const std::uint32_t riffSize =
        dataBytes > std::numeric_limits<std::uint32_t>::max() - kRiffOverhead ? std::numeric_limits<std::uint32_t>::max()
                                                                             : dataBytes + kRiffOverhead;
    put(kRiffOffset, "RIFF");
    WriteU32Le(bytes + kRiffSizeOffset, riffSize);
    put(kWaveOffset, "WAVE");
    put(kFmtOffset, "fmt ");
    WriteU32Le(bytes + kFmtSizeOffset, kFormatRecordBytes);
    std::uint8_t* record = bytes + kFormatOffset;
    WriteU16Le(record, format.wFormatTag);
    WriteU16Le(record + 2, format.nChannels);
    WriteU32Le(record + 4, format.nSamplesPerSec);
    WriteU32Le(record + 8, format.nAvgBytesPerSec);
    WriteU16Le(record + 12, format.nBlockAlign);
    WriteU16Le(record + 14, format.wBitsPerSample);
    put(kCanonicalDataTagOffset, "data");
    WriteU32Le(bytes + kCanonicalDataSizeOffset, dataBytes);
    return header;
}

std::array<std::uint8_t, kRecorderHeaderBytes> RecorderHeader(std::uint32_t dataBytes) {
    return CanonicalHeader(Pcm16Format(kRecorderChannels, kRecorderRate), dataBytes);
}

std::uint32_t CompletedDataBytes(std::uint64_t capturedBytes) {
    const std::uint64_t bounded = std::min<std::uint64_t>(capturedBytes, kMaxRecordedDataBytes);
    return static_cast<std::uint32_t>(bounded - bounded % kRecorderFrameBytes);
}

std::optional<WaveImage> ReadRecordedTake(FileSystem& fs, const std::string& path, ErrorState& error) {
    const auto file = fs.OpenForReading(path);
    if (!file) {
        error.Set(WaveError::TakeOpen, WaveError::kCannotOpen);
        return std::nullopt;
    }
    const auto size = file->Size();
    if (!size || *size < kRecorderHeaderBytes) {
        error.Set(WaveError::TakeSize, WaveError::kCannotOpen);
        return std::nullopt;
    }
    if (*size > std::numeric_limits<std::uint32_t>::max()) {
        error.Set(WaveError::FileTooLarge, WaveError::kTooLarge);
        return std::nullopt;
    }
    const auto fileSize = static_cast<std::uint32_t>(*size);
    constexpr std::size_t kTakeMemoryFactor = 2;
    WaveImage take;
    take.size = kTakeMemoryFactor * fileSize;
    // Zeroed, so that a file that shrank before it was read leaves no
    // undefined bytes in the header fields.
    take.bytes.reset(new (std::nothrow) std::uint8_t[take.size]());
    if (!take.bytes) {
        error.Set(WaveError::TakeNoMemory, WaveError::kNoMemory);
        return std::nullopt;
    }
    // A short or failed read is not an error of its own: the data size is
    // bounded by what arrived, and a header that did not arrive whole is one
    // the file does not have.
    const std::size_t read = std::min<std::size_t>(file->Read(take.bytes.get(), fileSize).value_or(0), fileSize);
    if (read < kRecorderHeaderBytes) {
        error.Set(WaveError::TakeSize, WaveError::kCannotOpen);
        return std::nullopt;
    }
    take.fileSize = fileSize;
    take.format = FormatAt(take.bytes.get());
    take.dataOffset = kRecorderHeaderBytes;
    take.dataBytes = std::min<std::uint32_t>(ReadU32Le(take.bytes.get() + kCanonicalDataSizeOffset),
                                             static_cast<std::uint32_t>(read - kRecorderHeaderBytes));
    error.Clear();
    return take;
}

}  // namespace earloop
