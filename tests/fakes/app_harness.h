#pragma once
// The application object over the recording fakes of every port.

#include <utility>

#include "app/application.h"
#include "fakes/fake_decoder.h"
#include "fakes/fake_platform.h"
#include "fakes/wav_builder.h"
#include "ports/control_ids.h"

namespace earloop::testing {

// `Midi`: the MIDI output the program gets (a recording fake by default);
// `Decoder`: its audio decoder.
template <class Midi, class Decoder = FakeDecoder>
struct BasicAppHarness {
    FakeWindow window;
    FakeDialogs dialogs{&window.events};
    FakeKeyboard keyboard;
    FakeFileSystem files;
    FakePictureLibraries pictures;
    FakeTextRenderer text;
    FakeTimers timers;
    FakeWaveOutput waveOut;
    FakeWaveInput waveIn;
    Midi midiOut;
    FakeNoteBox noteBox;
    FakeDesktop desktop{files};
    Decoder decoder;
    FakeRenderer renderer;
    Application app{Ports(waveOut)};

    BasicAppHarness() = default;
    // The fakes over another wave output: a real mixer.
    explicit BasicAppHarness(WaveOutput& output) : app{Ports(output)} {}
    Platform Ports(WaveOutput& output) {
        return {window, dialogs, keyboard, files, pictures, text, timers, output, waveIn, midiOut, noteBox, desktop,
                decoder, renderer};
    }

    // What the toolkit does: create, then install the keys once shown.
    bool Start() {
        const bool created = app.Create();
        if (created) app.InstallAccelerators();
        return created;
    }
    const FakeControl& Control(Ctl ctl) const { return window.controls.at(app.Window()[ctl]); }
    // Opens 16-bit `samples` through the Open command, then clears the wave
    // output's log.
    void Load(std::vector<std::int16_t> samples, std::uint16_t channels, std::uint32_t rate = 11025) {
        WaveSpec spec;
        spec.rate = rate, spec.channels = channels, spec.samples = std::move(samples);
        files.Add("/music/take.wav", MakeWav(spec));
        dialogs.chosenFile = "/music/take.wav";
        app.Command(ControlId::Open);
        waveOut.TakeLog();
    }
    // The Note box's chord text once the loaded wave has played a moment with
    // the box open (Sampling Time precision).
    std::string ChordAfterPlaying() {
        app.Command(ControlId::OpenNoteBox);
        app.Command(ControlId::SamplingPrecision);
        app.Command(ControlId::Play);
        waveOut.Play(4 * 8192);
        app.Timer(kPositionTimerId);
        return noteBox.Find(NoteBoxId::ChordText)->text;
    }
    void LoadRamp(std::size_t frames, std::uint16_t channels) { Load(RampSamples(frames, channels), channels); }
};

using AppHarness = BasicAppHarness<FakeMidiOutput>;

}  // namespace earloop::testing
