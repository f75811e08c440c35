// The play speed and the pitch shift: the commands of their buttons, keys and
// slider. Each chooses the new value; the transport sets it, and a new speed
// or shift is heard at once while playing, and at the next start of output
// otherwise.

#include <algorithm>

#include "app/application.h"
#include "app/format_text.h"
#include "playback/time_stretch.h"
#include "ports/control_ids.h"

namespace earloop {

namespace {

constexpr int kFullSpeed = 100;

}  // namespace

void Application::ShowSpeed(int percent) {
    platform_.window.SetControlText(main_[Ctl::SlowRateGroup], FormatText(" Play Speed = %d%%", percent));
    platform_.window.SetSliderPosition(main_[Ctl::SpeedSlider], percent);
}

// Disabling and enabling a button takes the keyboard focus from the control
// that was clicked, so the shortcut keys keep working.
void Application::ToggleButton(Ctl ctl) {
    platform_.window.EnableControl(main_[ctl], false);
    platform_.window.EnableControl(main_[ctl], true);
}

void Application::SpeedTo100() {
    if (!states_.slowRate || playback_.speedPercent == kFullSpeed) return;
    transport_.SetSpeed(kFullSpeed);
    ToggleButton(Ctl::SpeedTo100);
}

void Application::SpeedTo1() {
    if (!states_.slowRate || playback_.speedPercent <= 1) return;
    transport_.SetSpeed(1);
    ToggleButton(Ctl::SpeedTo1);
}

void Application::SpeedUp10() {
    if (!states_.slowRate || playback_.speedPercent == kFullSpeed) return;
    // Full speed is the plain mode, set by its own command.
    if (playback_.speedPercent + 10 >= kFullSpeed)
        Command(ControlId::SpeedTo100);
    else
        transport_.SetSpeed(playback_.speedPercent + 10);
    ToggleButton(Ctl::SpeedTo1);
}

void Application::SpeedDown10() {
    if (!states_.slowRate) return;
    transport_.SetSpeed(std::max(playback_.speedPercent - 10, 1));
    ToggleButton(Ctl::SpeedTo1);
}

void Application::SpeedSliderChanged(int value) {
    if (!states_.slowRate || value == playback_.speedPercent) return;
    transport_.SetSpeed(value == 0 ? 1 : value);
}

void Application::ShiftDown() {
    if (states_.pitchShift && playback_.pitchShift > kMinPitchShift) ApplyShift(playback_.pitchShift - 1, false);
}

void Application::ShiftUp() {
    if (states_.pitchShift && playback_.pitchShift < kMaxPitchShift) ApplyShift(playback_.pitchShift + 1, false);
}

void Application::ShiftReset() {
    if (states_.pitchShift) ApplyShift(0, true);
}

void Application::ApplyShift(int semitones, bool reset) {
    transport_.SetShift(semitones, reset, AnalysisBlockFrames(analysis_.blockMode), settings_.ffRwStep);
    ToggleButton(Ctl::ShiftUp);
}

// The output rate and the speed follow the shift before the output restarts.
void Application::ShiftChanged(int semitones, bool reset, bool outputReopened) {
    // The output stays silent until a later shift or load reopens it; the
    // file's part of the status bar says so meanwhile.
    if (samples_.loaded) {
        if (outputReopened)
            ShowFileInStatusBar();
        else
            platform_.window.SetStatusText(0, "Fail to reopen Wave Out device: playing silently");
    }
    // The pitch scale follows the output rate, so a step stays the pitch heard.
    if (samples_.loaded) SetAnalysisBlock();
    ShowSpeed(playback_.speedPercent);
    // The program has always shown the reset shift as "Shft".
    platform_.window.SetControlText(main_[Ctl::ShiftReadout], FormatText(reset ? "Shft %d" : "Shift %d", semitones));
}

}  // namespace earloop
