#include "tools/tone.h"

#include <cstdio>
#include <vector>

#include "midi/midi_sounder.h"
#include "platform/audio/mixer.h"
#include "platform/audio/wav_writer.h"
#include "platform/midi/midi_output.h"
#include "tools/arguments.h"
#include "tools/console_wave.h"

namespace earloop {
namespace {

constexpr std::uint32_t kCardRate = 44100;
constexpr std::size_t kStepFrames = kCardRate / 100;
// What a two-semitone bend reaches from 440 Hz, whole hertz inside it.
constexpr int kLowestToneHz = 392, kHighestToneHz = 493;
constexpr int kMaxToneSeconds = 60;

class NoMidiHooks : public MidiHooks {
public:
    void ReferencePitchSet(int) override {}
    void PitchAdjustKeyChosen(int) override {}
};

int Fail(const std::string& reason) {
    std::fprintf(stderr, "earloop-cli tone: %s\n", reason.c_str());
    return 1;
}

}  // namespace

std::variant<ToneRequest, std::string> ParseToneArguments(std::span<const std::string> args) {
    if (args.size() < 2) return std::string("needs HZ and OUT.wav");
    ToneRequest request;
    const auto hz = InRange(args[0], kLowestToneHz, kHighestToneHz);
    if (!hz) return "HZ must be a whole number from " + std::to_string(kLowestToneHz) + " to " +
                    std::to_string(kHighestToneHz);
    request.hz = *hz;
    request.output = args[1];
    for (std::size_t i = 2; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) return option + " needs a value";
        const std::string& value = args[i + 1];
        if (option == "--seconds") {
            const auto seconds = InRange(value, 1, kMaxToneSeconds);
            if (!seconds) return "--seconds must be 1 to " + std::to_string(kMaxToneSeconds);
            request.seconds = *seconds;
        } else if (option == "--program") {
            const auto program = InRange(value, 0, 127);
            if (!program) return std::string("--program must be 0 to 127");
            request.program = *program;
        } else {
            return "unknown option " + option;
        }
    }
    return request;
}

int Tone(const ToneRequest& request) {
    Mixer mixer(kCardRate);  // no latency: what is rendered has been heard
    SystemMidiOutput midi(mixer);
    NoTimers timers;
    ConsoleDialogs dialogs;
    Settings settings;
    PitchCalibration calibration;
    NoMidiHooks hooks;
    MidiSounder sounder(midi, timers, dialogs, settings, calibration, hooks);

    // As the program starts the synthesizer, then sounds the tone as Numpad 4,
    // 5 and 6 do, with the reference pitch and the calibration that give HZ.
    sounder.OpenMidiOutput();
    if (!sounder.State().midiAvailable) return Fail("no built-in synthesizer: no SoundFont was found, or it could not be loaded");
    sounder.ApplyVolume(100);
    settings.midiProgram = static_cast<std::uint8_t>(request.program);
    sounder.SendTuning(kStandardPitch, request.hz - kStandardPitch);
    sounder.PlayReferenceTone();

    WavWriter wav(request.output, 1, kCardRate);
    if (!wav.Open()) return Fail(wav.Error());
    std::vector<float> mix(kStepFrames * 2);
    for (std::uint64_t frames = 0; frames < std::uint64_t{kCardRate} * request.seconds; frames += kStepFrames) {
        mixer.Render(mix.data(), kStepFrames);
        wav.Append(mix.data(), kStepFrames);
    }
    sounder.EndReferenceTone(NotePlay{});
    if (!wav.Finish()) return Fail(wav.Error());
    std::printf("%s: A4 at %d Hz, %d s, program %d\n", request.output.c_str(), request.hz, request.seconds,
                request.program);
    return 0;
}

int ToneCommand(int argc, char** argv) { return RunSubcommand<ToneRequest>("tone", argc, argv, ParseToneArguments, Tone); }

}  // namespace earloop
