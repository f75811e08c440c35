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

inline constexpr const char* kRenderHelp =
    "earloop-cli render IN OUT.wav|OUT.flac [--speed PERCENT] [--shift SEMITONES] [--vocal-cancel]\n"
    "                   [--from MS] [--to MS] [--full-quality]\n"
    "earloop-cli render IN OUT.wav|OUT.flac --keep MS --seconds N [--keep-mode single|double]\n"
    "                   [--shift SEMITONES] [--vocal-cancel] [--full-quality]\n"
    "    Writes what the player sounds, 44.1 kHz 16-bit with IN's channels (FLAC for a name ending\n"
    "    in .flac). Times are whole milliseconds of IN.\n"
    "    --speed PERCENT    1 to 100; default 100, or the speed that keeps a shift up in tempo\n"
    "    --shift SEMITONES  -5 to 12; default 0\n"
    "    --vocal-cancel     plays the difference of the channels (stereo files only)\n"
    "    --from MS          where play starts, 0 to before the end of IN; default 0\n"
    "    --to MS            where play stops, --from to the end of IN; default the end\n"
    "    --keep MS          holds a Keep loop at MS (0 to before the end of IN) instead of playing\n"
    "    --seconds N        how long the Keep loop is rendered, 1 to 3600\n"
    "    --keep-mode MODE   single or double; default double\n"
    "    --full-quality     plays IN at its own rate rather than from its 11025 Hz working copy\n";

// The longest Keep loop render, in seconds.
inline constexpr std::uint32_t kMaxRenderSeconds = 3600;

// How to play, and which file into which; seconds is 1..kMaxRenderSeconds.
struct RenderRequest : RenderSettings {
    std::string input;
    std::string output;  // FLAC when it ends in .flac, else WAV
};

// The arguments after "render"; a one-line reason when they are not usable.
std::variant<RenderRequest, std::string> ParseRenderArguments(std::span<const std::string> args);

// Loads, renders and writes. Prints one line on standard error on failure
// and returns the exit status: 0 done, 1 the input or the output failed,
// 2 a time outside the input.
int Render(const RenderRequest& request);

// The subcommand: 2 with one line on standard error for unusable arguments.
int RenderCommand(int argc, char** argv);

}  // namespace earloop
