#pragma once
// The MIDI output on channel 1: the device and its volume, the tuning by one
// pitch bend, the 200 ms reference tone, the keyboard's notes, the sounding
// of the notes the analysis detects, and the Setting dialog's MIDI page.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/pitch_calibration.h"
#include "ports/dialog_port.h"
#include "ports/midi_port.h"
#include "ports/timer_port.h"
#include "ports/window_port.h"
#include "settings/settings.h"

namespace earloop {

// Window timer that ends the reference tone.
inline constexpr int kReferenceTimerId = 102;
inline constexpr int kReferenceToneMs = 200;  // how long the reference tone sounds
inline constexpr const char* kMidiOpenFailed = "Fail to open MIDI device";
inline constexpr const char* kMidiMapperName = "MIDI_MAPPER";
// The user's tuning offset of the synthesizer, hertz.
inline constexpr int kLowestCalibration = -40, kHighestCalibration = 50;
// The detected notes always sound on the organ, whatever instrument is chosen.
inline constexpr std::uint8_t kNoteBoxProgram = 22;
// A4, the note of the reference tone.
inline constexpr std::uint8_t kStandardA = 69;

struct Instrument {
    const char* label;
    std::uint8_t program;  // the Program Change data byte as sent
};
// The MIDI page's instrument list, in list order.
inline constexpr std::array<Instrument, 5> kInstruments{
    {{"Piano", 0}, {"Organ", 22}, {"Violin", 65}, {"Sax", 64}, {"Guiter", 37}}};

// Note numbers, ended by the first 0.
inline constexpr int kNoteListSize = 20;
using NoteList = std::array<int, kNoteListSize>;

struct MidiState {
    bool midiAvailable = false;  // the device opened at start-up
    std::uint8_t noteVelocity = 127;
    std::uint8_t toneNote = kStandardA;         // the reference tone's or the held key's note
    std::uint8_t pitchAdjustNote = kStandardA;  // the keyboard note chosen last
    int instrumentIndex = 0;                    // entry of kInstruments
    NoteList chordNotes{};                      // detected now
    NoteList soundingNotes{};                   // of those, sounding now
    int baseNote = 0;                           // detected now
    int lastBaseNote = 0;                       // sounding now; 0 for none
};

// What the sounding of the Note box's notes depends on elsewhere.
struct NotePlay {
    bool on = false;  // "Play Notes by MIDI"
    bool baseNoteOnly = false;
    int displayCount = 5;  // the Note box's number of notes, 1 to 15
    bool playing = false;  // playback neither paused nor stopped
    bool keeping = false;  // the Keep loop sounds
};

// How a pitch-adjust step leaves the Down and Up buttons.
enum class ButtonChange { Keep, Disable, Refresh, Enable };
struct PitchAdjustButtons {
    ButtonChange down = ButtonChange::Keep, up = ButtonChange::Keep;
    friend bool operator==(PitchAdjustButtons, PitchAdjustButtons) = default;
};
enum class PitchStep { Down, Reset, Up };

// What the Setting dialog's MIDI page shows; selections are list entries,
// -1 for none.
struct MidiPage {
    bool enabled = false;
    std::vector<std::string> instruments;
    int instrument = -1;
    std::vector<std::string> devices;
    int device = -1;
    std::string calibration;
};

// What the rest of the program shows of the MIDI output.
class MidiHooks {
public:
    virtual ~MidiHooks() = default;
    // The reference pitch of A was set: the analysis' calibration and the readout.
    virtual void ReferencePitchSet(int hz) = 0;
    // The "Pitch Adj." label for the key pressed last.
    virtual void PitchAdjustKeyChosen(int note) = 0;
};

// A channel-1 message packed as the port takes it.
std::uint32_t PackMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0);
// The pitch-bend value (before its bit 7 is dropped on the wire) that tunes
// A4 of a synthesizer at 440 Hz to `pitch` (held within 415..466) + `offset`.
int TuningValue(int pitch, int offset);
// The calibration as the MIDI page's label shows it.
std::string CalibrationLabel(int calibration);

// Owns the open MIDI device; its state changes only through these calls,
// all on the GUI thread. Without a device the messages go nowhere.
class MidiSounder {
public:
    MidiSounder(MidiOutput& output, TimerPort& timers, DialogPort& dialogs, Settings& settings,
                PitchCalibration& calibration, MidiHooks& hooks);
    ~MidiSounder();

    const MidiState& State() const { return state_; }

    // Start-up: opens the mapper and sets it up; says once when it cannot.
    void OpenMidiOutput();
    // The `midiVolume` setting applied: device volume and note velocity.
    void ApplyVolume(int percent);
    // Shutdown: notes off, reset, the volume the device had at start-up, close.
    void CloseMidiOutput();

    void SendTuning(int pitch, int offset);
    void PlayReferenceTone();
    // Timer 102.
    void EndReferenceTone(const NotePlay& play);
    // Commands 40017, 40037, 40016; the caller changes the buttons as told.
    PitchAdjustButtons StepReferencePitch(PitchStep step);
    // The MIDI page's "-" and "+": returns the label's new text.
    std::string StepCalibration(int step);

    // A detection with notes: its notes in ranking order and the lowest one.
    void TakeDetectedNotes(std::span<const int> notes, int lowest);
    void AllNotesOff();
    void SilenceNoteBoxNotes();
    void SoundChordNotes(int count, const NotePlay& play);
    void SoundBaseNote(const NotePlay& play);
    // The chord or the base note, as the Note box asks.
    void SoundDetectedNotes(const NotePlay& play);
    void ResoundNotes(std::uint8_t velocity, const NotePlay& play);

    // The keyboard strip, given the key under the pointer.
    void KeyDown(std::uint8_t note);
    void KeyDrag(std::uint8_t note, const NotePlay& play);
    void KeyLeave(const NotePlay& play);
    void KeyUp(const NotePlay& play);

    // Every notice of the MIDI volume slider.
    void ChangeMidiVolume(int percent, SliderNotice notice, const NotePlay& play);

    // The MIDI page.
    MidiPage FillMidiPage();
    void SelectInstrument(int entry);
    // OK, given the page's selections: the instrument, then the device
    // (the one before it again when it cannot be opened).
    void ApplyMidiSettings(int instrumentEntry, int deviceEntry);
    // "Default": what the page selects and shows afterwards.
    MidiPage RestoreMidiDefaults();

private:
    void Send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0);
    void NoteOn(int note, std::uint8_t velocity);
    void NoteOff(int note);
    void ProgramChange(std::uint8_t program);
    // After a keyboard note ends or changes: the Note box's notes again.
    void ResoundNoteBox(const NotePlay& play);
    bool MaySound(const NotePlay& play) const { return state_.midiAvailable && play.playing; }
    bool Reopen(int deviceNo);
    void ReportOpenFailure();

    MidiOutput& output_;
    TimerPort& timers_;
    DialogPort& dialogs_;
    Settings& settings_;
    PitchCalibration& calibration_;
    MidiHooks& hooks_;
    MidiState state_;
    std::unique_ptr<MidiOutDevice> device_;
    // The device's volume before the program changed it, given back at exit.
    PackedVolume volumeAtStart_ = 0;
    bool volumeTaken_ = false;
};

}  // namespace earloop
