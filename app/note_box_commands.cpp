// The Note box: opening and closing it, its controls, the staff it shows, and
// the reference pitch of A with its readouts in the main window.

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "analysis/pitch_calibration.h"
#include "app/application.h"
#include "ports/control_ids.h"
#include "resources/menu_and_keys.h"

namespace earloop {

void Application::DisplayNotes() { Command(ControlId::OpenNoteBox); }

void Application::OpenNoteBox() {
    if (noteBox_.open) return;
    NoteBoxPort& box = platform_.noteBox;
    box.Create(NoteBoxFrame(box.OwnerFrame(), settings_.noteBoxPos), kNoteBoxTitle, NoteBoxControls(),
               AcceleratorTable());
    InitNoteBox();
    box.Show();
    if (LiveInputOn() || !MidiAvailable()) SetNotePlayControls(false, false, false);
    noteBox_.open = true;
    ClearStaff();
    noteBox_.accidentalStyle = AccidentalStyle::Sharps;
    AnalyseAgain();
}

// What the box's creation sets up before it is placed and shown.
void Application::InitNoteBox() {
    NoteBoxPort& box = platform_.noteBox;
    box.SetText(NoteBoxId::ChordGroup, ChordGroupCaption(static_cast<ChordMode>(settings_.chordMode)));
    noteBox_.accidentalStyle = AccidentalStyle::Sharps;
    box.Check(NoteBoxId::Sharps, true);
    noteBox_.displayCount = kStartDisplayCount;
    box.SetText(NoteBoxId::Count, DisplayCountText(noteBox_.displayCount));
    AllNotesOff();
    noteBox_.notePlayOn = false;
    for (const int id : {NoteBoxId::MidiGroup, NoteBoxId::PlayNotes, NoteBoxId::BaseNote})
        box.Enable(id, samples_.loaded);
    box.Check(NoteBoxId::BaseNote, false);
    noteBox_.baseNoteOnly = false;
    ChoosePrecisionForNoteBox();
}

// The longest analysis block shows the notes best; the user may change it after.
void Application::ChoosePrecisionForNoteBox() {
    WindowPort& window = platform_.window;
    window.CheckControl(main_[Ctl::SamplingCoarse], false);
    window.CheckControl(main_[Ctl::SamplingNormal], false);
    window.CheckControl(main_[Ctl::SamplingPrecision], true);
    Command(ControlId::SamplingPrecision);
}

void Application::CloseNoteBox() {
    if (noteBox_.open) platform_.noteBox.Destroy();
    noteBox_.open = false;
    noteBox_.notePlayOn = false;
    AllNotesOff();
}

void Application::NoteBoxCommand(int id) {
    if (!noteBox_.open) return;
    switch (id) {
        case NoteBoxId::Sharps:
        case NoteBoxId::Flats:
            noteBox_.accidentalStyle = id == NoteBoxId::Sharps ? AccidentalStyle::Sharps : AccidentalStyle::Flats;
            AnalyseAgain();
            break;
        case NoteBoxId::Fewer: ChangeDisplayCount(-1); break;
        case NoteBoxId::More: ChangeDisplayCount(+1); break;
        case NoteBoxId::PlayNotes: SwitchNotePlay(); break;
        case NoteBoxId::BaseNote:
            AllNotesOff();
            noteBox_.baseNoteOnly = platform_.noteBox.IsChecked(NoteBoxId::BaseNote);
            AnalyseAgain();
            break;
        case NoteBoxId::Ok:
        case NoteBoxId::Cancel: CloseNoteBox(); break;
        default: break;
    }
}

void Application::ChangeDisplayCount(int step) {
    SilenceNoteBoxNotes();
    noteBox_.displayCount = std::clamp(noteBox_.displayCount + step, kMinDisplayCount, kMaxDisplayCount);
    platform_.noteBox.SetText(NoteBoxId::Count, DisplayCountText(noteBox_.displayCount));
    AnalyseAgain();
}

void Application::SwitchNotePlay() {
    AllNotesOff();
    if (noteBox_.notePlayOn) {
        noteBox_.notePlayOn = false;
        ShowNotePlay(false);
        return;
    }
    noteBox_.notePlayOn = true;
    SilenceNoteBoxNotes();
    AnalyseAgain();
    ShowNotePlay(true);
}

// The switch's caption says what a press does ("ON" while off); for a screen
// reader it reads as checked while notes sound.
void Application::ShowNotePlay(bool on) {
    platform_.noteBox.SetText(NoteBoxId::PlayNotes, on ? "OFF" : "ON");
    platform_.noteBox.Check(NoteBoxId::PlayNotes, on);
}

void Application::AnalyseAgain() { ShowPlayPosition(playback_.position); }

void Application::SetNotePlayControls(bool group, bool button, bool baseNote) {
    noteBox_.notePlayOn = false;
    AllNotesOff();
    NoteBoxPort& box = platform_.noteBox;
    box.Check(NoteBoxId::PlayNotes, false);
    box.Enable(NoteBoxId::MidiGroup, group);
    box.Enable(NoteBoxId::PlayNotes, button);
    box.Enable(NoteBoxId::BaseNote, baseNote);
}

void Application::ClearStaff() {
    const Surfaces& pictures = view_.Pictures();
    ClearStaffArea(noteBox_.staffArea,
                   StaffPicture(analysis_.analysisRange, pictures.staffBoth, pictures.staffTreble, pictures.staffBass));
    platform_.noteBox.PresentPicture(noteBox_.staffArea, {kStaffArea.x, kStaffArea.y});
    platform_.noteBox.SetText(NoteBoxId::ChordText, " ");
    platform_.noteBox.SetText(NoteBoxId::BassText, " ");
}

void Application::PlaceNoteOnStaff(int centre, int rank) {
    if (rank < 0 || rank >= kMaxStaffNotes) return;
    noteBox_.staff[rank] = StaffPlacement(centre, analysis_.analysisRange, noteBox_.accidentalStyle);
}

void Application::DrawStaffNotes(int count) {
    earloop::DrawStaffNotes(noteBox_.staffArea, noteBox_.staff, count, view_.Pictures().noteGlyphs);
    platform_.noteBox.PresentPicture(noteBox_.staffArea, {kStaffArea.x, kStaffArea.y});
}

void Application::ShowDetectedNotes(const NoteDetection& found) {
    const int count = std::min(static_cast<int>(found.detectedNotes.size()), kMaxStaffNotes);
    std::array<int, kMaxStaffNotes> notes{};
    for (int rank = 0; rank < count; ++rank) notes[rank] = found.detectedNotes[rank].midiNote;
    midi_.TakeDetectedNotes(std::span(notes).first(count),
                            found.sortedNotes.empty() ? 0 : found.sortedNotes.front().midiNote);
    for (int rank = 0; rank < kMaxStaffNotes; ++rank) {
        if (rank < count)
            PlaceNoteOnStaff(found.detectedNotes[rank].centre, rank);
        else
            noteBox_.staff[rank].reset();
    }
    if (!noteBox_.open) return;
    ClearStaff();
    DrawStaffNotes(noteBox_.displayCount);
    const ChordTexts texts = NameDetectedChord(found, noteBox_.displayCount, static_cast<ChordMode>(settings_.chordMode),
                                               noteBox_.accidentalStyle);
    if (texts.bass) platform_.noteBox.SetText(NoteBoxId::BassText, *texts.bass);
    if (texts.chord) platform_.noteBox.SetText(NoteBoxId::ChordText, *texts.chord);
    if (noteBox_.notePlayOn && playback_.play != PlayState::Stopped) midi_.SoundDetectedNotes(NotePlayNow());
}

void Application::SetReferenceA(int frequency) {
    if (const auto steps = CalibrationStepsFor(frequency)) calibration_.calibrationSteps = *steps;
    platform_.window.SetControlText(main_[Ctl::CalibrationReadout], ReferenceLabel(frequency));
}

void Application::ShowPitchAdjustKey(int note) {
    if (const auto label = PitchAdjustLabel(note)) platform_.window.SetControlText(main_[Ctl::PitchAdjustLabel], *label);
}

void Application::PitchAdjustDown() { StepReferencePitch(PitchStep::Down); }
void Application::PitchAdjustUp() { StepReferencePitch(PitchStep::Up); }
void Application::PitchAdjustReset() { StepReferencePitch(PitchStep::Reset); }

// One hertz up or down, or back to 440 Hz, with the tone of the new pitch;
// the buttons follow the range's ends.
void Application::StepReferencePitch(PitchStep step) {
    if (!states_.pitchAdjust) return;
    const PitchAdjustButtons buttons = midi_.StepReferencePitch(step);
    ChangeButton(Ctl::PitchAdjustDown, buttons.down);
    ChangeButton(Ctl::PitchAdjustUp, buttons.up);
    AnalyseAgain();
}

void Application::ChangeButton(Ctl button, ButtonChange change) {
    switch (change) {
    case ButtonChange::Keep: break;
    case ButtonChange::Disable: platform_.window.EnableControl(main_[button], false); break;
    case ButtonChange::Refresh: ToggleButton(button); break;
    case ButtonChange::Enable: platform_.window.EnableControl(main_[button], true); break;
    }
}

NotePlay Application::NotePlayNow() const {
    return {.on = noteBox_.notePlayOn,
            .baseNoteOnly = noteBox_.baseNoteOnly,
            .displayCount = noteBox_.displayCount,
            .playing = playback_.play != PlayState::Stopped && playback_.play != PlayState::Paused,
            .keeping = playback_.play == PlayState::Keeping};
}

}  // namespace earloop
