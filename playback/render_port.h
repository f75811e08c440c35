#pragma once
// Rendering what the player sounds into an audio file, ahead of time: the
// companion tool's render and the program's Export. The program's transport
// plays the wave into a mixer under a clock the renderer moves, so the file
// holds what a listener would hear from the sound card. The mixer is an
// adapter, so the rendering is a port: this layer says what to render, the
// audio adapter renders it.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "wave/sample_store.h"

namespace earloop {

// How the wave is played for the render.
struct RenderSettings {
    std::optional<int> speedPercent;  // 1..100; unset: 100, or the speed that keeps a shift up in tempo
    int shift = 0;                    // semitones, -5..12
    bool vocalCancel = false;         // play the channel difference (stereo waves only)
    bool fullQuality = false;         // play the samples at the file's own rate, where the store holds them
    std::uint32_t fromMs = 0;         // where play starts
    std::optional<std::uint32_t> toMs;    // where it stops; unset: the end of the data
    std::optional<std::uint32_t> keepMs;  // set: hold a Keep loop at this time instead of playing
    std::uint32_t seconds = 0;            // how long the Keep loop is rendered
    int keepMode = 1;                     // 0 single, 1 double (the program's default)
};

// The rate of every rendered file: the sound card's, as the mixer renders it.
inline constexpr std::uint32_t kRenderRate = 44100;

// Both hold 16-bit samples at kRenderRate with the wave's channels.
enum class AudioFileType { Wav, Flac };

// The type a file name's extension (any case) asks for; nullopt for any other.
inline std::optional<AudioFileType> AudioFileTypeOf(const std::string& path) {
    const auto endsWith = [&path](const std::string& extension) {
        return path.size() >= extension.size() &&
               std::equal(extension.rbegin(), extension.rend(), path.rbegin(),
                          [](char e, char p) { return e == std::tolower(static_cast<unsigned char>(p)); });
    };
    if (endsWith(".wav")) return AudioFileType::Wav;
    if (endsWith(".flac")) return AudioFileType::Flac;
    return std::nullopt;
}

// Told how far the render has come, about every 100 ms of rendered sound.
class RenderProgress {
public:
    virtual ~RenderProgress() = default;
    // `percent` done (0 to 100); false stops the render.
    virtual bool Continue(int percent) = 0;
};

enum class RenderResult { Done, Stopped, Failed };

struct RenderOutcome {
    RenderResult result = RenderResult::Failed;
    std::string error = {};    // why, when Failed: one line
    std::uint64_t frames = 0;  // written, when Done
};

class RenderPort {
public:
    virtual ~RenderPort() = default;
    // Plays the loaded `samples` as `settings` ask into a new file of `type`
    // at `path`, replacing what is there. Only a Done render leaves a file.
    // `samples` is played through a transport of the render's own and comes
    // back as it was given.
    virtual RenderOutcome Render(SampleStore& samples, const RenderSettings& settings, AudioFileType type,
                                 const std::string& path, RenderProgress& progress) = 0;
};

}  // namespace earloop
