// The transport: Play, Pause, Keep, FF, RW, Stop, the vocal canceller switch
// and the Sampling Time choice, as far as it changes the Keep window.

#include <algorithm>

#include "app/application.h"
#include "ports/control_ids.h"

namespace earloop {

namespace row = transport_row;

void Application::ShowTransport(const TransportRow& buttons) {
    switches_.SetTransportButtons(buttons);
    DrawAllTransportButtons();
}

bool Application::Available(Transport button) const { return states_[button].available; }

void Application::Play() {
    if (!Available(Transport::Play)) return;
    PlaybackState& p = playback_;
    p.paused = false;
    p.keepOn = false;
    output_.ResetOutput();
    if (p.resumeHere) {
        p.resumeHere = false;
    } else if (p.stopped) {
        if (p.clickedStartPending) {
            p.position = output_.PlayStopOffset(p.clickedStartMs);
            p.clickedStartPending = false;
        } else {
            p.position = marks_.markSet ? output_.PlayStopOffset(static_cast<std::uint32_t>(marks_.markMs)) : 0;
        }
        p.startPosition = p.position;
    }
    p.stopped = p.atEnd = p.keepOn = p.paused = false;
    if (p.stretchOn)
        output_.StartStretchPlay();
    else
        output_.StartPlainPlay();
    ShowTransport(row::kPlaying);
}

void Application::Pause() {
    PlaybackState& p = playback_;
    if (!Available(Transport::Pause) || p.stopped || p.paused) return;
    output_.StopPositionTimer();
    p.paused = true;
    if (p.keepOn) {
        p.keepOn = false;  // the position stays where Keep held it
    } else {
        p.startPosition = p.position;
        LeaveStreamMode();
    }
    output_.ResetPlainDevice();
    ShowTransport(row::kPaused);
}

void Application::Keep() {
    PlaybackState& p = playback_;
    if (!Available(Transport::Keep) || p.stopped || p.keepOn) return;
    output_.StopPositionTimer();
    p.keepOn = true;
    if (p.paused) {
        p.paused = false;
    } else {
        p.startPosition = p.position;
        LeaveStreamMode();
    }
    RebuildKeepLoop();
    ShowTransport(row::kKeeping);
}

// The Keep loop around the position, built again after the position, the
// window, the samples or the rate changed.
void Application::RebuildKeepLoop() {
    output_.ResetPlainDevice();
    output_.BuildKeepLoop(playback_.position, settings_.keepMode);
}

// The Keep loop always plays on the plain device.
void Application::LeaveStreamMode() {
    if (!playback_.streamOpen) return;
    output_.CloseStreamDevice();
    output_.OpenPlainDevice();
}

std::uint32_t Application::KeepStepBytes() const {
    return output_.Align(playback_.keepBytes / static_cast<std::uint32_t>(std::max(settings_.keepStep, 1)));
}

// Moves the held Keep window by one step, kept whole inside the data.
void Application::MoveKeepWindow(bool forward) {
    PlaybackState& p = playback_;
    const std::uint32_t step = KeepStepBytes();
    p.startPosition = p.position;
    if (forward)
        p.position += step;
    else
        p.position = p.position > step ? p.position - step : 0;
    if (p.position + step >= samples_.workBytes) p.position = samples_.workBytes - std::min(step, samples_.workBytes);
    RebuildKeepLoop();
    ShowPlayPosition(p.position);
}

void Application::FastForward() {
    PlaybackState& p = playback_;
    if (!Available(Transport::FastForward) || p.stopped || p.atEnd) return;
    if (p.keepOn) {
        MoveKeepWindow(true);
    } else {
        p.position = output_.Align(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{p.position} + p.ffStepBytes, samples_.workBytes)));
        if (p.position >= samples_.workBytes) {
            p.atEnd = true;
            p.position = samples_.workBytes;
            output_.ResetOutput();
        }
        p.startPosition = p.position;
        output_.RestartOutput();
        ShowPlayPosition(p.position);
    }
    ToggleButton(Ctl::FastForward);
}

void Application::RewindCommand() {
    if (!Available(Transport::Rewind) || playback_.stopped) return;
    Rewind();
    ToggleButton(Ctl::Rewind);
}

// Back by the FF/RW step, or to the mark point when one is set; also how a
// repeat turns around.
void Application::Rewind() {
    PlaybackState& p = playback_;
    p.atEnd = false;
    if (p.keepOn) {
        MoveKeepWindow(false);
        return;
    }
    if (marks_.markSet)
        p.position = output_.WaveTimeOffset(static_cast<std::uint32_t>(marks_.markMs));
    else
        p.position = p.position > p.ffStepBytes ? output_.Align(p.position - p.ffStepBytes) : 0;
    p.startPosition = p.position;
    output_.RestartOutput();
    ShowPlayPosition(p.position);
}

void Application::Stop() {
    PlaybackState& p = playback_;
    if (!Available(Transport::Stop)) return;
    output_.StopPositionTimer();
    p.stopped = true;
    if (!samples_.loaded) {
        ShowTransport(row::kStoppedNoWave);
        SetNotePlayControls(false, false, false);
        ToggleButton(Ctl::Stop);
        return;
    }
    switches_.SetControlMode(ControlMode::WaveLoaded, samples_.Format().nChannels == 2);
    noteBox_.notePlayOn = false;
    platform_.noteBox.SetText(NoteBoxId::PlayNotes, "ON");
    p.position = marks_.markSet ? output_.PlayStopOffset(static_cast<std::uint32_t>(marks_.markMs)) : 0;
    p.startPosition = p.position;
    ShowPlayPosition(p.position);
    LeaveStreamMode();
    output_.ResetPlainDevice();
    p.paused = p.keepOn = p.resumeHere = false;
    ShowTransport(row::kStoppedLoaded);
    if (noteBox_.open) {
        if (MidiAvailable()) SetNotePlayControls(true, true, true);
        ChoosePrecisionForNoteBox();
    }
    ToggleButton(Ctl::Stop);
}

void Application::SwitchVocalCanceller() {
    if (!states_.vocalCanceller || !samples_.loaded || samples_.Format().nChannels != 2) return;
    PlaybackState& p = playback_;
    p.startPosition = p.position;
    const bool on = settings_.vocalCanceler == 0;
    samples_.vocalCancelOn = on;
    settings_.vocalCanceler = on ? 1 : 0;
    platform_.window.SetControlText(main_[Ctl::VocalCanceller], on ? "-" : "+");
    if (p.keepOn) {
        RebuildKeepLoop();
    }
    if (!p.stopped) output_.RestartOutput();
    ShowPlayPosition(p.position);
    ToggleButton(Ctl::VocalCanceller);
}

// Radios 31, 32, 33: the analysis block, and with it the Keep window.
void Application::ChooseSamplingTime(int choice) {
    analysis_.blockMode = choice;
    if (!samples_.loaded) return;
    SetAnalysisBlock();
    output_.PrepareKeepHeader(static_cast<std::uint32_t>(analysis_.analysisPoints));
    if (settings_.keepAuto) settings_.keepMode = choice == 2 ? 1 : 0;
    ReapplyKeepWindow();
    if (!playback_.stopped) output_.RestartOutput();
    ShowPlayPosition(playback_.position);
    ToggleButton(choice == 1 ? Ctl::SamplingCoarse : choice == 2 ? Ctl::SamplingNormal : Ctl::SamplingPrecision);
}

void Application::SamplingCoarse() { ChooseSamplingTime(1); }
void Application::SamplingNormal() { ChooseSamplingTime(2); }
void Application::SamplingPrecision() { ChooseSamplingTime(3); }

// Keys 40029..40031 check the radio first, then choose it as a click would.
void Application::ChooseSamplingByKey(int choice) {
    if (!states_.samplingTime) return;
    const Ctl radios[] = {Ctl::SamplingCoarse, Ctl::SamplingNormal, Ctl::SamplingPrecision};
    for (int i = 0; i < 3; ++i) platform_.window.CheckControl(main_[radios[i]], i + 1 == choice);
    Command(ControlId::SamplingCoarse + choice - 1);
}

void Application::ChooseCoarse() { ChooseSamplingByKey(1); }
void Application::ChooseNormal() { ChooseSamplingByKey(2); }
void Application::ChoosePrecision() { ChooseSamplingByKey(3); }

// After the Keep window's length or mode changed.
void Application::ReapplyKeepWindow() {
    PlaybackState& p = playback_;
    if (p.keepOn) {
        p.startPosition = p.position;
        if (p.position + p.keepBytes >= samples_.workBytes)
            p.position = samples_.workBytes - std::min(p.keepBytes, samples_.workBytes);
        RebuildKeepLoop();
    } else if (p.paused) {
        output_.ResetPlainDevice();
    } else {
        LeaveStreamMode();
        output_.ResetPlainDevice();
    }
}

// A new file failed to load: the current wave plays again from its start.
void Application::ReturnToStart() {
    PlaybackState& p = playback_;
    p.position = 0;
    p.startPosition = 0;
    output_.PrepareKeepHeader(static_cast<std::uint32_t>(analysis_.analysisPoints));
    output_.PrepareWholeWave(settings_.ffRwStep);
    view_.DrawDetailView({});
    view_.Texts().bigTime = FormatPlayTime(" %02d:%02d.%02d ", 0);
    view_.DrawBigTime(kBigTimeBox);
    switches_.SetControlMode(ControlMode::WaveLoaded, samples_.Format().nChannels == 2);
    ShowPlayPosition(0);
}

}  // namespace earloop
