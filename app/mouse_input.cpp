// The pointer and the sliders on the main window: pressing or dragging in the
// waveform overview seeks, the piano keyboard finds the key under the
// pointer, a right click on it asks for the Note box; the speed and volume
// sliders change their values; the buttons at the keyboard's ends shift its
// five-octave range.

#include <cstdint>

#include "app/application.h"
#include "ports/control_ids.h"

namespace earloop {

namespace {
constexpr int kLowestRange = 2, kHighestRange = 4;
constexpr int kOctavePixels = 120;
}  // namespace

void Application::MouseDown(Point p) {
    pointer_.leftDown = true;
    pointer_.last = p;
    if (InKeyboardArea(p)) {
        pointer_.toneNote = NoteAtPoint(p, analysis_.analysisRange, pointer_.toneNote);
        midi_.KeyDown(pointer_.toneNote);
        return;
    }
    SeekAtPointer();
}

void Application::MouseMove(Point p, bool leftHeld) {
    if (!leftHeld) return;
    pointer_.last = p;
    // A drag that began over a child control has no press of ours: it never
    // sounds keys or seeks.
    if (InKeyboardArea(p) && pointer_.leftDown) {
        pointer_.toneNote = NoteAtPoint(p, analysis_.analysisRange, pointer_.toneNote);
        midi_.KeyDrag(pointer_.toneNote, NotePlayNow());
        return;
    }
    midi_.KeyLeave(NotePlayNow());
    if (pointer_.leftDown) SeekAtPointer();
}

void Application::MouseUp(Point) {
    pointer_.leftDown = false;
    midi_.KeyUp(NotePlayNow());
}

void Application::RightButtonUp(Point p) {
    if (NoteBoxOpen()) return;
    pointer_.last = p;
    if (InKeyboardArea(p)) Command(ControlId::OpenNoteBox);
}

// Play that has reached its end has no position timer left to show the
// readouts again after the window moved.
void Application::MoveOrResizeEnded() {
    if (playback_.atEnd) ShowPlayPosition(playback_.position);
}

// A press or drag in the overview seeks to the time under the pointer; while
// stopped, the next Play starts there.
void Application::SeekAtPointer() {
    const Point p = pointer_.last;
    if (!InOverview(p) || !samples_.loaded || LiveInputOn()) return;
    const double fraction = (p.x - kOverviewAt.x) / static_cast<double>(kOverviewWidth);
    transport_.Seek(static_cast<std::uint32_t>(fraction * samples_.workBytes));
}

// Disables all four sliders before enabling those of the state, which also
// takes the keyboard focus from the slider that was moved.
void Application::RefreshSliders(bool volumeSlider) {
    const bool loaded = samples_.loaded && !(volumeSlider && LiveInputOn());
    switches_.SetSliderEnables(loaded ? SliderEnables{true, true, true, true} : SliderEnables{false, true, true, false});
}

void Application::SliderNotice(ControlHandle slider, earloop::SliderNotice notice, int position) {
    using enum earloop::SliderNotice;
    if (slider == main_[Ctl::SpeedSlider]) {
        // A speed is taken only when the thumb is let go: dragging changes nothing.
        if (notice != EndScroll) return;
        RefreshSliders(false);
        SpeedSliderChanged(position);
    } else if (slider == main_[Ctl::WaveVolumeSlider]) {
        if (notice == EndScroll) RefreshSliders(true);
        settings_.waveVolume = position;
        transport_.Output().SetWaveVolume(position);
    } else if (slider == main_[Ctl::MidiVolumeSlider]) {
        if (notice == LineUp || notice == LineDown) RefreshSliders(true);
        midi_.ChangeMidiVolume(position, notice, NotePlayNow());
    }
    // The position slider only shows the position; seeking is the overview's.
}

// 40024 at the keyboard's left end: one octave lower.
void Application::RangeDown() { ShiftKeyboardRange(+1, Ctl::RangeDown); }
// 40025 at the right end: one octave higher.
void Application::RangeUp() { ShiftKeyboardRange(-1, Ctl::RangeUp); }

void Application::ShiftKeyboardRange(int step, Ctl button) {
    const int range = analysis_.analysisRange + step;
    if (range < kLowestRange || range > kHighestRange) return;
    analysis_.analysisRange = range;
    view_.View().markerX += kOctavePixels * step;
    view_.DrawKeyboardAndMarker();
    // One pitch table serves both: the input's while it runs.
    if (LiveInputOn() || input_.recording)
        SetInputAnalysisBlock();
    else if (samples_.loaded)
        SetAnalysisBlock();
    analysis_.monitorPoints = AnalysisBlockFrames(analysis_.blockMode);
    ShowPlayPosition(playback_.position);
    ToggleButton(button);
}

}  // namespace earloop
