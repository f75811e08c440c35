#include "playback/transport.h"

#include <algorithm>
#include <utility>

#include "playback/time_stretch.h"

namespace earloop {

TransportControl::TransportControl(PlaybackState& state, const MarkPoint& marks, SampleStore& samples,
                                   WaveOutput& output, TimerPort& timers, DeviceEvents& streamEvents,
                                   TransportHooks& hooks, const int& keepMode, const int& keepStep)
    : state_(state),
      marks_(marks),
      samples_(samples),
      hooks_(hooks),
      keepMode_(keepMode),
      keepStep_(keepStep),
      output_(state, samples, output, timers, streamEvents, *this) {}

void TransportControl::PrepareWave(std::uint32_t blockFrames, int ffRwStepMs) {
    output_.PrepareKeepHeader(blockFrames);
    output_.PrepareWholeWave(ffRwStepMs);
}

void TransportControl::ResetForNewWave() {
    state_.position = 0;
    state_.startPosition = 0;
    state_.play = PlayState::Stopped;
    state_.atEnd = false;
    state_.speedPercent = 100;
    state_.sourceRatio = 1.0;
    state_.pitchShift = 0;
    state_.pitchFactor = 1.0;
}

void TransportControl::ReturnToStart(std::uint32_t blockFrames, int ffRwStepMs) {
    state_.position = 0;
    state_.startPosition = 0;
    PrepareWave(blockFrames, ffRwStepMs);
}

void TransportControl::Play() {
    PlaybackState& p = state_;
    std::uint32_t from = p.position;
    if (p.resumeHere) {
        p.resumeHere = false;
    } else if (Stopped()) {
        const bool clicked = std::exchange(p.clickedStartPending, false);
        if (clicked)
            from = output_.PlayStopOffset(p.clickedStartMs);
        else
            from = marks_.markSet ? output_.PlayStopOffset(static_cast<std::uint32_t>(marks_.markMs)) : 0;
    }
    PlayFrom(from);
}

void TransportControl::PlayFrom(std::uint32_t position) {
    output_.ResetOutput();
    state_.position = position;
    state_.play = PlayState::Playing;
    state_.atEnd = false;
    if (state_.StretchOn())
        output_.StartStretchPlay();
    else
        output_.StartPlainPlay();
    hooks_.PlayStateChanged(PlayState::Playing);
}

void TransportControl::Pause() {
    if (state_.play != PlayState::Playing && state_.play != PlayState::Keeping) return;
    HoldPosition();
    state_.play = PlayState::Paused;
    output_.ResetPlainDevice();
    hooks_.PlayStateChanged(PlayState::Paused);
}

void TransportControl::Keep() {
    if (state_.play != PlayState::Playing && state_.play != PlayState::Paused) return;
    HoldPosition();
    state_.play = PlayState::Keeping;
    RebuildKeepLoop();
    hooks_.PlayStateChanged(PlayState::Keeping);
}

void TransportControl::HoldPosition() {
    output_.StopPositionTimer();
    // A held position (Pause or Keep) stays where it was held.
    if (state_.play != PlayState::Playing) return;
    state_.startPosition = state_.position;
    LeaveStreamMode();
}

void TransportControl::LeaveStreamMode() {
    if (!state_.streamOpen) return;
    output_.CloseStreamDevice();
    output_.OpenPlainDevice();
}

void TransportControl::RebuildKeepLoop() {
    output_.ResetPlainDevice();
    output_.BuildKeepLoop(state_.position, keepMode_);
}

void TransportControl::MoveKeepWindow(bool forward) {
    PlaybackState& p = state_;
    const std::uint32_t step =
        output_.Align(p.keepBytes / static_cast<std::uint32_t>(std::max(keepStep_, 1)));
    p.startPosition = p.position;
    if (forward)
        p.position += step;
    else
        p.position = p.position > step ? p.position - step : 0;
    if (p.position + step >= samples_.workBytes) p.position = samples_.workBytes - std::min(step, samples_.workBytes);
    RebuildKeepLoop();
    hooks_.ShowPlayPosition(p.position);
}

bool TransportControl::FastForward() {
    PlaybackState& p = state_;
    if (Stopped() || p.atEnd) return false;
    if (p.play == PlayState::Keeping) {
        MoveKeepWindow(true);
        return true;
    }
    p.position = output_.Align(static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{p.position} + p.ffStepBytes, samples_.workBytes)));
    if (p.position >= samples_.workBytes) {
        p.atEnd = true;
        p.position = samples_.workBytes;
        output_.ResetOutput();
    }
    p.startPosition = p.position;
    output_.RestartOutput();
    hooks_.ShowPlayPosition(p.position);
    return true;
}

void TransportControl::Rewind() {
    PlaybackState& p = state_;
    p.atEnd = false;
    if (p.play == PlayState::Keeping) {
        MoveKeepWindow(false);
        return;
    }
    if (marks_.markSet)
        p.position = output_.WaveTimeOffset(static_cast<std::uint32_t>(marks_.markMs));
    else
        p.position = p.position > p.ffStepBytes ? output_.Align(p.position - p.ffStepBytes) : 0;
    p.startPosition = p.position;
    output_.RestartOutput();
    hooks_.ShowPlayPosition(p.position);
}

bool TransportControl::RepeatCheck() {
    if (!marks_.markSet || !marks_.repeatSet) return false;
    const double markBytes = output_.WaveTimeBytes(static_cast<std::uint32_t>(marks_.markMs));
    if (state_.position <= marks_.repeatEndBytes && state_.position >= markBytes) return false;
    Rewind();
    return true;
}

void TransportControl::Stop() {
    PlaybackState& p = state_;
    output_.StopPositionTimer();
    p.play = PlayState::Stopped;
    if (!samples_.loaded) {
        hooks_.PlayStateChanged(PlayState::Stopped);
        return;
    }
    p.position = marks_.markSet ? output_.PlayStopOffset(static_cast<std::uint32_t>(marks_.markMs)) : 0;
    p.startPosition = p.position;
    hooks_.ShowPlayPosition(p.position);
    LeaveStreamMode();
    output_.ResetPlainDevice();
    p.resumeHere = false;
    hooks_.PlayStateChanged(PlayState::Stopped);
}

void TransportControl::Seek(std::uint32_t offset) {
    PlaybackState& p = state_;
    const bool stopped = Stopped();
    if (!stopped) p.atEnd = false;
    const std::int64_t workBytes = samples_.workBytes;
    std::int64_t seek = output_.Align(offset);
    p.startPosition = static_cast<std::uint32_t>(seek);
    if (seek + p.keepBytes >= workBytes) seek = std::max<std::int64_t>(workBytes - p.keepBytes, 0);
    p.position = static_cast<std::uint32_t>(seek);
    if (p.play == PlayState::Keeping) RebuildKeepLoop();
    output_.RestartOutput();
    hooks_.ShowPlayPosition(p.position);
    if (stopped) {
        p.clickedStartMs = output_.MsOfPosition(p.position);
        p.clickedStartPending = true;
    }
}

void TransportControl::SetSpeed(int percent) {
    state_.speedPercent = percent;
    hooks_.ShowSpeed(percent);
    if (!state_.StretchOn()) state_.sourceRatio = 1.0;
    if (!Stopped()) output_.RestartOutput();
}

void TransportControl::SetShift(int semitones, bool reset, std::uint32_t blockFrames, int ffRwStepMs) {
    PlaybackState& p = state_;
    p.pitchShift = semitones;
    p.pitchFactor = reset ? 1.0 : PitchFactor(semitones);
    p.speedPercent = CompensatedSpeedPercent(semitones);
    const bool reopened = output_.ApplyPitchShift(p.pitchFactor, blockFrames, ffRwStepMs);
    hooks_.ShiftChanged(semitones, reset, reopened);
    if (!p.StretchOn()) p.sourceRatio = 1.0;
    if (p.play == PlayState::Keeping) RebuildKeepLoop();
    if (!Stopped()) output_.RestartOutput();
    hooks_.ShowPlayPosition(p.position);
}

void TransportControl::ActiveSamplesChanged() {
    state_.startPosition = state_.position;
    if (state_.play == PlayState::Keeping) RebuildKeepLoop();
    if (!Stopped()) output_.RestartOutput();
    hooks_.ShowPlayPosition(state_.position);
}

void TransportControl::PlayedRateChanged() {
    if (!samples_.loaded) return;
    output_.ReopenOutput();
    ActiveSamplesChanged();
}

void TransportControl::ChangeKeepWindow(std::uint32_t blockFrames) {
    output_.PrepareKeepHeader(blockFrames);
    KeepModeChanged(true);
    hooks_.ShowPlayPosition(state_.position);
}

void TransportControl::KeepModeChanged(bool restart) {
    ReapplyKeepWindow();
    if (restart && !Stopped()) output_.RestartOutput();
}

void TransportControl::ReapplyKeepWindow() {
    PlaybackState& p = state_;
    if (p.play == PlayState::Keeping) {
        p.startPosition = p.position;
        if (p.position + p.keepBytes >= samples_.workBytes)
            p.position = samples_.workBytes - std::min(p.keepBytes, samples_.workBytes);
        RebuildKeepLoop();
    } else if (p.play == PlayState::Paused) {
        output_.ResetPlainDevice();
    } else {
        LeaveStreamMode();
        output_.ResetPlainDevice();
    }
}

}  // namespace earloop
