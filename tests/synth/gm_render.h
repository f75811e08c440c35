#pragma once
// Real instrument sounds for the analysis tests: notes played by FluidSynth
// from Debian's TimGM6mb General MIDI SoundFont, rendered without an audio driver.

#include <cstdint>
#include <optional>
#include <vector>

namespace earloop::testing {

struct GmNotes {
    int program = 0;                // General MIDI program: 0 piano, 24 nylon guitar, ...
    std::vector<int> notes;         // MIDI note numbers, struck together
    double seconds = 2.0;           // held this long
    std::uint32_t rate = 44100;
};

// Interleaved stereo 16-bit samples, or nullopt when the TimGM6mb SoundFont
// (Debian's timgm6mb-soundfont) is not installed.
std::optional<std::vector<std::int16_t>> RenderGmNotes(const GmNotes& request);

}  // namespace earloop::testing
