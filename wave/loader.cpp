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

}  // namespace

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

namespace {

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
// (added up, not multiplied, so that positions match the summed steps). Since
// the ratio is at least 1 the writes never overtake the reads, and a frame is
// read whole before it is overwritten. Goes on from where `conversion` stopped,
// up to `endFrame`; a source past `lastFrame` is taken as the last when
// `clampToLast`, and otherwise ends the run (the load has not read it yet).
// Source frame f is read at `source` + (f - `firstSource`) frames: the working
// samples themselves, or a block the load has read elsewhere.
template <unsigned Channels>
void Decimate(const std::uint8_t* source, std::uint32_t firstSource, std::uint8_t* data,
              SampleConversion& conversion, std::uint32_t endFrame, double ratio, std::uint32_t lastFrame,
              bool clampToLast) {
    constexpr std::size_t stride = Channels * 2;
    const std::int32_t offset[2] = {conversion.offset[0], conversion.offset[1]};
    double position = conversion.position;
    std::uint32_t i = conversion.frames;
    for (; i < endFrame; ++i) {
        auto frame = static_cast<std::uint32_t>(position);
        if (frame > lastFrame) {
            if (!clampToLast) break;
            // Rounding in the sum must not step past the last frame read.
            frame = lastFrame;
        }
        std::int16_t in[Channels];
        std::memcpy(in, source + std::size_t{frame - firstSource} * stride, stride);
        std::int16_t out[Channels];
        // A 16-bit sample less a mean of 16-bit samples, halved toward zero,
        // is a 16-bit sample again.
        for (unsigned c = 0; c < Channels; ++c) out[c] = static_cast<std::int16_t>((in[c] - offset[c]) / 2);
        std::memcpy(data + std::size_t{i} * stride, out, stride);
        position += ratio;
    }
    conversion.frames = i;
    conversion.position = position;
}

// The DC offset is the mean of the sources of this many working frames (or
// of all of them when there are fewer).
constexpr std::uint32_t kDcFrames = 100000;

// The mean of the sources of the first `count` working frames, into
// `conversion`, which may then make working frames.
void FixOffset(const std::uint8_t* data, bool stereo, bool removeDcOffset, std::uint32_t count, double ratio,
               std::uint32_t lastFrame, SampleConversion& conversion) {
    if (removeDcOffset) {
        if (stereo) {
            DcOffsets<2>(data, count, ratio, lastFrame, conversion.offset);
        } else {
            DcOffsets<1>(data, count, ratio, lastFrame, conversion.offset);
        }
    }
    conversion.offsetKnown = true;
}

void Decimate(const std::uint8_t* source, std::uint32_t firstSource, std::uint8_t* data, bool stereo,
              SampleConversion& conversion, std::uint32_t endFrame, double ratio, std::uint32_t lastFrame,
              bool clampToLast) {
    if (stereo) {
        Decimate<2>(source, firstSource, data, conversion, endFrame, ratio, lastFrame, clampToLast);
    } else {
        Decimate<1>(source, firstSource, data, conversion, endFrame, ratio, lastFrame, clampToLast);
    }
}

// The conversion made while a long file is read, after each block the load
// goes on from (past its Escape question). Escape at a later block keeps at
// least the samples read by now, and the end of the file those the header's
// size gives; so a working frame whose source is read and inside that size is
// one PrepareSamples would make, from the same DC offset, and it goes on from
// the frames made here. (A frame made past the end of a wave that Escape cut
// short lies where the channel-difference copy goes, or past both.)
//
// The first touch of a page of a new image costs about as much as reading
// into it on some machines, so a block that lies wholly beyond where the
// working samples and their copy can reach is read into a block of its own,
// once the frames before it are made, and the frames it holds the sources of
// are made at once: those pages of the image are never touched.
class ConversionAsRead {
public:
    ConversionAsRead(bool removeDcOffset, std::uint64_t factor, std::uint32_t fileSize)
        : removeDcOffset_(removeDcOffset), factor_(factor), fileSize_(fileSize) {}

    // Where the block at byte `at` of the file is read to. The last block
    // before the rest stays in place, as the final frames may take their
    // sources from it (and the rest) more than once.
    std::uint8_t* Destination(std::uint8_t* image, std::size_t at, bool last) {
        staged_ = !last && Stageable(at);
        if (staged_ && !stage_) stage_ = Allocate(kLoadBlockBytes);
        staged_ = staged_ && stage_;
        stagedAt_ = at;
        return staged_ ? stage_.get() : image + at;
    }

    // Escape after a block read elsewhere: it goes to its place, so that the
    // image holds all that the load keeps.
    void PutBlockInPlace(std::uint8_t* image) {
        if (staged_) std::memcpy(image + stagedAt_, stage_.get(), kLoadBlockBytes);
        staged_ = false;
    }

    // After the Escape question that followed the block ending at `bytesRead`.
    void Convert(std::uint8_t* image, std::size_t bytesRead) {
        if (!known_ && !ReadHeader(image, bytesRead)) return;
        std::uint8_t* data = image + dataOffset_;
        const auto framesRead = static_cast<std::uint32_t>((bytesRead - dataOffset_) / format_.nBlockAlign);
        const std::uint32_t lastFrame = std::min(framesRead, claimedFrames_) - 1;
        if (!conversion.offsetKnown) {
            // Only once the wave is sure to have the whole count, and the
            // count's sources are read.
            const std::uint64_t roomFrames =
                (factor_ * bytesRead - dataOffset_) / (format_.nBlockAlign * (stereo_ ? 2u : 1u));
            const std::uint32_t dataBytes = (lastFrame + 1) * format_.nBlockAlign;
            const bool countSure = std::min<std::uint64_t>(WorkingFrames(dataBytes, format_), roomFrames) >= kDcFrames &&
                                   static_cast<std::uint32_t>((kDcFrames - 1) * ratio_) <= lastFrame;
            if (removeDcOffset_ && !countSure) return;
            FixOffset(data, stereo_, removeDcOffset_, kDcFrames, ratio_, lastFrame, conversion);
        }
        constexpr auto kNoEnd = std::numeric_limits<std::uint32_t>::max();
        if (staged_) {
            Decimate(stage_.get(), FrameAt(stagedAt_), data, stereo_, conversion, kNoEnd, ratio_, lastFrame, false);
        } else {
            Decimate(data, 0, data, stereo_, conversion, kNoEnd, ratio_, lastFrame, false);
        }
    }

    SampleConversion conversion;

private:
    // The format and the data chunk, from the first block; false when the
    // load will refuse them, or the samples start past what was read.
    bool ReadHeader(const std::uint8_t* image, std::size_t bytesRead) {
        if (bytesRead < kFormatOffset + kFormatRecordBytes) return false;
        const auto tag = FindDataTag(image, bytesRead);
        format_ = FormatAt(image);
        if (!tag || !UsableLayout(format_) || format_.nSamplesPerSec < WORKING_RATE) return false;
        dataOffset_ = *tag + 8;
        if (dataOffset_ + format_.nBlockAlign > bytesRead) return false;
        const std::uint64_t claimed = std::min<std::uint64_t>(ReadU32Le(image + *tag + 4), fileSize_ - dataOffset_);
        claimedFrames_ = static_cast<std::uint32_t>(claimed / format_.nBlockAlign);
        if (claimedFrames_ == 0) return false;
        ratio_ = RateRatio(format_.nSamplesPerSec);
        stereo_ = format_.nChannels == 2;
        // However the load ends, its working samples and their copy end
        // before this byte.
        const double copies = stereo_ ? 2.0 : 1.0;
        reach_ = dataOffset_ + static_cast<std::uint64_t>(copies * (fileSize_ - dataOffset_) / ratio_) +
                 format_.nBlockAlign;
        known_ = true;
        return true;
    }

    std::uint32_t FrameAt(std::size_t at) const {
        return static_cast<std::uint32_t>((at - dataOffset_) / format_.nBlockAlign);
    }

    // A block may be read elsewhere when it lies beyond the reach of the
    // working samples and inside the claimed samples, starts on a frame, and
    // every frame whose source lies before it is made.
    bool Stageable(std::size_t at) const {
        return known_ && conversion.offsetKnown && at >= reach_ && (at - dataOffset_) % format_.nBlockAlign == 0 &&
               FrameAt(at) + kLoadBlockBytes / format_.nBlockAlign <= claimedFrames_ &&
               static_cast<std::uint32_t>(conversion.position) >= FrameAt(at);
    }

    bool removeDcOffset_;
    std::uint64_t factor_;
    std::uint32_t fileSize_;
    bool known_ = false;               // the header was read and the load will take it
    WaveFormatInfo format_;
    std::size_t dataOffset_ = 0;
    std::uint32_t claimedFrames_ = 0;  // frames the header's size gives, up to the end of the file
    double ratio_ = 1.0;
    bool stereo_ = false;
    std::uint64_t reach_ = 0;          // the working samples and their copy end before this byte
    Bytes stage_;                      // one block, allocated for the first block read elsewhere
    bool staged_ = false;              // the block read last is in `stage_`
    std::size_t stagedAt_ = 0;
};

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

}  // namespace

std::optional<WaveImage> LoadWaveFile(FileSystem& fs, DialogPort& dialogs, KeyboardPort& keyboard,
                                      const std::string& path, std::uint32_t memoryFactor, ErrorState& error,
                                      std::optional<bool> removeDcOffset) {
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
    std::optional<ConversionAsRead> conversion;
    if (removeDcOffset) conversion.emplace(*removeDcOffset, factor, fileSize);
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
        if (conversion) conversion->Convert(bytes.get(), bytesRead);
        for (std::uint32_t k = 1; k < blocks; ++k) {
            std::uint8_t* into = conversion ? conversion->Destination(bytes.get(), bytesRead, k + 1 == blocks)
                                            : bytes.get() + bytesRead;
            if (!ReadExactly(*file, into, kLoadBlockBytes)) {
                return fail(WaveError::ReadBlock, WaveError::kCannotRead);
            }
            bytesRead += kLoadBlockBytes;
            progress->SetPercent(static_cast<int>(100 * k / blocks));
            if (keyboard.EscapePressed()) {
                if (conversion) conversion->PutBlockInPlace(bytes.get());
                cancelled = true;
                blocksBeforeCancel = k;
                break;
            }
            if (conversion) conversion->Convert(bytes.get(), bytesRead);
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
        // Only what was read is kept, with the same room after it. (Where
        // blocks were read elsewhere the image holds nothing anyone reads.)
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
    if (conversion) image.conversion = conversion->conversion;
    return image;
}

std::uint32_t PrepareSamples(WaveImage& image, DialogPort& dialogs, bool removeDcOffset, FullRateSamples* fullRate) {
    auto progress = dialogs.OpenProgress("INITIALIZING", "Calculating ...", 5);
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
    SampleConversion& conversion = image.conversion;
    if (!conversion.offsetKnown) {
        FixOffset(data, stereo, removeDcOffset, std::min(outFrames, kDcFrames), ratio, lastFrame, conversion);
    }
    // The full-rate copy is read from the file's own samples, before they are converted.
    if (fullRate && conversion.frames == 0) *fullRate = FullRateSamplesOf(image, outFrames, conversion.offset);
    Decimate(data, 0, data, stereo, conversion, outFrames, ratio, lastFrame, /*clampToLast=*/true);
    const std::uint32_t workBytes = outFrames * format.nBlockAlign;
    progress->SetPercent(20);
    // The output formats follow from WorkingFormat(); they are the caller's.
    progress->SetPercent(50);
    if (stereo) ChannelDifferences(data, data + workBytes, outFrames);
    return workBytes;
}

FullRateSamples FullRateSamplesOf(const WaveImage& image, std::uint32_t workFrames, const std::int32_t (&offset)[2]) {
    FullRateSamples copy;
    const WaveFormatInfo& format = image.format;
    if (!image.bytes || !UsableLayout(format) || image.dataOffset > image.size || image.conversion.frames != 0)
        return copy;
    copy.scale = RateRatio(format.nSamplesPerSec);
    if (copy.scale == 1.0 || format.nSamplesPerSec > kMaxFullQualityRate) return copy;
    const std::uint32_t dataBytes =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(image.dataBytes, image.size - image.dataOffset));
    if (dataBytes < format.nBlockAlign) return copy;
    const std::uint32_t lastFrame = dataBytes / format.nBlockAlign - 1;
    const auto frames = static_cast<std::uint32_t>(
        std::min<double>(std::round(workFrames * copy.scale), static_cast<double>(lastFrame) + 1));
    const bool stereo = format.nChannels == 2;
    copy.bytes = Allocate(std::uint64_t{frames} * format.nBlockAlign * (stereo ? 2 : 1));
    if (!copy.bytes) return copy;
    copy.sampleBytes = frames * format.nBlockAlign;
    SampleConversion asIs;
    asIs.offsetKnown = true;
    std::copy(std::begin(offset), std::end(offset), std::begin(asIs.offset));
    Decimate(image.bytes.get() + image.dataOffset, 0, copy.bytes.get(), stereo, asIs, frames, 1.0, lastFrame,
             /*clampToLast=*/true);
    if (stereo) ChannelDifferences(copy.bytes.get(), copy.bytes.get() + copy.sampleBytes, frames);
    return copy;
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
