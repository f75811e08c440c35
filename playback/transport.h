#pragma once
// The transport: every change of where and how the wave plays (Play, Pause,
// Keep, FF, RW, Stop, seeking, speed and shift, the repeat's turn-around)
// in one place over `PlaybackState`, the mark point and the output engine.
// The window program calls it from its commands and shows what it reports
// through TransportHooks; the companion tool's render calls the same
// operations with hooks that show nothing.

#include <cstdint>

#include "playback/mark_point.h"
#include "playback/output_engine.h"
#include "playback/playback_state.h"
#include "ports/audio_ports.h"
#include "ports/timer_port.h"
#include "wave/sample_store.h"

namespace earloop {

// What the transport asks its user to show or do.
class TransportHooks {
public:
    virtual ~TransportHooks() = default;
    // The speed caption and slider.
    virtual void ShowSpeed(int percent) = 0;
    // A shift has re-tuned the output rate and set the speed that keeps the
    // tempo, before the output restarts at them; `reset` by the reset command;
    // `outputReopened` false when no device could be opened at the new rate.
    virtual void ShiftChanged(int semitones, bool reset, bool outputReopened) = 0;
    // Every position display, after each tick and each change of the position.
    virtual void ShowPlayPosition(std::uint32_t position) = 0;
    // At the end of Play, Pause, Keep and Stop.
    virtual void PlayStateChanged(PlayState state) = 0;
    // The play reached the end of the data.
    virtual void PlayEnded() = 0;
};

class TransportControl : private PlaybackHooks {
public:
    // `keepMode` (0 single, 1 double) and `keepStep` (the divisor of the Keep
    // window for FF and RW) are read at each use; their owner keeps them.
    TransportControl(PlaybackState& state, const MarkPoint& marks, SampleStore& samples, WaveOutput& output,
                     TimerPort& timers, DeviceEvents& streamEvents, TransportHooks& hooks, const int& keepMode,
                     const int& keepStep);

    OutputEngine& Output() { return output_; }
    const OutputEngine& Output() const { return output_; }

    // The Keep window of `blockFrames` frames and the wave's length and FF/RW
    // step, after a wave became current or the output rate changed.
    void PrepareWave(std::uint32_t blockFrames, int ffRwStepMs);
    // A new wave is current: stopped at its start, at full speed, unshifted.
    void ResetForNewWave();
    // The current wave stays after a failed load: back to its start.
    void ReturnToStart(std::uint32_t blockFrames, int ffRwStepMs);

    // Resumes after Pause or Keep; from the stopped state starts at a
    // pending click in the overview, at the mark point or at 0.
    void Play();
    // Play from `position`, as Play does once it has chosen where.
    void PlayFrom(std::uint32_t position);
    // Each does nothing when stopped, Pause when paused, Keep when holding.
    void Pause();
    void Keep();
    // False when stopped or at the end, where FF does nothing.
    bool FastForward();
    // Back by the FF/RW step, or to the mark point when one is set; also how
    // a repeat turns around.
    void Rewind();
    void Stop();
    // To `offset` bytes into the wave, kept a whole Keep window before the
    // end; heard at once while playing, the start of the next Play while stopped.
    void Seek(std::uint32_t offset);
    // The speed in percent (1 to 100): stream mode below 100.
    void SetSpeed(int percent);
    // A shift of -5 to +12 semitones; an upward one also lowers the speed so
    // that the tempo stays. The Keep window follows the new rate.
    void SetShift(int semitones, bool reset, std::uint32_t blockFrames, int ffRwStepMs);
    // The output plays other samples of the same wave (the vocal canceller).
    void ActiveSamplesChanged();
    // Full quality was switched: the output plays the same wave at another rate.
    void PlayedRateChanged();
    // The Keep window is now `blockFrames` frames (or the Keep mode changed).
    void ChangeKeepWindow(std::uint32_t blockFrames);
    // The Keep mode changed: a held loop is built again in it; heard at once
    // unless stopped or `restart` is false.
    void KeepModeChanged(bool restart);

private:
    // PlaybackHooks, from the output engine.
    void ShowSpeed(int percent) override { hooks_.ShowSpeed(percent); }
    void ShowPlayPosition(std::uint32_t position) override { hooks_.ShowPlayPosition(position); }
    void PlayEnded() override { hooks_.PlayEnded(); }
    // On every tick, before the position is shown: a play past the repeat
    // end, or before the mark, turns back to the mark.
    bool RepeatCheck() override;

    bool Stopped() const { return state_.play == PlayState::Stopped; }
    // Pause and Keep: the position timer stops and a play's position is held.
    void HoldPosition();
    // The Keep loop always plays on the plain device.
    void LeaveStreamMode();
    // The Keep loop around the position, built again after the position, the
    // window, the samples or the rate changed.
    void RebuildKeepLoop();
    // Moves the held Keep window by one step, kept whole inside the data.
    void MoveKeepWindow(bool forward);
    void ReapplyKeepWindow();

    PlaybackState& state_;
    const MarkPoint& marks_;
    SampleStore& samples_;
    TransportHooks& hooks_;
    const int& keepMode_;
    const int& keepStep_;
    OutputEngine output_;
};

}  // namespace earloop
