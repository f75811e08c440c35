#pragma once
// The one in-memory copy of the current wave.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "ports/wave_format_info.h"

namespace earloop {

// Every wave is converted once, at load time, to this rate; playback, the
// views and the analysis all work on these samples.
inline constexpr std::uint32_t WORKING_RATE = 11025;

// How far the in-place conversion to the working rate has got: the load may
// begin it block by block as the file is read, PrepareSamples completes it.
struct SampleConversion {
    bool offsetKnown = false;       // `offset` is fixed and working frames may be made
    std::int32_t offset[2] = {0, 0};  // the DC offset taken off each channel
    std::uint32_t frames = 0;       // working frames made, from the first sample
    double position = 0.0;          // the source position of the next working frame
};

// Full-quality playback plays files up to this rate at their own rate (and
// faster ones from the working samples); the output's buffers are sized for it.
inline constexpr std::uint32_t kMaxFullQualityRate = 192000;
// kMaxFullQualityRate / WORKING_RATE, rounded up.
inline constexpr std::uint32_t kMaxRateScale = (kMaxFullQualityRate + WORKING_RATE - 1) / WORKING_RATE;

// The samples at the file's own rate, halved and less the DC offsets as the
// working samples are, so that both sound alike but for the bandwidth.
struct FullRateSamples {
    std::unique_ptr<std::uint8_t[]> bytes;  // the samples, then (stereo) their channel-difference copy
    std::uint32_t sampleBytes = 0;          // whole frames: working frames x scale, within the data
    double scale = 1.0;                     // file frames per working frame
};

// A whole file read into memory, with room after it for the conversion.
struct WaveImage {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;           // bytes allocated: memoryFactor x the bytes read
    std::uint32_t fileSize = 0;     // bytes of the file
    WaveFormatInfo format;          // the file's own format
    std::size_t dataOffset = 0;     // first sample, 8 bytes after the "data" tag
    std::uint32_t dataBytes = 0;    // sample bytes, bounded by what was read
    std::string decodedFrom;        // the format a decoded file held ("MP3"); empty for a WAV file
    SampleConversion conversion;    // none yet unless the load was told the DC setting
};

struct SampleStore {
    std::string fileName;          // full path of the current wave file
    bool loaded = false;
    std::uint32_t memoryFactor = 1;  // 2 below 22050 Hz: the working samples need a second file's room
    WaveImage image;                 // after the conversion: working samples, then the vocal-cancel copy
    std::uint32_t workBytes = 0;     // bytes of working samples, whole frames
    bool vocalCancelOn = false;      // `Active` reads the channel-difference copy
    WaveFormatInfo baseOutputFormat; // the file's channels at the working rate; fixed after a load
    WaveFormatInfo outputFormat;     // what the output plays; a pitch shift re-tunes its rate
    // Empty at the working rate (the working samples are the file's), above
    // kMaxFullQualityRate and when there was no memory for it.
    FullRateSamples fullRate;
    bool fullQuality = false;        // the output plays `fullRate` when it holds samples

    std::uint32_t FileSize() const { return image.fileSize; }
    const WaveFormatInfo& Format() const { return image.format; }
    std::uint32_t DataBytes() const { return image.dataBytes; }
    const std::uint8_t* Data() const { return image.bytes.get() + image.dataOffset; }
    const std::uint8_t* VocalCut() const { return Data() + workBytes; }
    // The samples that playback, the views and the analysis read.
    const std::uint8_t* Active() const { return vocalCancelOn ? VocalCut() : Data(); }
    bool PlaysFullRate() const { return fullQuality && fullRate.sampleBytes != 0; }
    // Frames the output plays per working frame.
    double PlayScale() const { return PlaysFullRate() ? fullRate.scale : 1.0; }
    // What the output plays: the active working samples or their full-rate counterpart.
    std::span<const std::uint8_t> Played() const {
        if (!PlaysFullRate()) return {Active(), workBytes};
        const std::uint8_t* samples = fullRate.bytes.get();
        return {vocalCancelOn ? samples + fullRate.sampleBytes : samples, fullRate.sampleBytes};
    }
};

}  // namespace earloop
