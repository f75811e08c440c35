#pragma once
// The application object over the recording fakes of every port.

#include "app/application.h"
#include "fakes/fake_platform.h"

namespace earloop::testing {

struct AppHarness {
    FakeWindow window;
    FakeDialogs dialogs{&window.events};
    FakeKeyboard keyboard;
    FakeFileSystem files;
    FakePictureLibraries pictures;
    FakeTextRenderer text;
    FakeTimers timers;
    FakeWaveOutput waveOut;
    NoWaveInput waveIn;
    NoMidiOutput midiOut;
    FakeNoteBox noteBox;
    Application app{{window, dialogs, keyboard, files, pictures, text, timers, waveOut, waveIn, midiOut, noteBox}};

    // What the toolkit does: create, then install the keys once shown.
    bool Start() {
        const bool created = app.Create();
        if (created) app.InstallAccelerators();
        return created;
    }
    const FakeControl& Control(Ctl ctl) const { return window.controls.at(app.Window()[ctl]); }
};

}  // namespace earloop::testing
