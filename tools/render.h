#pragma once
// `earloop-cli render`: what the player sounds for a stretch of a file, or
// for a Keep loop, written as a 44.1 kHz 16-bit WAV with the file's channels.
// The file is loaded as Open loads it and played by the program's own
// transport and output engine into the program's mixer under a clock the
// render moves, so the result is what a listener would hear from the sound
// card.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace earloop {

inline constexpr const char* kRenderUsage =
    "       earloop-cli render IN.wav OUT.wav [--speed PERCENT] [--shift SEMITONES] [--vocal-cancel] "
    "[--from MS] [--to MS] [--full-quality]\n"
    "       earloop-cli render IN.wav OUT.wav --keep MS --seconds N [--keep-mode single|double] [--shift "
    "SEMITONES] [--vocal-cancel] [--full-quality]\n";

// The longest Keep loop render, in seconds.
inline constexpr std::uint32_t kMaxRenderSeconds = 3600;

struct RenderRequest {
    std::string input;
    std::string output;
    std::optional<int> speedPercent;  // 1..100; unset: 100, or the speed that keeps a shift up in tempo
    int shift = 0;                    // semitones, -5..12
    bool vocalCancel = false;         // play the channel difference (stereo files only)
    bool fullQuality = false;         // play the samples at the file's own rate
    std::uint32_t fromMs = 0;         // where play starts
    std::optional<std::uint32_t> toMs;    // where it stops; unset: the end of the data
    std::optional<std::uint32_t> keepMs;  // set: hold a Keep loop at this time instead of playing
    std::uint32_t seconds = 0;            // how long the Keep loop is rendered, 1..kMaxRenderSeconds
    int keepMode = 1;                     // 0 single, 1 double (the program's default)
};

// The arguments after "render"; a one-line reason when they are not usable.
std::variant<RenderRequest, std::string> ParseRenderArguments(std::span<const std::string> args);

// Loads, renders and writes. Prints one line on failure and returns the exit
// status: 0 done, 1 the input or the output failed.
int Render(const RenderRequest& request);

// The subcommand: 2 with one line on standard error for unusable arguments.
int RenderCommand(int argc, char** argv);

}  // namespace earloop
