#include "midi/midi_sounder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace earloop {

namespace {
constexpr std::uint8_t kNoteOn = 0x90, kProgramChange = 0xC0, kPitchBend = 0xE0, kControlChange = 0xB0;
constexpr int kLowestOffNote = 24, kHighestOffNote = 107;
constexpr int kLowestTunedPitch = 415, kHighestTunedPitch = 466;
// The largest value whose two 7-bit bytes (bit 7 dropped) still fit the wheel.
constexpr int kHighestBendValue = 32767;

int NotesBeforeEnd(const NoteList& list) {
    return static_cast<int>(std::find(list.begin(), list.end(), 0) - list.begin());
}

bool Holds(const NoteList& list, int count, int note) {
    return std::find(list.begin(), list.begin() + count, note) != list.begin() + count;
}
}  // namespace

std::uint32_t PackMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}

// A bend past the wheel's range would wrap to the far end of it and sound
// wildly out of tune: the value stops at the end of the wheel instead.
int TuningValue(int pitch, int offset) {
    const double f = std::clamp(pitch, kLowestTunedPitch, kHighestTunedPitch) + offset;
    const auto v = static_cast<int>(std::log10(f * 0.0024078979051288226) * 326490.0 + 8191.0);
    return std::clamp(v, 0, kHighestBendValue);
}

std::string CalibrationLabel(int calibration) {
    char text[24];
    if (calibration < 0)
        std::snprintf(text, sizeof text, " -  %d", -calibration);
    else if (calibration == 0)
        std::snprintf(text, sizeof text, " %d", calibration);
    else
        std::snprintf(text, sizeof text, " +  %d", calibration);
    return text;
}

MidiSounder::MidiSounder(MidiOutput& output, TimerPort& timers, DialogPort& dialogs, Settings& settings,
                         PitchCalibration& calibration, MidiHooks& hooks)
    : output_(output), timers_(timers), dialogs_(dialogs), settings_(settings), calibration_(calibration),
      hooks_(hooks) {}

MidiSounder::~MidiSounder() = default;

void MidiSounder::Send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    // Without a device the messages go nowhere.
    if (device_) device_->ShortMessage(PackMessage(status, data1, data2));
}

// A note off is a note-on of velocity 0.
void MidiSounder::NoteOn(int note, std::uint8_t velocity) { Send(kNoteOn, static_cast<std::uint8_t>(note), velocity); }
void MidiSounder::NoteOff(int note) { NoteOn(note, 0); }
void MidiSounder::ProgramChange(std::uint8_t program) { Send(kProgramChange, program); }

void MidiSounder::ReportOpenFailure() {
    dialogs_.ShowMessageBox({kMidiOpenFailed, "Earloop !", MessageIcon::Exclamation, MessageButtons::Ok, true});
}

bool MidiSounder::Reopen(int deviceNo) {
    device_.reset();
    device_ = output_.Open(deviceNo);
    return device_ != nullptr;
}

void MidiSounder::OpenMidiOutput() {
    state_.instrumentIndex = 0;
    settings_.midiDeviceName = kMidiMapperName;
    settings_.midiDeviceNo = kMidiMapper;
    calibration_.referencePitch = kStandardPitch;
    if (!Reopen(settings_.midiDeviceNo)) {
        ReportOpenFailure();
        hooks_.ReferencePitchSet(kStandardPitch);
        state_.midiAvailable = false;
        return;
    }
    volumeAtStart_ = device_->Volume();
    volumeTaken_ = true;
    // Registered parameter 0, the bend range, set to 2 semitones; then the
    // null parameter, so that a stray data entry changes nothing.
    Send(kControlChange, 101, 0);
    Send(kControlChange, 100, 0);
    Send(kControlChange, 6, 2);
    Send(kControlChange, 101, 127);
    Send(kControlChange, 100, 127);
    AllNotesOff();
    device_->Reset();
    settings_.midiProgram = kInstruments[state_.instrumentIndex].program;
    ProgramChange(settings_.midiProgram);
    state_.toneNote = state_.pitchAdjustNote = kStandardA;
    state_.noteVelocity = 127;
    hooks_.ReferencePitchSet(kStandardPitch);
    SendTuning(kStandardPitch, settings_.calibration);
    state_.midiAvailable = true;
}

void MidiSounder::ApplyVolume(int percent) {
    if (device_) device_->SetVolume(VolumeLevel(percent));
    state_.noteVelocity = static_cast<std::uint8_t>(percent * 127 / 100);
}

void MidiSounder::CloseMidiOutput() {
    AllNotesOff();
    if (!device_) return;
    device_->Reset();
    if (volumeTaken_) device_->SetVolume(volumeAtStart_);
    device_.reset();
}

// On the wire the value loses its bit 7: the wheel gets about half of it,
// which the two-semitone range turns into the pitch.
void MidiSounder::SendTuning(int pitch, int offset) {
    const int v = TuningValue(pitch, offset);
    Send(kPitchBend, static_cast<std::uint8_t>(v & 0x7F), static_cast<std::uint8_t>((v >> 8) & 0x7F));
}

void MidiSounder::PlayReferenceTone() {
    ProgramChange(settings_.midiProgram);
    NoteOn(state_.toneNote, state_.noteVelocity);
    timers_.StartTimer(kReferenceTimerId, kReferenceToneMs);
}

void MidiSounder::EndReferenceTone(const NotePlay& play) {
    NoteOff(state_.toneNote);
    timers_.StopTimer(kReferenceTimerId);
    if (play.on) ResoundNoteBox(play);
}

PitchAdjustButtons MidiSounder::StepReferencePitch(PitchStep step) {
    int& pitch = calibration_.referencePitch;
    PitchAdjustButtons buttons;
    if (step == PitchStep::Reset) {
        // 440 lies inside the range: both ways are open again.
        pitch = kStandardPitch;
        buttons = {ButtonChange::Enable, ButtonChange::Enable};
    } else {
        const bool up = step == PitchStep::Up;
        ButtonChange& pressed = up ? buttons.up : buttons.down;
        ButtonChange& other = up ? buttons.down : buttons.up;
        const int end = up ? kHighestReferencePitch : kLowestReferencePitch;
        pitch += up ? 1 : -1;
        if (up ? pitch >= end : pitch <= end) {
            pitch = end;
            pressed = ButtonChange::Disable;
        } else {
            pressed = ButtonChange::Refresh;
            other = ButtonChange::Enable;
        }
    }
    hooks_.ReferencePitchSet(pitch);
    if (state_.midiAvailable) {
        SendTuning(pitch, settings_.calibration);
        state_.toneNote = state_.pitchAdjustNote;
        PlayReferenceTone();
    }
    return buttons;
}

// The tone is always A4 tuned to 440 Hz plus the calibration, so the user
// can match it against a fork whatever the reference pitch is.
std::string MidiSounder::StepCalibration(int step) {
    settings_.calibration = std::clamp(settings_.calibration + step, kLowestCalibration, kHighestCalibration);
    state_.toneNote = kStandardA;
    SendTuning(kStandardPitch, settings_.calibration);
    PlayReferenceTone();
    return CalibrationLabel(settings_.calibration);
}

void MidiSounder::TakeDetectedNotes(std::span<const int> notes, int lowest) {
    state_.chordNotes.fill(0);
    std::copy_n(notes.begin(), std::min<std::size_t>(notes.size(), kNoteListSize - 1), state_.chordNotes.begin());
    state_.baseNote = lowest;
}

void MidiSounder::AllNotesOff() {
    for (int note = kLowestOffNote; note <= kHighestOffNote; ++note) NoteOff(note);
    state_.chordNotes.fill(0);
    state_.soundingNotes.fill(0);
}

void MidiSounder::SilenceNoteBoxNotes() {
    state_.soundingNotes.fill(0);
    for (const int note : state_.chordNotes) NoteOff(note);
    NoteOff(state_.baseNote);
    state_.lastBaseNote = 0;
}

// Only the differences are sent, so notes held in both lists sound on
// without a new attack.
void MidiSounder::SoundChordNotes(int count, const NotePlay& play) {
    if (!MaySound(play)) return;
    state_.chordNotes[std::clamp(count, 0, kNoteListSize - 1)] = 0;
    ProgramChange(kNoteBoxProgram);
    const int n = NotesBeforeEnd(state_.chordNotes);
    const int m = NotesBeforeEnd(state_.soundingNotes);
    for (int i = 0; i < n; ++i)
        if (!Holds(state_.soundingNotes, m, state_.chordNotes[i])) NoteOn(state_.chordNotes[i], state_.noteVelocity);
    for (int i = 0; i < m; ++i)
        if (!Holds(state_.chordNotes, n, state_.soundingNotes[i])) NoteOff(state_.soundingNotes[i]);
    state_.soundingNotes = state_.chordNotes;
}

// The new note starts before the old one stops.
void MidiSounder::SoundBaseNote(const NotePlay& play) {
    if (!MaySound(play)) return;
    ProgramChange(kNoteBoxProgram);
    if (state_.baseNote == state_.lastBaseNote) return;
    NoteOn(state_.baseNote, state_.noteVelocity);
    NoteOff(state_.lastBaseNote);
    state_.lastBaseNote = state_.baseNote;
}

void MidiSounder::SoundDetectedNotes(const NotePlay& play) {
    if (play.baseNoteOnly)
        SoundBaseNote(play);
    else
        SoundChordNotes(play.displayCount, play);
}

void MidiSounder::ResoundNotes(std::uint8_t velocity, const NotePlay& play) {
    if (play.baseNoteOnly) {
        NoteOn(state_.baseNote, velocity);
        return;
    }
    ProgramChange(kNoteBoxProgram);
    for (int i = 0; i < std::min(play.displayCount, kNoteListSize) && state_.chordNotes[i] != 0; ++i)
        NoteOn(state_.chordNotes[i], velocity);
}

void MidiSounder::ResoundNoteBox(const NotePlay& play) {
    SilenceNoteBoxNotes();
    SoundDetectedNotes(play);
}

void MidiSounder::KeyDown(std::uint8_t note) {
    state_.toneNote = note;
    SendTuning(calibration_.referencePitch, settings_.calibration);
    ProgramChange(settings_.midiProgram);
    NoteOn(state_.toneNote, state_.noteVelocity);
    state_.pitchAdjustNote = state_.toneNote;
    hooks_.PitchAdjustKeyChosen(state_.pitchAdjustNote);
}

// An unchanged key only tunes again.
void MidiSounder::KeyDrag(std::uint8_t note, const NotePlay& play) {
    state_.toneNote = note;
    SendTuning(calibration_.referencePitch, settings_.calibration);
    if (state_.toneNote == state_.pitchAdjustNote) return;
    NoteOff(state_.pitchAdjustNote);
    ProgramChange(settings_.midiProgram);
    NoteOn(state_.toneNote, state_.noteVelocity);
    if (play.on) ResoundNoteBox(play);
    state_.pitchAdjustNote = state_.toneNote;
    hooks_.PitchAdjustKeyChosen(state_.pitchAdjustNote);
}

void MidiSounder::KeyLeave(const NotePlay& play) {
    NoteOff(state_.toneNote);
    if (play.on) ResoundNoteBox(play);
}

void MidiSounder::KeyUp(const NotePlay& play) { KeyLeave(play); }

// Moving the slider sounds the tone note at the new loudness; letting it go
// ends the note.
void MidiSounder::ChangeMidiVolume(int percent, SliderNotice notice, const NotePlay& play) {
    settings_.midiVolume = percent;
    ApplyVolume(percent);
    ProgramChange(settings_.midiProgram);
    NoteOn(state_.toneNote, state_.noteVelocity);
    if (notice == SliderNotice::EndScroll) NoteOff(state_.toneNote);
    if (play.on && play.keeping) ResoundNotes(state_.noteVelocity, play);
}

MidiPage MidiSounder::FillMidiPage() {
    MidiPage page;
    page.calibration = CalibrationLabel(settings_.calibration);
    if (!state_.midiAvailable) return page;
    page.enabled = true;
    for (const Instrument& instrument : kInstruments) page.instruments.push_back(instrument.label);
    page.instrument = state_.instrumentIndex;
    page.devices.push_back(kMidiMapperName);
    const int count = output_.DeviceCount();
    for (int deviceNo = 0; deviceNo < count; ++deviceNo) page.devices.push_back(output_.ProductName(deviceNo));
    if (settings_.midiDeviceNo != kMidiMapper) settings_.midiDeviceName = output_.ProductName(settings_.midiDeviceNo);
    page.device = settings_.midiDeviceNo + 1;
    return page;
}

void MidiSounder::SelectInstrument(int entry) {
    if (entry >= 0 && entry < static_cast<int>(kInstruments.size())) settings_.midiProgram = kInstruments[entry].program;
    ProgramChange(settings_.midiProgram);
}

// Without a device the page's lists are empty: nothing there to apply.
void MidiSounder::ApplyMidiSettings(int instrumentEntry, int deviceEntry) {
    if (!state_.midiAvailable) return;
    if (instrumentEntry >= 0 && instrumentEntry < static_cast<int>(kInstruments.size()))
        state_.instrumentIndex = instrumentEntry;
    SelectInstrument(instrumentEntry);
    const int oldDeviceNo = settings_.midiDeviceNo;
    settings_.midiDeviceNo = deviceEntry - 1;
    if (!Reopen(settings_.midiDeviceNo)) {
        ReportOpenFailure();
        settings_.midiDeviceNo = oldDeviceNo;
        Reopen(settings_.midiDeviceNo);
    }
    settings_.midiDeviceName =
        settings_.midiDeviceNo == kMidiMapper ? kMidiMapperName : output_.ProductName(settings_.midiDeviceNo);
}

MidiPage MidiSounder::RestoreMidiDefaults() {
    settings_.midiProgram = 0;
    ProgramChange(settings_.midiProgram);
    state_.instrumentIndex = 0;
    settings_.midiDeviceNo = kMidiMapper;
    Reopen(settings_.midiDeviceNo);
    settings_.calibration = 0;
    return FillMidiPage();
}

}  // namespace earloop
