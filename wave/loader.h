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
// `error` (code and message) and returns nullopt.
std::optional<WaveImage> LoadWaveFile(FileSystem& fs, DialogPort& dialogs, KeyboardPort& keyboard,
                                      const std::string& path, std::uint32_t memoryFactor, ErrorState& error);

// Converts the image's samples in place to the working rate (every r-th frame,
// r = file rate / 11025, halved, optionally less the DC offset of each
// channel) under the "INITIALIZING" progress window, and for stereo writes the
// channel-difference copy right after the working samples. Returns the byte
// length of the working samples. The image's format stays the file's own.
// With `fullRate`, first copies the samples at the file's own rate for
// full-quality playback, halved and offset alike (see FullRateSamples).
std::uint32_t PrepareSamples(WaveImage& image, DialogPort& dialogs, bool removeDcOffset,
                             FullRateSamples* fullRate = nullptr);

// The format the working samples are played in: the file's channels and
// layout at the working rate.
WaveFormatInfo WorkingFormat(const WaveFormatInfo& file);

// Whether `text` may be used as a file base name: not empty, not starting
// with a blank, and only blanks, digits, ASCII letters, '^' and '_'.
bool IsValidBaseName(std::string_view text);

}  // namespace earloop
