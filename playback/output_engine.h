#pragma once
// The output side of the player: turns the working samples into sound through
// the wave output, in one of two modes with exactly one device open at a time.
//
// - Plain mode (speed 100 %): the rest of the wave is one buffer on the plain
//   device, which has no done notices. The same device plays the Keep loop, a
//   short buffer repeated until reset.
// - Stretch mode (speed below 100 %, or a pitch shift up): the stream device
//   plays two buffers in turn; each done notice refills the buffer that
//   finished with the next stretched chunks and queues it again.
//
// A pitch shift re-tunes the output rate of both devices. The position shown
// to the user is the device's own count of played bytes, mapped back to the
// source and added to where output started.
//
// With full quality the devices play the samples at the file's own rate
// (SampleStore::Played) at the output rate times the scale, with every
// stretch and Keep length scaled alike; positions stay in working bytes.

#include <array>
#include <cstdint>
#include <memory>

#include "playback/keep_loop.h"
#include "playback/playback_state.h"
#include "playback/time_stretch.h"
#include "ports/audio_ports.h"
#include "ports/timer_port.h"
#include "wave/sample_store.h"

namespace earloop {

// What the output asks of the rest of the program.
class PlaybackHooks {
public:
    virtual ~PlaybackHooks() = default;
    // The speed caption and slider.
    virtual void ShowSpeed(int percent) = 0;
    // Every position display, after each tick of the position timer.
    virtual void ShowPlayPosition(std::uint32_t position) = 0;
    // The repeat range's end; true when it turned the play around (and
    // restarted the output itself).
    virtual bool RepeatCheck() = 0;
    // The play reached the end of the data.
    virtual void PlayEnded() = 0;
};

inline constexpr int kPositionTimerId = 100;
inline constexpr int kPositionTimerMs = 100;
inline constexpr std::size_t kStreamBufferBytes = 100000;
inline constexpr int kMaxStreamChunks = 20;

class OutputEngine {
public:
    // `streamEvents` receives the stream device's done notices; they come back
    // through OnBufferDone.
    OutputEngine(PlaybackState& state, SampleStore& samples, WaveOutput& output, TimerPort& timers,
                 DeviceEvents& streamEvents, PlaybackHooks& hooks);
    ~OutputEngine();

    // The plain device on `outputFormat`; false when it cannot be opened.
    bool OpenPlainDevice();
    void ClosePlainDevice();
    void ResetPlainDevice();
    void OpenStreamDevice();
    void CloseStreamDevice();
    // Closes whichever device is open: before a new wave replaces the samples
    // the devices read, and at exit.
    void CloseOutput();
    // Closes whichever device is open and opens the plain device in the
    // format now played (full quality was switched).
    void ReopenOutput();

    // Makes the device the current mode needs ready and silent.
    void ResetOutput();
    // While playing (not paused, held, at the end or stopped): starts the
    // output again from `position` in the current mode.
    void RestartOutput();
    void StartPlainPlay();
    void StartStretchPlay();
    // Builds the Keep loop near `offset` (mode 0 single, 1 double) and plays
    // it on the plain device until reset.
    void BuildKeepLoop(std::uint32_t offset, int keepMode);
    // The Keep window: one analysis block of `blockFrames` frames.
    void PrepareKeepHeader(std::uint32_t blockFrames);
    // The wave's length and the FF/RW step, from the working format.
    void PrepareWholeWave(int ffRwStepMs);
    // The FF/RW step: `ffRwStepMs` (not negative) of `format`, whole frames.
    void SetFfRwStep(int ffRwStepMs, const WaveFormatInfo& format);
    // Re-tunes the output rate to 11025 x `factor` and reopens the plain
    // device; false when it could not be reopened (nothing is heard then).
    bool ApplyPitchShift(double factor, std::uint32_t blockFrames, int ffRwStepMs);
    void SetWaveVolume(int percent);

    void StartPositionTimer();
    void StopPositionTimer();
    void OnPositionTimer();
    // A done notice of the stream device.
    void OnBufferDone(int bufferTag);

    bool PlainDeviceOpen() const { return plain_ != nullptr; }
    // The format the devices open in: `outputFormat`, at the played samples' rate.
    WaveFormatInfo DeviceFormat() const;

    // Rounded down to whole frames of the output format.
    std::uint32_t Align(std::uint32_t bytes) const;
    // Conversions between wave time and byte offsets. The time of a position
    // and the offset of a time for Play and Stop go through the shifted
    // output format and the pitch factor; the offset of a time for RW and the
    // repeat range through the working format. Both agree up to rounding.
    std::uint32_t MsOfPosition(std::uint32_t position) const;
    std::uint32_t PlayStopOffset(std::uint32_t ms) const;
    std::uint32_t WaveTimeOffset(std::uint32_t ms) const;
    // WaveTimeOffset before the alignment, as the repeat check compares it.
    double WaveTimeBytes(std::uint32_t ms) const;

private:
    WaveOutDevice* OpenDevice() const;
    // Marks every done notice still due from the stream device as stale.
    void CountStaleNotices();
    void ResetStreamDevice();
    // Chunks that still fit before the end of the data from `streamSource`, or
    // 0 (and `atEnd`) when not even one does.
    int ChunksAhead();
    void QueueStreamBuffer();
    // A length or offset in working bytes as bytes of the played samples, whole frames.
    std::uint32_t PlayedBytesOf(std::uint32_t workingBytes) const;

    PlaybackState& state_;
    SampleStore& samples_;
    WaveOutput& output_;
    TimerPort& timers_;
    DeviceEvents& streamEvents_;
    PlaybackHooks& hooks_;
    std::unique_ptr<WaveOutDevice> plain_;
    std::unique_ptr<WaveOutDevice> stream_;
    // Bumped at every start and reset of the stream: a done notice carries its
    // buffer's generation, so a late notice of a buffer given back by a reset
    // never refills a buffer of a newer stream.
    int streamGeneration_ = 0;
    // The chunk lengths of the stream, fixed when it starts, and the lag that
    // joins the next buffer seamlessly to the one filled last.
    StretchGeometry geometry_;
    std::uint32_t streamLag_ = 0;
    // Fixed at start-up, room for the highest full-quality rate: nothing is
    // allocated while playing.
    static constexpr std::size_t kStreamRoom = kStreamBufferBytes * kMaxRateScale;
    static constexpr std::size_t kKeepRoom = kKeepBufferBytes * kMaxRateScale;
    std::unique_ptr<std::uint8_t[]> streamBuffers_;  // two of kStreamRoom
    std::unique_ptr<std::uint8_t[]> keepBuffer_;     // kKeepRoom
};

}  // namespace earloop
