// The MIDI output over the recording fake device: what start-up and shutdown
// send, the tuning bend, the reference tone and its timer, the keyboard, the
// Note box's notes, the volume slider and the Setting dialog's MIDI page.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "fakes/app_harness.h"
#include "midi/midi_sounder.h"
#include "ports/control_ids.h"

namespace earloop {
namespace {

using Log = std::vector<std::string>;
constexpr const char* kIni = "/opt/earloop/earloop.ini";

std::string Bytes(int status, int data1, int data2) {
    char text[12];
    std::snprintf(text, sizeof text, "%02X %02X %02X", status, data1, data2);
    return text;
}

// Note offs (note-ons of velocity 0) for every note from 24 to 107.
Log EveryNoteOff() {
    Log offs;
    for (int note = 0x18; note <= 0x6B; ++note) offs.push_back(Bytes(0x90, note, 0));
    return offs;
}

Log Join(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Harness : testing::AppHarness {
    // `ini`: the settings file's text; none when empty.
    explicit Harness(const std::string& ini = "[VOLUME]\nmidi volume=100\n") {
        if (!ini.empty()) files.Add(kIni, ini);
        EXPECT_TRUE(Start());
        midiOut.TakeLog();
    }
    void Slide(SliderNotice notice, int position) {
        app.SliderNotice(app.Window()[Ctl::MidiVolumeSlider], notice, position);
    }
};

TEST(MidiStartup, SetsTheBendRangeSilencesResetsThenTunesAndShutdownGivesTheVolumeBack) {
    const struct { const char* ini; const char* tuning; const char* volume; } cases[] = {
        {"", "E0 7E 3F", "volume 19991999"},  // no file: 10 %
        {"[VOLUME]\nmidi volume=50\n[MIDI]\ncalibration=3\n", "E0 42 43", "volume 7FFF7FFF"},
    };
    for (const auto& c : cases) {
        testing::AppHarness h;
        if (*c.ini) h.files.Add(kIni, c.ini);
        ASSERT_TRUE(h.Start());
        const Log setup{"open -1", "B0 65 00", "B0 64 00", "B0 06 02", "B0 65 7F", "B0 64 7F"};
        EXPECT_EQ(h.midiOut.TakeLog(), Join({setup, EveryNoteOff(), {"reset", "C0 00", c.tuning, c.volume}})) << c.ini;
        EXPECT_TRUE(h.dialogs.boxes.empty());
        EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, "A=\n440Hz");

        h.app.Destroy();
        EXPECT_EQ(h.midiOut.TakeLog(), Join({EveryNoteOff(), {"reset", "volume 12345678", "close"}}));
        EXPECT_EQ(h.midiOut.openDevices, 0);
    }
}

TEST(MidiStartup, WithoutADeviceSaysSoOnceAndTheProgramWorksWithoutMidi) {
    testing::AppHarness h;
    h.midiOut.failing.insert(kMidiMapper);
    h.files.Add(kIni, "[VOLUME]\nmidi volume=100\n");
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.dialogs.boxes, (std::vector<MessageBoxRequest>{{"Fail to open MIDI device", "Earloop !",
                                                                 MessageIcon::Exclamation, MessageButtons::Ok, true}}));
    EXPECT_TRUE(h.window.shown);
    EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, "A=\n440Hz");

    h.LoadRamp(11025, 2);
    h.app.Command(ControlId::OpenNoteBox);
    for (int id : {NoteBoxId::MidiGroup, NoteBoxId::PlayNotes, NoteBoxId::BaseNote})
        EXPECT_FALSE(h.noteBox.Find(id)->enabled) << id;
    h.app.Command(ControlId::Play);
    EXPECT_EQ(h.app.Playback().play, PlayState::Playing);
    // The pitch still steps, silently; no tone, no timer.
    h.app.Command(ControlId::PitchAdjustUp);
    EXPECT_EQ(h.app.Calibration().referencePitch, 441);
    EXPECT_FALSE(h.timers.Running(kReferenceTimerId));

    const MidiPage page = h.app.Midi().FillMidiPage();
    EXPECT_FALSE(page.enabled);
    EXPECT_TRUE(page.instruments.empty());
    EXPECT_TRUE(page.devices.empty());
    // OK on the disabled page leaves the MIDI settings as they were.
    h.app.Midi().ApplyMidiSettings(-1, -1);
    EXPECT_EQ(h.app.CurrentSettings().midiDeviceNo, -1);
    EXPECT_EQ(h.app.CurrentSettings().midiDeviceName, "MIDI_MAPPER");
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"open -1"}));
    EXPECT_EQ(h.dialogs.boxes.size(), 1u);
}

TEST(SendTuning, OneBendFromThePitchHeldWithin415And466PlusTheOffset) {
    Harness h;
    const struct { int pitch, offset; const char* bend; } cases[] = {
        {440, 0, "E0 7E 3F"}, {415, 0, "E0 18 1F"}, {466, 0, "E0 4B 5F"}, {440, 50, "E0 1C 7B"},
        {441, 0, "E0 40 41"}, {443, 0, "E0 42 43"}, {490, 0, "E0 4B 5F"}, {400, 0, "E0 18 1F"},
        // Past the wheel's ends the bend stays at them rather than wrapping.
        {460, 50, "E0 7F 7F"}, {430, -40, "E0 00 00"},
    };
    for (const auto& c : cases) {
        h.app.Midi().SendTuning(c.pitch, c.offset);
        EXPECT_EQ(h.midiOut.TakeLog(), Log{c.bend}) << c.pitch << " + " << c.offset;
    }
    EXPECT_EQ(TuningValue(440, 0), 16382);
    EXPECT_EQ(TuningValue(415, 0), 8088);
    EXPECT_EQ(TuningValue(466, 0), 24523);
    EXPECT_EQ(TuningValue(440, 50), 31644);
}

TEST(ReferenceTone, ThreeStepsUpSoundA443For200MsByCalibrationOrByNumpad6) {
    const Log tone443{"E0 42 43", "C0 00", "90 45 7F"};
    {
        Harness h;
        std::string label;
        for (int i = 0; i < 3; ++i) label = h.app.Midi().StepCalibration(+1);
        EXPECT_EQ(label, " +  3");
        EXPECT_EQ(h.app.CurrentSettings().calibration, 3);
        EXPECT_EQ(Log(h.midiOut.log.end() - 3, h.midiOut.log.end()), tone443);
        EXPECT_EQ(h.midiOut.log.size(), 9u);
        h.midiOut.TakeLog();
        EXPECT_EQ(h.timers.running, (std::map<int, int>{{kReferenceTimerId, 200}}));
        h.app.Timer(kReferenceTimerId);
        EXPECT_EQ(h.midiOut.TakeLog(), Log{"90 45 00"});
        EXPECT_FALSE(h.timers.Running(kReferenceTimerId));
    }
    {
        Harness h;
        for (int i = 0; i < 3; ++i) h.app.Command(ControlId::PitchAdjustUp);
        const Log all = h.midiOut.TakeLog();
        EXPECT_EQ(all, Join({{"E0 40 41", "C0 00", "90 45 7F"}, {"E0 01 42", "C0 00", "90 45 7F"}, tone443}));
        EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, "A=\n443Hz");
        h.app.Timer(kReferenceTimerId);
        EXPECT_EQ(h.midiOut.TakeLog(), Log{"90 45 00"});
        // Numpad 5: back to 440, the tone of the key pressed last.
        h.app.MouseDown({255, 380});
        h.app.MouseUp({255, 380});
        h.midiOut.TakeLog();
        h.app.Command(ControlId::PitchAdjustReset);
        EXPECT_EQ(h.midiOut.TakeLog(), (Log{"E0 7E 3F", "C0 00", "90 3C 7F"}));
    }
}

TEST(ReferenceTone, CalibrationStopsAtMinus40AndPlus50AndItsLabel) {
    const struct { int from, step, to; const char* label; } cases[] = {
        {-40, -1, -40, " -  40"}, {50, +1, 50, " +  50"}, {1, -1, 0, " 0"}, {-2, +1, -1, " -  1"},
    };
    for (const auto& c : cases) {
        Harness h("[MIDI]\ncalibration=" + std::to_string(c.from) + "\n");
        EXPECT_EQ(h.app.Midi().StepCalibration(c.step), c.label) << c.from;
        EXPECT_EQ(h.app.CurrentSettings().calibration, c.to);
    }
}

TEST(NoteBoxNotes, OnlyTheDifferencesSoundAndOnlyWhilePlaying) {
    Harness h;
    MidiSounder& midi = h.app.Midi();
    const NotePlay playing{.on = true, .playing = true};
    const int before[] = {60, 64, 69}, after[] = {60, 64, 67};
    midi.TakeDetectedNotes(before, 60);
    midi.SoundChordNotes(5, playing);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 16", "90 3C 7F", "90 40 7F", "90 45 7F"}));
    midi.TakeDetectedNotes(after, 60);
    midi.SoundChordNotes(5, playing);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 16", "90 43 7F", "90 45 00"}));
    // The count cuts the list: only the first two stay.
    midi.TakeDetectedNotes(after, 60);
    midi.SoundChordNotes(2, playing);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 16", "90 43 00"}));

    // The base note: the new one starts before the old one stops.
    const int bass[] = {48}, higher[] = {52};
    midi.TakeDetectedNotes(bass, 48);
    midi.SoundBaseNote(playing);
    midi.TakeDetectedNotes(higher, 52);
    midi.SoundBaseNote(playing);
    midi.SoundBaseNote(playing);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 16", "90 30 7F", "90 00 00", "C0 16", "90 34 7F", "90 30 00", "C0 16"}));

    // Paused or stopped: nothing.
    midi.SoundChordNotes(5, NotePlay{.on = true});
    midi.SoundBaseNote(NotePlay{.on = true});
    EXPECT_TRUE(h.midiOut.TakeLog().empty());
}

TEST(NoteBoxNotes, APlayedChordSoundsOnTheOrganAndPauseSilencesIt) {
    Harness h;
    h.Load(std::vector<std::int16_t>(2 * 22050, 0), 2);  // silence: the analysis finds nothing
    h.app.Command(ControlId::OpenNoteBox);
    for (int id : {NoteBoxId::MidiGroup, NoteBoxId::PlayNotes, NoteBoxId::BaseNote})
        EXPECT_TRUE(h.noteBox.Find(id)->enabled) << id;
    const auto* playNotes = h.noteBox.Find(NoteBoxId::PlayNotes);
    EXPECT_FALSE(playNotes->checked);
    h.app.NoteBoxCommand(NoteBoxId::PlayNotes);
    // The caption says what a press does; a screen reader hears the switch as on.
    EXPECT_EQ(std::pair(playNotes->text, playNotes->checked), std::pair(std::string("OFF"), true));
    h.app.Command(ControlId::Play);
    h.midiOut.TakeLog();
    NoteDetection found;  // G4, C4, E4, strongest first
    found.detectedNotes = {{67, 0, 90, 315}, {60, 0, 80, 245}, {64, 0, 70, 285}};
    found.sortedNotes = {found.detectedNotes[1], found.detectedNotes[2], found.detectedNotes[0]};
    h.app.ShowDetectedNotes(found);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 16", "90 43 7F", "90 3C 7F", "90 40 7F"}));
    // The end of a reference tone sounds the chord again from silence.
    h.app.Command(ControlId::PitchAdjustUp);
    h.midiOut.TakeLog();
    h.app.Timer(kReferenceTimerId);
    Log silenced{"90 45 00", "90 43 00", "90 3C 00", "90 40 00"};
    silenced.insert(silenced.end(), 17, "90 00 00");
    EXPECT_EQ(h.midiOut.TakeLog(), Join({silenced, {"90 3C 00", "C0 16", "90 43 7F", "90 3C 7F", "90 40 7F"}}));
    h.app.Command(ControlId::Pause);
    const Log pause = h.midiOut.TakeLog();
    for (const char* off : {"90 43 00", "90 3C 00", "90 40 00"})
        EXPECT_NE(std::find(pause.begin(), pause.end(), off), pause.end()) << off;
    for (const std::string& message : pause) EXPECT_EQ(message.substr(6), "00") << message;
    h.app.Command(ControlId::Stop);
    EXPECT_EQ(std::pair(playNotes->text, playNotes->checked), std::pair(std::string("ON"), false));
}

TEST(Keyboard, APressSoundsTheKeyADragChangesItAndLeavingOrReleasingEndsIt) {
    Harness h;
    h.app.MouseDown({255, 380});  // middle C
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"E0 7E 3F", "C0 00", "90 3C 7F"}));
    h.app.MouseMove({258, 380}, true);  // the same key: only tuned again
    EXPECT_EQ(h.midiOut.TakeLog(), Log{"E0 7E 3F"});
    h.app.MouseMove({245, 250}, true);  // B below it
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"E0 7E 3F", "90 3C 00", "C0 00", "90 3B 7F"}));
    EXPECT_EQ(h.Control(Ctl::PitchAdjustLabel).text, "  Pitch Adj. [H] ");
    h.app.MouseMove({300, 60}, true);  // off the keyboard
    EXPECT_EQ(h.midiOut.TakeLog(), Log{"90 3B 00"});
    h.app.MouseUp({300, 60});
    EXPECT_EQ(h.midiOut.TakeLog(), Log{"90 3B 00"});
}

TEST(MidiVolumeSlider, EveryNoticeSetsTheVolumeAndSoundsTheToneTheReleaseEndsIt) {
    Harness h;
    using enum SliderNotice;
    for (const SliderNotice notice : {LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom}) {
        h.Slide(notice, 49);
        EXPECT_EQ(h.midiOut.TakeLog(), (Log{"volume 7D707D70", "C0 00", "90 45 3E"})) << static_cast<int>(notice);
    }
    h.Slide(EndScroll, 50);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"volume 7FFF7FFF", "C0 00", "90 45 3F", "90 45 00"}));
    EXPECT_EQ(h.app.CurrentSettings().midiVolume, 50);
    EXPECT_EQ(h.app.Midi().State().noteVelocity, 63);

    // While a Keep loop sounds the Note box's notes, they sound again at the
    // new velocity, as many as the box counts.
    const int notes[] = {60, 64, 67};
    h.app.Midi().TakeDetectedNotes(notes, 60);
    h.app.Midi().ChangeMidiVolume(50, ThumbTrack, NotePlay{.on = true, .displayCount = 2, .keeping = true});
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"volume 7FFF7FFF", "C0 00", "90 45 3F", "C0 16", "90 3C 3F", "90 40 3F"}));
    h.app.Midi().ChangeMidiVolume(50, ThumbTrack, NotePlay{.on = true, .baseNoteOnly = true, .keeping = true});
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"volume 7FFF7FFF", "C0 00", "90 45 3F", "90 3C 3F"}));
}

TEST(MidiPage, ListsInstrumentsAndDevicesAndAppliesOrRestoresThem) {
    Harness h;
    MidiSounder& midi = h.app.Midi();
    const char* programs[] = {"C0 00", "C0 16", "C0 41", "C0 40", "C0 25"};
    for (int entry = 0; entry < 5; ++entry) {
        midi.SelectInstrument(entry);
        EXPECT_EQ(h.midiOut.TakeLog(), Log{programs[entry]}) << entry;
    }
    h.midiOut.names = {"Synth A", "Port B"};
    MidiPage page = midi.FillMidiPage();
    EXPECT_TRUE(page.enabled);
    EXPECT_EQ(page.instruments, (Log{"Piano", "Organ", "Violin", "Sax", "Guiter"}));
    EXPECT_EQ(page.devices, (Log{"MIDI_MAPPER", "Synth A", "Port B"}));
    EXPECT_EQ(page.device, 0);
    EXPECT_EQ(page.calibration, " 0");

    midi.ApplyMidiSettings(2, 2);  // Violin on "Port B"
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 41", "close", "open 1"}));
    EXPECT_EQ(h.app.CurrentSettings().midiDeviceNo, 1);
    EXPECT_EQ(h.app.CurrentSettings().midiDeviceName, "Port B");
    page = midi.FillMidiPage();
    EXPECT_EQ(page.instrument, 2);
    EXPECT_EQ(page.device, 2);

    // A device that cannot be opened: said, and the one before opened again.
    h.midiOut.failing.insert(0);
    midi.ApplyMidiSettings(-1, 1);
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 41", "close", "open 0", "open 1"}));
    EXPECT_EQ(h.dialogs.boxes, (std::vector<MessageBoxRequest>{{"Fail to open MIDI device", "Earloop !",
                                                                 MessageIcon::Exclamation, MessageButtons::Ok, true}}));
    EXPECT_EQ(h.app.CurrentSettings().midiDeviceNo, 1);
    EXPECT_EQ(h.app.CurrentSettings().midiDeviceName, "Port B");

    midi.StepCalibration(+1);
    h.midiOut.TakeLog();
    page = midi.RestoreMidiDefaults();
    EXPECT_EQ(h.midiOut.TakeLog(), (Log{"C0 00", "close", "open -1"}));
    EXPECT_EQ(page.instrument, 0);
    EXPECT_EQ(page.device, 0);
    EXPECT_EQ(page.calibration, " 0");
    EXPECT_EQ(h.app.CurrentSettings().calibration, 0);
    EXPECT_EQ(h.app.CurrentSettings().midiProgram, 0);
    EXPECT_EQ(h.midiOut.openDevices, 1);
}

}  // namespace
}  // namespace earloop
