// What a listener hears: the output engine playing through the real mixer and
// resampler into a capture, under a clock the test moves.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "fakes/fake_platform.h"
#include "fakes/repeat_soak.h"
#include "fakes/sample_bytes.h"
#include "fakes/tone_analysis.h"
#include "platform/audio/mixer.h"
#include "playback/output_engine.h"

namespace earloop {
namespace {

using testing::AudibleSpan;
using testing::Cents;
using testing::FakeTimers;
using testing::LargestStep;
using testing::PeakFrequency;
using testing::StereoView;
using testing::ToBytes;
using testing::Tone;

constexpr std::uint32_t kCardRate = 44100;
constexpr std::size_t kStepFrames = kCardRate / 100;  // 10 ms

struct Listener : DeviceEvents, PlaybackHooks {
    CaptureOutput capture{kCardRate};
    FakeTimers timers;
    PlaybackState state;
    SampleStore samples;
    OutputEngine engine{state, samples, capture.Output(), timers, *this, *this};

    // `seconds` of a mono tone at the working rate as the current wave.
    Listener(double seconds, double hz) {
        const std::vector<std::uint8_t> bytes = ToBytes(Tone(static_cast<std::size_t>(seconds * WORKING_RATE), 1, hz));
        samples.image.bytes = std::make_unique<std::uint8_t[]>(bytes.size());
        std::memcpy(samples.image.bytes.get(), bytes.data(), bytes.size());
        samples.image.size = bytes.size();
        samples.workBytes = static_cast<std::uint32_t>(bytes.size());
        samples.loaded = true;
        samples.baseOutputFormat = samples.outputFormat = Pcm16Format(1, WORKING_RATE);
        engine.PrepareKeepHeader(1024);
        engine.PrepareWholeWave(5000);
        engine.OpenPlainDevice();
    }

    void OnWaveOutDone(int tag) override { engine.OnBufferDone(tag); }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}
    void ShowSpeed(int) override {}
    void ShowPlayPosition(std::uint32_t) override {}
    bool RepeatCheck() override { return false; }
    void PlayEnded() override {}

    void Shift(int semitones, std::uint32_t blockFrames = 1024) {
        state.pitchShift = semitones;
        state.pitchFactor = PitchFactor(semitones);
        state.speedPercent = CompensatedSpeedPercent(semitones);
        engine.ApplyPitchShift(state.pitchFactor, blockFrames, 5000);
    }
    void Play(int speed) {
        state.speedPercent = speed;
        state.play = PlayState::Playing;
        engine.RestartOutput();
    }
    // Moves the clock on by `ms` in steps of 10 ms, ticking the position
    // timer as the window's timer would while it runs.
    void Listen(int ms) {
        for (int t = 10; t <= ms; t += 10) {
            capture.Advance(kStepFrames);
            if (t % kPositionTimerMs == 0 && timers.Running(kPositionTimerId)) engine.OnPositionTimer();
        }
    }
    StereoView Heard() const { return {capture.Captured()}; }
    // The largest step between neighbouring samples heard after the first 100 ms.
    float LargestStepHeard() const { return LargestStep(Heard(), kCardRate / 10, Heard().Frames()); }
};

// The largest step of a 330 Hz tone played as it is: what a click must exceed.
float PlainStep() {
    Listener plain(3, 330.0);
    plain.Play(100);
    plain.Listen(600);
    return plain.LargestStepHeard();
}

TEST(HeardPlay, SpeedAndShiftChangeTempoAndPitchAsAMusicianExpects) {
    // Speed 0: the compensation of the shift; the length factor is the heard
    // length over the source's.
    struct Case { int shift, speed; double hz, lengthFactor; } cases[] = {
        {0, 50, 440.0, 2.0}, {3, 0, 523.25, 1.0}, {-5, 0, 329.63, 1.0 / PitchFactor(-5)}};
    const double sourceSeconds = 12;
    for (const Case& c : cases) {
        Listener l(sourceSeconds, 440.0);
        if (c.shift != 0) l.Shift(c.shift);
        l.Play(c.speed != 0 ? c.speed : l.state.speedPercent);
        l.Listen(static_cast<int>(sourceSeconds * c.lengthFactor * 1000) + 600);
        EXPECT_TRUE(l.state.atEnd) << c.shift;

        const auto span = AudibleSpan(l.Heard(), 0.02f);
        ASSERT_TRUE(span) << c.shift;
        // Stretched play ends while less than two output chunks of the
        // source remain; the rest of the source is heard in full.
        const double unplayedSource = (l.samples.workBytes - l.state.streamSource) / 2.0 / WORKING_RATE;
        const double expected = (sourceSeconds - (l.state.StretchOn() ? unplayedSource : 0)) * c.lengthFactor;
        const double heard = static_cast<double>(span->end - span->begin) / kCardRate;
        EXPECT_NEAR(heard / expected, 1.0, 0.01) << c.shift << ": heard " << heard << " s, expected " << expected;
        EXPECT_NEAR(heard / (sourceSeconds * c.lengthFactor), 1.0, 0.025) << c.shift;

        const double hz = PeakFrequency(l.Heard(), span->begin + kCardRate, 2 * kCardRate, kCardRate, c.hz);
        EXPECT_LT(std::fabs(Cents(hz, c.hz)), 5.0) << c.shift << ": " << hz << " Hz";
    }
}

TEST(HeardPlay, ASlowedToneHasNoClickWhereOneBufferFollowsAnother) {
    const float sourceStep = PlainStep();
    for (int speed : {50, 80}) {
        Listener l(4, 330.0);
        l.Play(speed);
        l.Listen(3000);  // three buffers or more
        EXPECT_LE(l.LargestStepHeard(), 1.5f * sourceStep) << speed;
    }
}

TEST(HeardKeep, TheLoopRepeatsWithoutAClickInBothModes) {
    struct Case { int mode, shift; std::uint32_t blockFrames; } cases[] = {
        {0, 0, 1024}, {1, 0, 1024}, {0, 0, 2048}, {1, 0, 512}, {0, 8, 512}, {1, 12, 512}};
    const float sourceStep = PlainStep();
    for (const Case& c : cases) {
        Listener l(3, 330.0);
        l.Shift(c.shift, c.blockFrames);
        l.engine.BuildKeepLoop(WORKING_RATE * 2 * 1, c.mode);
        l.Listen(1000);
        const auto span = AudibleSpan(l.Heard(), 0.05f);
        ASSERT_TRUE(span);
        EXPECT_EQ(span->end, l.Heard().Frames()) << "the loop sounds until reset";
        // A shift plays the same tone higher, so its steps grow by the factor.
        EXPECT_LE(l.LargestStepHeard(), 1.5f * sourceStep * PitchFactor(c.shift))
            << "mode " << c.mode << ", shift " << c.shift << ", window " << c.blockFrames;
    }
}

// Simulated minutes of repeat play at 37 % and +5 with the Note box
// analysing: the position shown keeps to the one played, the card is never
// starved, and the heap does not grow once the first minute has passed.
TEST(HeardRepeat, MinutesOfSlowShiftedRepeatKeepTheShownPositionToThePlayedOne) {
    Mixer mixer(kCardRate);
    testing::RepeatSoak soak(mixer);
    ASSERT_TRUE(soak.Prepare());
    ASSERT_TRUE(soak.Play(0));
    std::vector<float> period(kStepFrames * 2);
    std::size_t heapAfterAMinute = 0;
    constexpr int kMinutes = 2;
    for (int ms = 10; ms <= kMinutes * 60000; ms += 10) {
        mixer.Render(period.data(), kStepFrames);
        mixer.DeliverEvents();
        if (ms % kPositionTimerMs == 0) soak.Tick(ms);
        if (ms == 60000) heapAfterAMinute = testing::HeapInUse();
    }
    const testing::SoakFigures& figures = soak.Figures();
    EXPECT_EQ(figures.ticks, std::uint64_t{kMinutes} * 600);
    // 5 s of source at about half speed turn back every 10.4 s.
    EXPECT_GE(figures.repeats, 11u);
    EXPECT_LE(figures.worstDriftMs, 20.0);
    EXPECT_EQ(figures.underruns + figures.skippedPeriods + figures.boxes, 0u);
    EXPECT_LE(testing::HeapInUse(), heapAfterAMinute + 4096);
}

}  // namespace
}  // namespace earloop
