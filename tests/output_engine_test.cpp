// The output engine over a recording wave output and window timers that tick
// only when told: what reaches the devices, in what order, as the play goes
// on, changes speed, reaches the end or holds a Keep loop.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/sample_bytes.h"
#include "fakes/wav_builder.h"
#include "playback/output_engine.h"
#include "playback/transport.h"

namespace earloop {
namespace {

using testing::FakeTimers;
using testing::FakeWaveOutput;
using testing::SampleAt;

using Log = std::vector<std::string>;

// `frames` working frames of a ramp (frame i holds i on the left channel,
// wrapping at 16 bits) as the current wave.
void MakeRampCurrent(SampleStore& samples, std::uint32_t frames, std::uint16_t channels) {
    const auto bytes = testing::ToBytes(testing::RampSamples(frames, channels));
    samples.image.bytes = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), samples.image.bytes.get());
    samples.image.size = bytes.size();
    samples.workBytes = static_cast<std::uint32_t>(bytes.size());
    samples.loaded = true;
    samples.baseOutputFormat = samples.outputFormat = Pcm16Format(channels, WORKING_RATE);
}

struct Engine : DeviceEvents, PlaybackHooks {
    PlaybackState state;
    SampleStore samples;
    FakeWaveOutput output;
    FakeTimers timers;
    OutputEngine engine{state, samples, output, timers, *this, *this};
    std::vector<int> speedsShown;
    std::vector<std::uint32_t> positionsShown;
    int endings = 0;

    // A ramp of `frames` working frames, the plain device open.
    explicit Engine(std::uint32_t frames, std::uint16_t channels = 1) {
        MakeRampCurrent(samples, frames, channels);
        engine.PrepareKeepHeader(1024);
        engine.PrepareWholeWave(5000);
        engine.OpenPlainDevice();
        output.TakeLog();
    }

    void OnWaveOutDone(int tag) override { engine.OnBufferDone(tag); }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}
    void ShowSpeed(int percent) override { speedsShown.push_back(percent); }
    void ShowPlayPosition(std::uint32_t position) override { positionsShown.push_back(position); }
    bool RepeatCheck() override { return false; }
    void PlayEnded() override { ++endings; }

    // Playing at `speed` from `position`, as the transport starts it.
    void Play(std::uint32_t position, int speed) {
        state.position = position;
        state.speedPercent = speed;
        state.play = PlayState::Playing;
        engine.RestartOutput();
    }
    // The oldest buffer has played and its notice has arrived.
    bool FinishAndDeliver() {
        const bool finished = output.FinishBuffer();
        output.Deliver();
        return finished;
    }
    bool TimerOn() const { return timers.Running(kPositionTimerId); }
};

std::string Write(std::uint32_t bytes, int times = 1) {
    return "write " + std::to_string(bytes) + " x" + std::to_string(times);
}
// The writes of a log without their tags.
Log Writes(const Log& log) {
    Log writes;
    for (const std::string& line : log)
        writes.push_back(line.rfind("write", 0) == 0 ? line.substr(0, line.find(" tag")) : line);
    return writes;
}

TEST(PlainPlay, OneWriteOfTheRestThenThePositionFollowsThePlayedBytesToTheEnd) {
    Engine e(11025 * 4);  // 4 s mono
    e.Play(44100, 100);   // from 2 s
    // RestartOutput resets the device, and so does the start itself.
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{"reset", "reset", Write(88200 - 44100)}));
    EXPECT_TRUE(e.TimerOn());

    e.output.Play(2205);  // 0.1 s
    e.engine.OnPositionTimer();
    EXPECT_EQ(e.state.position, 44100u + 2205 - 1) << "held to whole frames";
    EXPECT_EQ(e.positionsShown, (std::vector<std::uint32_t>{44100 + 2204}));

    e.output.Play(44100);
    e.engine.OnPositionTimer();
    EXPECT_EQ(e.state.position, 88200u);
    EXPECT_TRUE(e.state.atEnd);
    EXPECT_FALSE(e.TimerOn());
    EXPECT_EQ(e.state.play, PlayState::Playing) << "the transport stays in its playing state";
    EXPECT_EQ(e.endings, 1);
    EXPECT_EQ(e.positionsShown.size(), 1u) << "the end is not shown as a position";
}

TEST(StretchPlay, HalfSpeedQueuesTwoBuffersOfTwentyChunksOnTheStreamDevice) {
    Engine e(11025 * 10);
    e.Play(0, 50);
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{"close", "open 11025 1 stream", Write(22040), Write(22040)}));
    EXPECT_EQ(e.state.queuedBuffers, 2);
    EXPECT_EQ(e.state.streamSource, 20u * 550) << "where the second buffer began";
    EXPECT_EQ(e.speedsShown, (std::vector<int>{50}));

    // Each done notice refills the finished buffer from where the other ended.
    ASSERT_TRUE(e.FinishAndDeliver());
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{Write(22040)}));
    EXPECT_EQ(e.state.streamSource, 40u * 550);
    EXPECT_EQ(e.state.queuedBuffers, 2);

    // The position is the played bytes mapped back to the source.
    e.output.Play(1102);
    e.engine.OnPositionTimer();
    EXPECT_EQ(e.state.position, static_cast<std::uint32_t>((22040 + 1102) * (550.0 / 1102.0)) / 2 * 2);
}

TEST(StretchPlay, ASpeedChangeIgnoresTheTwoReturnedBuffersAndQueuesTwoFreshOnesFromThePosition) {
    Engine e(11025 * 10);
    e.Play(0, 50);
    e.output.Play(11020);
    e.engine.OnPositionTimer();
    const std::uint32_t position = e.state.position;
    ASSERT_EQ(position, 5500u);
    e.output.TakeLog();

    e.state.speedPercent = 40;
    e.engine.RestartOutput();
    EXPECT_EQ(e.state.staleDone, 2);
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{"reset", Write(22040), Write(22040)}));
    EXPECT_EQ(e.state.startPosition, position);
    EXPECT_EQ(e.state.streamSource, position + 20 * 440);

    e.output.Deliver();  // the notices of the two buffers the reset gave back
    EXPECT_TRUE(e.output.TakeLog().empty()) << "nothing refilled for them";
    EXPECT_EQ(e.state.staleDone, 0);
    EXPECT_EQ(e.state.queuedBuffers, 2);
    EXPECT_EQ(e.state.streamSource, position + 20 * 440) << "no double advance";

    ASSERT_TRUE(e.FinishAndDeliver());
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{Write(22040)}));
    EXPECT_EQ(e.state.streamSource, position + 40 * 440);
}

TEST(StretchPlay, TheEndSetsAtEndAndTheTimerStopsWhenTheLastTwoBuffersAreDone) {
    // 2.5 s at 50 %: buffers of 20, 20 and then the chunks that still fit.
    Engine e(27562);
    e.Play(0, 50);
    std::vector<int> chunks{e.state.chunksInBuffer};
    while (!e.state.atEnd) {
        ASSERT_TRUE(e.FinishAndDeliver());
        chunks.push_back(e.state.chunksInBuffer);
        // No chunk ever reads past the data: n chunks need (n - 1) x in +
        // 80 ms of output frames from where the buffer begins.
        if (e.state.chunksInBuffer > 0) {
            EXPECT_LE(e.state.streamSource + (e.state.chunksInBuffer - 1) * 550u + 882 * 2, e.samples.workBytes);
        }
    }
    EXPECT_EQ(chunks, (std::vector<int>{20, 20, 19, 9, 5, 2, 1, 1, 0}));
    const std::uint32_t unplayed = e.samples.workBytes - e.state.streamSource;
    EXPECT_LT(unplayed, 2u * 1102) << "play ends while less than two output chunks of source remain";
    EXPECT_EQ(e.state.queuedBuffers, 1);
    EXPECT_TRUE(e.TimerOn()) << "the last buffer still sounds";
    e.output.TakeLog();

    ASSERT_TRUE(e.FinishAndDeliver());
    EXPECT_FALSE(e.TimerOn());
    EXPECT_EQ(e.state.queuedBuffers, 0);
    EXPECT_EQ(e.output.TakeLog(), (Log{"reset"}));
}

TEST(StretchPlay, ShortRemaindersEndQuietlyAndALateNoticeNeverRefillsANewerStream) {
    // Less than two chunks of output left: nothing is queued, the play is over.
    Engine shortWave(11025 * 3);
    shortWave.Play(shortWave.samples.workBytes - 2 * 1102 + 2, 50);
    EXPECT_EQ(Writes(shortWave.output.TakeLog()), (Log{"close", "open 11025 1 stream"}));
    EXPECT_TRUE(shortWave.state.atEnd);
    EXPECT_EQ(shortWave.state.queuedBuffers, 0);
    EXPECT_FALSE(shortWave.TimerOn());

    // Room for one buffer only: it is queued and the end is already known, so
    // a reset does not count its notice as stale.
    Engine e(11025 * 3);
    e.Play(e.samples.workBytes - 2500, 50);
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{"close", "open 11025 1 stream", Write(1102)}));
    EXPECT_TRUE(e.state.atEnd);
    EXPECT_EQ(e.state.queuedBuffers, 1);

    // A seek back starts a new stream while that notice is still on its way.
    e.engine.ResetOutput();
    EXPECT_EQ(e.state.staleDone, 0);
    e.state.atEnd = false;
    e.state.position = 0;
    e.engine.StartStretchPlay();
    e.output.TakeLog();
    e.output.Deliver();
    EXPECT_TRUE(e.output.TakeLog().empty()) << "the late notice refilled nothing";
    EXPECT_EQ(e.state.queuedBuffers, 2);
    EXPECT_EQ(e.state.streamSource, 20u * 550);
    ASSERT_TRUE(e.FinishAndDeliver());
    EXPECT_EQ(Writes(e.output.TakeLog()), (Log{Write(22040)})) << "the new stream's own notices still refill";
}

TEST(StretchPlay, ASpeedOfZeroPlaysAtOnePercent) {
    Engine e(11025 * 4);
    e.Play(0, 0);
    EXPECT_EQ(e.state.speedPercent, 1);
    EXPECT_EQ(e.state.inChunkBytes, 10u) << "1 % of 1102 bytes, whole frames";
}

TEST(FailedDevices, EveryOperationOnADeviceThatDidNotOpenEndsQuietly) {
    Engine e(11025 * 4, 2);
    e.output.failOpen = true;
    e.engine.ClosePlainDevice();
    e.output.TakeLog();
    EXPECT_FALSE(e.engine.OpenPlainDevice());
    e.Play(8000, 100);
    e.engine.OnPositionTimer();
    EXPECT_EQ(e.state.position, 8000u) << "the timer keeps showing where output started";
    e.engine.BuildKeepLoop(8000, 1);
    e.engine.SetWaveVolume(40);
    e.Play(8000, 50);
    e.engine.OnPositionTimer();
    EXPECT_EQ(e.state.position, 8000u);
    e.engine.ApplyPitchShift(2.0, 1024, 5000);
    e.engine.CloseOutput();
    EXPECT_EQ(e.output.TakeLog(), (Log{"open 11025 2 plain", "open 11025 2 stream", "open 22050 2 plain"}));
}

TEST(PitchShift, ReopensThePlainDeviceAtTheShiftedRateFromEitherMode) {
    struct Case {
        int speed;
        double factor;
        Log log;
    };
    const Case cases[] = {
        {100, 2.0, {"close", "open 22050 2 plain"}},
        {100, 0.749153538, {"close", "open 8259 2 plain"}},
        {50, 2.0, {"reset", "close", "open 22050 2 plain"}},
    };
    for (const Case& c : cases) {
        Engine e(11025 * 4, 2);
        e.Play(4000, c.speed);
        e.output.TakeLog();
        e.engine.ApplyPitchShift(c.factor, 2048, 5000);
        EXPECT_EQ(e.output.TakeLog(), c.log) << c.factor;
        EXPECT_FALSE(e.state.streamOpen);
        EXPECT_FALSE(e.TimerOn());
        EXPECT_EQ(e.state.startPosition, 4000u);
        EXPECT_EQ(e.samples.outputFormat.nAvgBytesPerSec, e.samples.outputFormat.nSamplesPerSec * 4);
        EXPECT_EQ(e.state.keepBytes, 2048u * 4);
        EXPECT_EQ(e.state.totalMs, 4000u) << "lengths stay in working-rate time";
        EXPECT_EQ(e.state.ffStepBytes, 5u * 44100);
    }
}

TEST(WaveVolume, PercentToBothChannelsOnTheOpenDevice) {
    // The plain device's volume is pinned through the slider's test.
    EXPECT_EQ(VolumeLevel(0), 0u);
    EXPECT_EQ(VolumeLevel(100), 0xFFFFFFFFu);
    Engine e(11025 * 4);
    e.Play(0, 50);
    e.output.TakeLog();
    e.engine.SetWaveVolume(50);
    EXPECT_EQ(e.output.TakeLog(), (Log{"volume " + std::to_string(32767u | 32767u << 16)}));
}

TEST(KeepWindow, StartsOneWindowBackOrIsPulledBackFromTheEnd) {
    // A ramp shows where the window was taken: the loop's first body frame
    // after the blend holds its source frame number.
    struct Case {
        std::uint32_t offsetFrame;
        std::uint32_t windowStartFrame;
    };
    const std::uint32_t frames = 11025;
    const Case cases[] = {
        {5000, 5000 - 1024},           // room for two windows before the offset
        {1500, 1500},                  // not: the window starts at the offset
        {frames - 100, frames - 1536},  // ends half a window before the data's end
    };
    for (const Case& c : cases) {
        Engine e(frames);
        e.engine.BuildKeepLoop(c.offsetFrame * 2, 0);
        const Log log = Writes(e.output.TakeLog());
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].substr(log[0].find(" x")), " xloop");
        const std::vector<std::uint8_t>& loop = e.output.lastWrite;
        // The body is written twice; its frame after the blend is start + lag + R.
        const int bodyFrames = static_cast<int>(loop.size() / 4);
        const int afterBlend = SampleAt(loop.data(), 110, 1, 0);
        const int lag = afterBlend - 110 - static_cast<int>(c.windowStartFrame);
        EXPECT_GE(lag, 0) << c.offsetFrame;
        EXPECT_LE(lag, 220) << c.offsetFrame;
        EXPECT_EQ(bodyFrames, 1024 - lag) << c.offsetFrame;
        EXPECT_EQ(SampleAt(loop.data(), bodyFrames - 1, 1, 0), static_cast<int>(c.windowStartFrame) + 1023)
            << "the body ends with the window";
    }
}

// The transport over the engine, its hooks logged among the devices' calls.
struct Deck : DeviceEvents, TransportHooks {
    PlaybackState state;
    MarkPoint marks;
    SampleStore samples;
    FakeWaveOutput output;
    FakeTimers timers;
    int keepMode = 1, keepStep = 2;
    TransportControl transport{state, marks, samples, output, timers, *this, *this, keepMode, keepStep};

    explicit Deck(std::uint32_t frames) {
        MakeRampCurrent(samples, frames, 1);
        transport.Output().OpenPlainDevice();
        transport.PrepareWave(1024, 5000);
        output.TakeLog();
    }
    void OnWaveOutDone(int tag) override { transport.Output().OnBufferDone(tag); }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}
    void ShowSpeed(int percent) override { output.log.push_back("speed " + std::to_string(percent)); }
    void ShiftChanged(int semitones, bool, bool) override { output.log.push_back("shift " + std::to_string(semitones)); }
    void ShowPlayPosition(std::uint32_t position) override {
        output.log.push_back("position " + std::to_string(position));
    }
    void PlayStateChanged(PlayState changed) override {
        const char* names[] = {"stopped", "playing", "paused", "keeping"};
        output.log.push_back(names[static_cast<int>(changed)]);
    }
    void PlayEnded() override { output.log.push_back("ended"); }
};

// The device falls silent before a Pause is reported (where the notes that
// sound with the play are silenced), and a Stop shows the mark's position
// before it leaves the stream device.
TEST(Transport, HoldsAndStopsSilenceTheOutputBeforeTheyAreReported) {
    Deck d(11025 * 4);
    d.transport.SetSpeed(50);
    d.transport.PlayFrom(4000);
    EXPECT_EQ(Writes(d.output.TakeLog()),
              (Log{"speed 50", "close", "open 11025 1 stream", "speed 50", Write(22040), Write(22040), "playing"}));
    d.transport.Pause();
    EXPECT_EQ(d.output.TakeLog(), (Log{"reset", "close", "open 11025 1 plain", "reset", "paused"}));
    EXPECT_FALSE(d.timers.Running(kPositionTimerId));
    d.transport.Pause();
    EXPECT_TRUE(d.output.TakeLog().empty()) << "paused already";

    d.transport.Keep();
    const Log keep = d.output.TakeLog();
    ASSERT_EQ(keep.size(), 3u);
    EXPECT_EQ(keep[0], "reset");
    EXPECT_NE(keep[1].find(" xloop"), std::string::npos) << "the loop built at the position";
    EXPECT_EQ(keep[2], "keeping");
    d.marks.markSet = true;
    d.marks.markMs = 1000;
    d.transport.Stop();
    EXPECT_EQ(d.output.TakeLog(), (Log{"position 22050", "reset", "stopped"}));
    EXPECT_EQ(d.state.play, PlayState::Stopped);
}

}  // namespace
}  // namespace earloop
