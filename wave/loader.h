#pragma once
// Reading a WAV file into memory and converting its samples, in place, to the
// working rate that playback, the views and the analysis share.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ports/dialog_port.h"
#include "ports/error_state.h"
#include "ports/file_system.h"
#include "ports/keyboard_port.h"
#include "ports/wave_format_info.h"
#include "wave/sample_store.h"

namespace earloop {

// Files are read in blocks of this size, so that the progress bar moves and
// Escape is noticed on large files.
inline constexpr std::size_t kLoadBlockBytes = 524288;

// The shortest wave accepted, in working frames: the longest analysis block
// (which also covers two output chunks at any pitch).
inline constexpr std::uint32_t kMinimumWorkingFrames = 2048;

// Reads the whole file at `path` into a new image of memoryFactor x its size
// bytes (the caller's current wave is not touched), showing the "LOADING"
// progress window, and finds its format and samples. Escape pressed during a
// multi-block read keeps what was read so far and says so. On failure sets
// `error` (code and message) and returns nullopt. Given the DC setting
// PrepareSamples will get, the samples are converted block by block as they
// are read, blocks the working samples cannot reach are read into a block of
// the load's own rather than into the image (whose pages there are never
// touched), and PrepareSamples only completes the conversion, with the
// setting given here.
std::optional<WaveImage> LoadWaveFile(FileSystem& fs, DialogPort& dialogs, KeyboardPort& keyboard,
                                      const std::string& path, std::uint32_t memoryFactor, ErrorState& error,
                                      std::optional<bool> removeDcOffset = std::nullopt);

// Working frames of `dataBytes` sample bytes in `format` (which must be a
// usable layout at the working rate or above).
std::uint32_t WorkingFrames(std::uint32_t dataBytes, const WaveFormatInfo& format);

// Bytes an image needs from its start: the working samples and, for stereo,
// the channel-difference copy right after them.
std::uint64_t RoomNeeded(std::size_t dataOffset, std::uint32_t workFrames, const WaveFormatInfo& format);

// Converts the image's samples in place to the working rate (every r-th frame,
// r = file rate / 11025, halved, optionally less the DC offset of each
// channel) under the "INITIALIZING" progress window, and for stereo writes the
// channel-difference copy right after the working samples. Returns the byte
// length of the working samples. The image's format stays the file's own. An
// image the load began to convert keeps the load's DC setting.
// With `fullRate`, first copies the samples at the file's own rate for
// full-quality playback (see FullRateSamplesOf); an image the load began to
// convert has lost them, and `fullRate` is left empty.
std::uint32_t PrepareSamples(WaveImage& image, DialogPort& dialogs, bool removeDcOffset,
                             FullRateSamples* fullRate = nullptr);

// The samples at the file's own rate for full-quality playback: those that
// `workFrames` working frames stand for in the unconverted `image`, less
// `offset` and halved as the working samples are, then for stereo their
// channel differences. Empty at the working rate, above kMaxFullQualityRate,
// for a converted image and without the memory.
FullRateSamples FullRateSamplesOf(const WaveImage& image, std::uint32_t workFrames, const std::int32_t (&offset)[2]);

// The format the working samples are played in: the file's channels and
// layout at the working rate.
WaveFormatInfo WorkingFormat(const WaveFormatInfo& file);

// Whether `text` may be used as a file base name: not empty, not starting
// with a blank, and only blanks, digits, ASCII letters, '^' and '_'.
bool IsValidBaseName(std::string_view text);

}  // namespace earloop
