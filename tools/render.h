#pragma once
// `earloop-cli render`: what the player sounds for a stretch of a file, or
// for a Keep loop, written as a 44.1 kHz 16-bit WAV (or FLAC) with the file's
// channels.
// The file is loaded as Open loads it and played by the program's own
// transport and output engine into the program's mixer under a clock the
// render moves, so the result is what a listener would hear from the sound
// card.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "playback/render_port.h"

namespace earloop {

inline constexpr const char* kRenderUsage =
    "       earloop-cli render IN.wav OUT.wav|OUT.flac [--speed PERCENT] [--shift SEMITONES] [--vocal-cancel] "
    "[--from MS] [--to MS] [--full-quality]\n"
    "       earloop-cli render IN.wav OUT.wav --keep MS --seconds N [--keep-mode single|double] [--shift "
    "SEMITONES] [--vocal-cancel] [--full-quality]\n";

// The longest Keep loop render, in seconds.
inline constexpr std::uint32_t kMaxRenderSeconds = 3600;

// How to play, and which file into which; seconds is 1..kMaxRenderSeconds.
struct RenderRequest : RenderSettings {
    std::string input;
    std::string output;  // FLAC when it ends in .flac, else WAV
};

// The arguments after "render"; a one-line reason when they are not usable.
std::variant<RenderRequest, std::string> ParseRenderArguments(std::span<const std::string> args);

// Loads, renders and writes. Prints one line on failure and returns the exit
// status: 0 done, 1 the input or the output failed.
int Render(const RenderRequest& request);

// The subcommand: 2 with one line on standard error for unusable arguments.
int RenderCommand(int argc, char** argv);

}  // namespace earloop
