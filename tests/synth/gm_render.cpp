#include "synth/gm_render.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace earloop::testing {

namespace {

// The SoundFont of Debian's timgm6mb-soundfont, which the set-up installs, by
// its own name: "default-GM.sf2" is whichever General MIDI font the machine
// prefers (FluidR3 once fluid-soundfont-gm is installed), and the expected
// notes and chords were heard from this one.
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

}  // namespace

std::optional<std::vector<std::int16_t>> RenderGmNotes(const GmNotes& request) {
    if (!std::filesystem::exists(kSoundFont)) return std::nullopt;

    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", request.rate);
    // The default gain is quiet; this puts a chord near a recording's level.
    fluid_settings_setnum(settings, "synth.gain", 0.8);
    fluid_synth_t* synth = new_fluid_synth(settings);
    std::optional<std::vector<std::int16_t>> samples;
    if (fluid_synth_sfload(synth, kSoundFont, 1) != FLUID_FAILED) {
        fluid_synth_program_change(synth, 0, request.program);
        for (int note : request.notes) fluid_synth_noteon(synth, 0, note, 100);
        const auto frames = static_cast<std::size_t>(request.seconds * request.rate);
        std::vector<float> left(frames), right(frames);
        fluid_synth_write_float(synth, static_cast<int>(frames), left.data(), 0, 1, right.data(), 0, 1);
        samples.emplace();
        samples->reserve(frames * 2);
        for (std::size_t i = 0; i < frames; ++i)
            for (float s : {left[i], right[i]})
                samples->push_back(static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f)));
    }
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return samples;
}

}  // namespace earloop::testing
