#include "wave/loader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "wave/wav_format.h"
#include "wave/wave_errors.h"

namespace earloop {

// The working samples are handed to the audio output as native 16-bit words,
// which is the file's own little-endian layout only on little-endian hosts.
static_assert(std::endian::native == std::endian::little, "samples are converted in the file's byte order");

namespace {

using Bytes = std::unique_ptr<std::uint8_t[]>;

// Whole mono or stereo frames of 16-bit samples: the stride the conversion
// steps by. The header check tests the same, but the file may have changed
// between that check and this read, and nothing here may divide by 0 or step
// across a frame.
bool UsableLayout(const WaveFormatInfo& format) {
    return (format.nChannels == 1 || format.nChannels == 2) && format.nBlockAlign == format.nChannels * 2;
}

// Source frames per working frame. The common rates get their exact values
// rather than a product that might be off in the last bit.
double RateRatio(std::uint32_t rate) {
    switch (rate) {
        case 44100: return 4.0;
        case 22050: return 2.0;
        case 11025: return 1.0;
        default: return rate * (1.0 / 11025);
    }
}

// Working frames of `dataBytes` sample bytes in `format` (which must be a
// usable layout at the working rate or above).
std::uint32_t WorkingFrames(std::uint32_t dataBytes, const WaveFormatInfo& format) {
    const std::uint32_t frames = dataBytes / format.nBlockAlign;
    return static_cast<std::uint32_t>(frames / RateRatio(format.nSamplesPerSec));
}

// Bytes the image needs from its start: the working samples and, for stereo,
// the channel-difference copy right after them.
std::uint64_t RoomNeeded(std::size_t dataOffset, std::uint32_t workFrames, const WaveFormatInfo& format) {
    const std::uint64_t workBytes = std::uint64_t{workFrames} * format.nBlockAlign;
    return dataOffset + (format.nChannels == 2 ? 2 * workBytes : workBytes);
}

Bytes Allocate(std::uint64_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max()) return nullptr;
    return Bytes(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
}

// A read counts only when it brings every byte asked: the size said they are
// there, so fewer means the file shrank (or broke) while it was being read.
bool ReadExactly(InputFile& file, std::uint8_t* into, std::size_t bytes) {
    const auto count = file.Read(into, bytes);
    return count && *count == bytes;
}

template <unsigned Channels>
void DcOffsets(const std::uint8_t* data, std::uint32_t count, double ratio, std::uint32_t lastFrame,
               std::int32_t (&offset)[2]) {
    constexpr std::size_t stride = Channels * 2;
    std::int64_t sum[Channels] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto frame = std::min(static_cast<std::uint32_t>(i * ratio), lastFrame);
        std::int16_t in[Channels];
        std::memcpy(in, data + std::size_t{frame} * stride, stride);
        for (unsigned c = 0; c < Channels; ++c) sum[c] += in[c];
    }
    for (unsigned c = 0; c < Channels; ++c) offset[c] = static_cast<std::int32_t>(sum[c] / count);
}

// Output frame i takes source frame trunc(p), p growing by `ratio` per frame
// (added up, not multiplied, so that positions match the summed steps). In
// place (`out` == `data`), since the ratio is at least 1 the writes never
// overtake the reads, and a frame is read whole before it is overwritten.
template <unsigned Channels>
void Decimate(const std::uint8_t* data, std::uint8_t* out, std::uint32_t outFrames, double ratio,
              std::uint32_t lastFrame, const std::int32_t (&offset)[2]) {
    constexpr std::size_t stride = Channels * 2;
    double position = 0.0;
    for (std::uint32_t i = 0; i < outFrames; ++i) {
        // Rounding in the sum must not step past the last frame read.
        const auto frame = std::min(static_cast<std::uint32_t>(position), lastFrame);
        std::int16_t in[Channels];
        std::memcpy(in, data + std::size_t{frame} * stride, stride);
        std::int16_t halved[Channels];
        // A 16-bit sample less a mean of 16-bit samples, halved toward zero,
        // is a 16-bit sample again.
        for (unsigned c = 0; c < Channels; ++c) halved[c] = static_cast<std::int16_t>((in[c] - offset[c]) / 2);
        std::memcpy(out + std::size_t{i} * stride, halved, stride);
        position += ratio;
    }
}

// For the vocal canceller: left minus right, then right minus left, kept to
// 16 bits (the halving keeps them in range unless the DC offsets were extreme;
// then they wrap as 16-bit words do).
void ChannelDifferences(const std::uint8_t* samples, std::uint8_t* copy, std::uint32_t frames) {
    for (std::uint32_t i = 0; i < frames; ++i) {
        std::int16_t in[2];
        std::memcpy(in, samples + std::size_t{i} * 4, 4);
        const std::int16_t out[2] = {static_cast<std::int16_t>(in[0] - in[1]),
                                     static_cast<std::int16_t>(in[1] - in[0])};
        std::memcpy(copy + std::size_t{i} * 4, out, 4);
    }
}

// The frames that `workFrames` working frames stand for at the file's rate,
// halved and offset as the working samples, and for stereo their channel
// differences; empty at the working rate, above kMaxFullQualityRate and
// without the memory.
FullRateSamples FullRateCopy(const std::uint8_t* data, std::uint32_t workFrames, double ratio,
                             std::uint32_t lastFrame, const std::int32_t (&offset)[2], bool stereo) {
    FullRateSamples copy;
    copy.scale = ratio;
    if (ratio == 1.0 || ratio * WORKING_RATE > kMaxFullQualityRate) return copy;
    const auto frames = static_cast<std::uint32_t>(
        std::min<double>(std::round(workFrames * ratio), static_cast<double>(lastFrame) + 1));
    const std::uint32_t blockAlign = stereo ? 4 : 2;
    copy.bytes = Allocate(std::uint64_t{frames} * blockAlign * (stereo ? 2 : 1));
    if (!copy.bytes) return copy;
    copy.sampleBytes = frames * blockAlign;
    if (stereo) {
        Decimate<2>(data, copy.bytes.get(), frames, 1.0, lastFrame, offset);
        ChannelDifferences(copy.bytes.get(), copy.bytes.get() + copy.sampleBytes, frames);
    } else {
        Decimate<1>(data, copy.bytes.get(), frames, 1.0, lastFrame, offset);
    }
    return copy;
}

}  // namespace

std::optional<WaveImage> LoadWaveFile(FileSystem& fs, DialogPort& dialogs, KeyboardPort& keyboard,
                                      const std::string& path, std::uint32_t memoryFactor, ErrorState& error) {
    auto file = fs.OpenForReading(path);
    if (!file) {
        error.Set(WaveError::LoadOpen, WaveError::kNoData);
        return std::nullopt;
    }
    const auto size = file->Size();
    if (!size) {
        error.Set(WaveError::LoadSize, WaveError::kCannotOpen);
        return std::nullopt;
    }
    // Sizes are 32-bit throughout the format; refused before anything is
    // allocated for it.
    if (*size > std::numeric_limits<std::uint32_t>::max()) {
        error.Set(WaveError::FileTooLarge, WaveError::kTooLarge);
        return std::nullopt;
    }
    const auto fileSize = static_cast<std::uint32_t>(*size);

    auto progress = dialogs.OpenProgress("LOADING", "Reading file ...", 5);
    // Failures close the file and the progress window before they report.
    const auto fail = [&](int code, const char* text) {
        file.reset();
        progress.reset();
        error.Set(code, text);
        return std::nullopt;
    };

    // A factor of 0 would leave no room for the bytes read. The product of
    // two 32-bit numbers fits 64 bits.
    const std::uint64_t factor = std::max<std::uint32_t>(memoryFactor, 1);
    std::uint64_t imageSize = factor * fileSize;
    Bytes bytes = Allocate(imageSize);
    if (!bytes) return fail(WaveError::NoMemory, WaveError::kNoMemory);

    progress->SetText(" Loading wave file...");
    std::size_t bytesRead = 0;
    bool cancelled = false;
    std::uint32_t blocksBeforeCancel = 0;
    if (fileSize <= kLoadBlockBytes) {
        if (!ReadExactly(*file, bytes.get(), fileSize)) return fail(WaveError::ReadWhole, WaveError::kCannotRead);
        bytesRead = fileSize;
    } else {
        const std::uint32_t blocks = fileSize / kLoadBlockBytes;
        if (!ReadExactly(*file, bytes.get(), kLoadBlockBytes)) {
            return fail(WaveError::ReadFirstBlock, WaveError::kCannotRead);
        }
        bytesRead = kLoadBlockBytes;
        for (std::uint32_t k = 1; k < blocks; ++k) {
            if (!ReadExactly(*file, bytes.get() + bytesRead, kLoadBlockBytes)) {
                return fail(WaveError::ReadBlock, WaveError::kCannotRead);
            }
            bytesRead += kLoadBlockBytes;
            progress->SetPercent(static_cast<int>(100 * k / blocks));
            if (keyboard.EscapePressed()) {
                cancelled = true;
                blocksBeforeCancel = k;
                break;
            }
        }
        if (!cancelled) {
            const std::size_t rest = fileSize - bytesRead;
            if (!ReadExactly(*file, bytes.get() + bytesRead, rest)) {
                return fail(WaveError::ReadRest, WaveError::kCannotRead);
            }
            bytesRead += rest;
        }
    }

    if (cancelled) {
        // Only what was read is kept, with the same room after it.
        imageSize = factor * bytesRead;
        Bytes kept = Allocate(imageSize);
        if (!kept) return fail(WaveError::NoMemoryShrinking, WaveError::kNoMemory);
        std::memcpy(kept.get(), bytes.get(), bytesRead);
        bytes = std::move(kept);
        dialogs.ShowMessageBox({WaveError::kLoadInterrupted, "Earloop !", MessageIcon::None, MessageButtons::Ok,
                                /*ownedByMainWindow=*/false});
    }
    file.reset();
    progress.reset();

    // An image too short for the format record cannot hold a data chunk after it.
    const auto tag = bytesRead >= kFormatOffset + kFormatRecordBytes ? FindDataTag(bytes.get(), bytesRead)
                                                                     : std::nullopt;
    if (!tag) {
        error.Set(WaveError::LoadNoData, WaveError::kNoData);
        return std::nullopt;
    }
    WaveImage image;
    image.format = FormatAt(bytes.get());
    image.dataOffset = *tag + 8;
    if (!UsableLayout(image.format)) {
        error.Set(WaveError::BadChannelLayout, WaveError::kBadChannels);
        return std::nullopt;
    }
    // Below the working rate the in-place conversion would overtake its own
    // reads; the header check refuses such files, but the file may have
    // changed since.
    if (image.format.nSamplesPerSec < WORKING_RATE) {
        error.Set(WaveError::RateTooLow, WaveError::kRateTooLow);
        return std::nullopt;
    }

    // After a cancel one block less than was read is kept, so that the
    // samples lie wholly inside what was read; either way the data size
    // field is bounded by the bytes that follow the tag (it may claim more
    // than the file has).
    const std::size_t available = bytesRead > image.dataOffset ? bytesRead - image.dataOffset : 0;
    std::uint64_t dataBytes = 0;
    if (cancelled) {
        const std::uint32_t keptBytes = blocksBeforeCancel * static_cast<std::uint32_t>(kLoadBlockBytes);
        dataBytes = keptBytes - keptBytes % image.format.nBlockAlign;
    } else if (image.dataOffset <= bytesRead) {
        dataBytes = ReadU32Le(bytes.get() + *tag + 4);
    }
    image.dataBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes, available));

    // Playback and the analysis assume a wave longer than their blocks.
    const std::uint32_t workFrames = WorkingFrames(image.dataBytes, image.format);
    if (workFrames < kMinimumWorkingFrames) {
        error.Set(WaveError::WaveTooShort, WaveError::kTooShort);
        return std::nullopt;
    }
    // The caller's factor was chosen for the rate the header check saw; if
    // the file's rate changed since, the working samples and their copy may
    // need more room than that.
    const std::uint64_t needed = RoomNeeded(image.dataOffset, workFrames, image.format);
    if (needed > imageSize) {
        Bytes larger = Allocate(needed);
        if (!larger) {
            error.Set(WaveError::NoMemory, WaveError::kNoMemory);
            return std::nullopt;
        }
        std::memcpy(larger.get(), bytes.get(), bytesRead);
        bytes = std::move(larger);
        imageSize = needed;
    }

    image.bytes = std::move(bytes);
    image.size = static_cast<std::size_t>(imageSize);
    image.fileSize = fileSize;
    return image;
}

std::uint32_t PrepareSamples(WaveImage& image, DialogPort& dialogs, bool removeDcOffset, FullRateSamples* fullRate) {
    auto progress = dialogs.OpenProgress("INITIALIZING", "Calculating ...", 5);
    if (fullRate) *fullRate = {};  // the last wave's goes, whatever becomes of this one
    const WaveFormatInfo& format = image.format;
    // The loader hands over only images it has checked; anything else is
    // left as it is rather than read or written out of bounds.
    if (!image.bytes || !UsableLayout(format) || format.nSamplesPerSec < WORKING_RATE ||
        image.dataOffset > image.size) {
        return 0;
    }
    const double ratio = RateRatio(format.nSamplesPerSec);
    const std::uint32_t dataBytes =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(image.dataBytes, image.size - image.dataOffset));
    const bool stereo = format.nChannels == 2;
    const std::size_t roomFrames = (image.size - image.dataOffset) / (format.nBlockAlign * (stereo ? 2u : 1u));
    const std::uint32_t outFrames =
        static_cast<std::uint32_t>(std::min<std::size_t>(WorkingFrames(dataBytes, format), roomFrames));
    if (outFrames == 0) return 0;
    const std::uint32_t lastFrame = dataBytes / format.nBlockAlign - 1;

    std::uint8_t* data = image.bytes.get() + image.dataOffset;
    std::int32_t offset[2] = {0, 0};
    if (removeDcOffset) {
        const std::uint32_t count = std::min<std::uint32_t>(outFrames, 100000);
        if (stereo) {
            DcOffsets<2>(data, count, ratio, lastFrame, offset);
        } else {
            DcOffsets<1>(data, count, ratio, lastFrame, offset);
        }
    }
    if (fullRate) *fullRate = FullRateCopy(data, outFrames, ratio, lastFrame, offset, stereo);
    if (stereo) {
        Decimate<2>(data, data, outFrames, ratio, lastFrame, offset);
    } else {
        Decimate<1>(data, data, outFrames, ratio, lastFrame, offset);
    }
    const std::uint32_t workBytes = outFrames * format.nBlockAlign;
    progress->SetPercent(20);
    // The output formats follow from WorkingFormat(); they are the caller's.
    progress->SetPercent(50);
    if (stereo) ChannelDifferences(data, data + workBytes, outFrames);
    return workBytes;
}

WaveFormatInfo WorkingFormat(const WaveFormatInfo& file) {
    WaveFormatInfo working = file;
    working.nSamplesPerSec = WORKING_RATE;
    working.nAvgBytesPerSec = WORKING_RATE * file.nBlockAlign;
    return working;
}

bool IsValidBaseName(std::string_view text) {
    if (text.empty() || text.front() == ' ') return false;
    // Bytes are taken as signed, so every byte of a multi-byte character
    // (0x80 and above) counts as a control byte and is refused.
    return std::all_of(text.begin(), text.end(), [](char byte) {
        const auto c = static_cast<signed char>(byte);
        return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               c == '^' || c == '_';
    });
}

}  // namespace earloop
