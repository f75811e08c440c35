// What a listener hears: the output engine playing through the real mixer and
// resampler into a capture, under a clock the test moves.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>

#include "fakes/fake_platform.h"
#include "fakes/repeat_soak.h"
#include "fakes/sample_bytes.h"
#include "fakes/tone_analysis.h"
#include "platform/audio/mixer.h"
#include "playback/output_engine.h"
#include "wave/loader.h"

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
    // `frames` (interleaved 16-bit) at `rate` converted as a load converts
    // them, played at full quality or not.
    Listener(const std::vector<std::int16_t>& frames, std::uint16_t channels, std::uint32_t rate, bool fullQuality) {
        const std::vector<std::uint8_t> bytes = ToBytes(frames);
        samples.image.bytes = std::make_unique<std::uint8_t[]>(bytes.size());
        std::memcpy(samples.image.bytes.get(), bytes.data(), bytes.size());
        samples.image.size = bytes.size();
        samples.image.dataBytes = static_cast<std::uint32_t>(bytes.size());
        samples.image.format = Pcm16Format(channels, rate);
        testing::FakeDialogs dialogs;
        samples.workBytes = PrepareSamples(samples.image, dialogs, true, &samples.fullRate);
        samples.loaded = true;
        samples.fullQuality = fullQuality;
        samples.baseOutputFormat = samples.outputFormat = WorkingFormat(samples.Format());
        engine.PrepareKeepHeader(1024);
        engine.PrepareWholeWave(5000);
        engine.OpenPlainDevice();
    }

    void OnWaveOutDone(int tag) override { engine.OnBufferDone(tag); }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}
    void ShowSpeed(int) override {}
    void ShowPlayPosition(std::uint32_t position) override { shown.push_back(position); }
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
    std::vector<std::uint32_t> shown;  // every position shown, in order
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

// The amplitude of the partial at `hz` in `frames` frames from `start`
// (Hann-windowed, so that a tone 1 kHz away adds nothing).
double Level(StereoView audio, std::size_t start, std::size_t frames, double hz, int channel = 0) {
    std::complex<double> sum = 0.0;
    double weights = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / (frames - 1));
        sum += hann * audio.At(start + i, channel) * std::polar(1.0, -2 * std::numbers::pi * hz * i / kCardRate);
        weights += hann;
    }
    return 2 * std::abs(sum) / weights;
}

// A 6 kHz tone in a 44.1 kHz file, mono: amplitude 16000, 8000 once halved.
std::vector<std::int16_t> Tone6k(double seconds) {
    std::vector<std::int16_t> frames(static_cast<std::size_t>(seconds * 44100));
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<std::int16_t>(16000 * std::sin(2 * std::numbers::pi * 6000.0 * i / 44100));
    return frames;
}

TEST(HeardFullQuality, ASixKilohertzToneIsHeardAtEverySpeedShiftAndKeepAndIsAbsentWithoutIt) {
    constexpr double kHalved = 8000.0 / 32768;
    // keepMode -1: plays; else the Keep loop in that mode.
    struct Case { bool full; int shift, speed, keepMode; double hz; } cases[] = {
        {true, 0, 100, -1, 6000},  {false, 0, 100, -1, 0},
        {true, 0, 50, -1, 6000},   {false, 0, 50, -1, 0},
        {true, 3, 0, -1, 6000 * PitchFactor(3)}, {false, 3, 0, -1, 0},
        {true, 0, 100, 0, 6000},   {true, 0, 100, 1, 6000}, {true, 12, 0, 1, 12000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "full " << c.full << ", shift " << c.shift << ", speed " << c.speed
                                        << ", keep mode " << c.keepMode);
        Listener l(Tone6k(4), 1, 44100, c.full);
        EXPECT_EQ(l.samples.PlaysFullRate(), c.full);
        if (c.shift != 0) l.Shift(c.shift);
        if (c.keepMode >= 0) {
            l.engine.BuildKeepLoop(WORKING_RATE * 2, c.keepMode);
        } else {
            l.Play(c.speed != 0 ? c.speed : l.state.speedPercent);
        }
        l.Listen(2000);
        // The level in windows shorter than a chunk (a splice moves the
        // phase of so high a tone), averaged over a second.
        const std::size_t from = kCardRate / 2;
        const double nominal = c.full ? c.hz : 6000 * PitchFactor(c.shift);
        double level = 0;
        for (std::size_t k = 0; k < 8; ++k) level += Level(l.Heard(), from + k * kCardRate / 8, 1024, nominal) / 8;
        if (!c.full) {
            EXPECT_LT(level, 0.01 * kHalved) << "the working samples stop at 5.5 kHz";
            continue;
        }
        EXPECT_GT(level, 0.8 * kHalved);
        EXPECT_LT(level, 1.02 * kHalved);
        const double hz = testing::CrossingFrequency(l.capture.Captured().data() + 2 * from, kCardRate, 2, kCardRate);
        EXPECT_LT(std::fabs(Cents(hz, c.hz)), 5.0) << hz << " Hz";
    }
}

TEST(HeardFullQuality, TheCancellerTakesTheCentreAwayAndLeavesTheHighSideTone) {
    // Left: 440 Hz in the centre and 6 kHz; right: the centre alone.
    std::vector<std::int16_t> frames;
    for (std::size_t i = 0; i < 4 * 44100; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const double centre = 8000 * std::sin(2 * std::numbers::pi * 440 * t);
        frames.push_back(static_cast<std::int16_t>(centre + 8000 * std::sin(2 * std::numbers::pi * 6000 * t)));
        frames.push_back(static_cast<std::int16_t>(centre));
    }
    Listener l(frames, 2, 44100, true);
    l.samples.vocalCancelOn = true;
    l.Play(100);
    l.Listen(1500);
    EXPECT_NEAR(Level(l.Heard(), kCardRate / 2, kCardRate / 2, 6000), 4000.0 / 32768, 400.0 / 32768);
    EXPECT_LT(Level(l.Heard(), kCardRate / 2, kCardRate / 2, 440), 40.0 / 32768);
}

TEST(HeardFullQuality, PositionsAreTheWorkingOnesTickForTick) {
    // Plain, stretched and shifted play, each for 3 s, shown at every tick.
    const std::pair<int, int> plays[] = {{0, 100}, {0, 50}, {0, 37}, {3, 0}, {-5, 0}};
    for (const auto& [shift, speed] : plays) {
        std::vector<std::uint32_t> shown[2];
        std::uint32_t ms[2] = {};
        for (bool full : {false, true}) {
            Listener l(Tone6k(5), 1, 44100, full);
            if (shift != 0) l.Shift(shift);
            l.Play(speed != 0 ? speed : l.state.speedPercent);
            l.Listen(3000);
            shown[full] = l.shown;
            ms[full] = l.engine.MsOfPosition(l.state.position);
        }
        EXPECT_EQ(shown[1], shown[0]) << shift << " " << speed;
        EXPECT_EQ(shown[0].size(), 30u) << shift << " " << speed;
        EXPECT_EQ(ms[1], ms[0]) << shift << " " << speed;
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
