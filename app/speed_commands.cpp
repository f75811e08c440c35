// The play speed and the pitch shift: the commands of their buttons, keys and
// slider. A new speed or shift is heard at once while playing, and at the next
// start of output otherwise.

#include <cstdio>

#include "app/application.h"
#include "ports/control_ids.h"
#include "app/format_text.h"
#include "playback/time_stretch.h"

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

// The speed has changed: stream mode below 100 %, heard at once while playing.
void Application::PlaySpeedChanged() {
    ShowSpeed(playback_.speedPercent);
    playback_.stretchOn = playback_.speedPercent != kFullSpeed;
    if (!playback_.stretchOn) playback_.sourceRatio = 1.0;
    if (!playback_.stopped) output_.RestartOutput();
}

void Application::SpeedTo100() {
    if (!states_.slowRate || playback_.speedPercent == kFullSpeed) return;
    playback_.speedPercent = kFullSpeed;
    PlaySpeedChanged();
    ToggleButton(Ctl::SpeedTo100);
}

void Application::SpeedTo1() {
    if (!states_.slowRate || playback_.speedPercent <= 1) return;
    playback_.speedPercent = 1;
    PlaySpeedChanged();
    ToggleButton(Ctl::SpeedTo1);
}

void Application::SpeedUp10() {
    if (!states_.slowRate || playback_.speedPercent == kFullSpeed) return;
    playback_.speedPercent += 10;
    if (playback_.speedPercent >= kFullSpeed) {
        // Full speed is the plain mode, set by its own command.
        playback_.speedPercent = kFullSpeed + 1;
        playback_.stretchOn = false;
        Command(ControlId::SpeedTo100);
    } else {
        PlaySpeedChanged();
    }
    ToggleButton(Ctl::SpeedTo1);
}

void Application::SpeedDown10() {
    if (!states_.slowRate) return;
    playback_.speedPercent = std::max(playback_.speedPercent - 10, 1);
    PlaySpeedChanged();
    ToggleButton(Ctl::SpeedTo1);
}

void Application::SpeedSliderChanged(int value) {
    if (!states_.slowRate || value == playback_.speedPercent) return;
    playback_.speedPercent = value == 0 ? 1 : value;
    PlaySpeedChanged();
}

void Application::ShiftDown() {
    if (!states_.pitchShift) return;
    if (--playback_.pitchShift < kMinPitchShift) {
        playback_.pitchShift = kMinPitchShift;
        return;
    }
    ApplyShift(false);
}

void Application::ShiftUp() {
    if (!states_.pitchShift) return;
    if (++playback_.pitchShift > kMaxPitchShift) {
        playback_.pitchShift = kMaxPitchShift;
        return;
    }
    ApplyShift(false);
}

void Application::ShiftReset() {
    if (!states_.pitchShift) return;
    playback_.pitchShift = 0;
    ApplyShift(true);
}

// Re-tunes the output to the shift; a shift up keeps the tempo by slowing the
// stretch by the same factor.
void Application::ApplyShift(bool reset) {
    playback_.pitchFactor = reset ? 1.0 : PitchFactor(playback_.pitchShift);
    playback_.speedPercent = CompensatedSpeedPercent(playback_.pitchShift);
    output_.ApplyPitchShift(playback_.pitchFactor, AnalysisBlockFrames(analysis_.blockMode), settings_.ffRwStep);
    // The pitch scale follows the output rate, so a step stays the pitch heard.
    if (samples_.loaded) SetAnalysisBlock();

    ShowSpeed(playback_.speedPercent);
    // The program has always shown the reset shift as "Shft".
    platform_.window.SetControlText(main_[Ctl::ShiftReadout],
                                    FormatText(reset ? "Shft %d" : "Shift %d", playback_.pitchShift));
    playback_.stretchOn = playback_.speedPercent != kFullSpeed;
    if (!playback_.stretchOn) playback_.sourceRatio = 1.0;
    if (playback_.keepOn) {
        RebuildKeepLoop();
    }
    if (!playback_.stopped) output_.RestartOutput();
    ShowPlayPosition(playback_.position);
    ToggleButton(Ctl::ShiftUp);
}

}  // namespace earloop
