#pragma once
// `earloop-cli tone`: the reference tone of A as the built-in synthesizer
// sounds it, tuned by the pitch bend the program sends, written as a WAV,
// so that the synthesizer's tuning can be checked against a tuner.

#include <span>
#include <string>
#include <variant>

namespace earloop {

inline constexpr const char* kToneHelp =
    "earloop-cli tone HZ OUT.wav [--seconds N] [--program N]\n"
    "    Writes the built-in synthesizer's reference A (44.1 kHz 16-bit mono) tuned to HZ.\n"
    "    HZ                 392 to 493\n"
    "    --seconds N        how long the note is held, 1 to 60; default 2\n"
    "    --program N        the General MIDI program, 0 to 127; default 0 (piano)\n";

struct ToneRequest {
    int hz = 440;        // the pitch of A4, within the bend's reach of 440 Hz
    std::string output;
    int seconds = 2;     // how long the note is held, 1..60
    int program = 0;     // the General MIDI program (0 piano, the program's default)
};

std::variant<ToneRequest, std::string> ParseToneArguments(std::span<const std::string> args);

// Renders and writes; 0 done, 1 no synthesizer or the output failed.
int Tone(const ToneRequest& request);

// The subcommand: 2 with one line on standard error for unusable arguments.
int ToneCommand(int argc, char** argv);

}  // namespace earloop
