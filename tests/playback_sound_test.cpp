// What a listener hears: the output engine playing through the real mixer and
// resampler into a capture, under a clock the test moves.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "fakes/fake_platform.h"
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
    // The engine's position (in source frames) after every 10 ms of sound.
    std::vector<std::uint32_t> positions;

    // `samples16` (interleaved, at the working rate) as the current wave.
    Listener(const std::vector<std::int16_t>& samples16, std::uint16_t channels) {
        const std::vector<std::uint8_t> bytes = ToBytes(samples16);
        samples.image.bytes = std::make_unique<std::uint8_t[]>(bytes.size());
        std::memcpy(samples.image.bytes.get(), bytes.data(), bytes.size());
        samples.image.size = bytes.size();
        samples.workBytes = static_cast<std::uint32_t>(bytes.size());
        samples.loaded = true;
        samples.baseOutputFormat = samples.outputFormat = Pcm16Format(channels, WORKING_RATE);
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
        state.stretchOn = speed != 100;
        state.stopped = false;
        engine.RestartOutput();
    }
    // Moves the clock on by `ms` in steps of 10 ms, ticking the position
    // timer every `tickMs` while it runs, and noting the position (in source
    // frames) after each tick.
    void Listen(int ms, int tickMs = kPositionTimerMs) {
        for (int t = 10; t <= ms; t += 10) {
            capture.Advance(kStepFrames);
            if (t % tickMs != 0 || !timers.Running(kPositionTimerId)) continue;
            engine.OnPositionTimer();
            positions.push_back(state.position / samples.outputFormat.nBlockAlign);
        }
    }
    StereoView Heard() const { return {capture.Captured()}; }
};

std::vector<std::int16_t> Seconds(double seconds, double hz, int channels = 1) {
    return Tone(static_cast<std::size_t>(seconds * WORKING_RATE), channels, hz);
}

TEST(HeardPlay, SpeedAndShiftChangeTempoAndPitchAsAMusicianExpects) {
    struct Case {
        int shift;
        int speed;  // 0: the compensation of the shift
        double hz;
        double lengthFactor;  // heard length over the source's
    };
    const Case cases[] = {
        {0, 50, 440.0, 2.0},
        {3, 0, 523.25, 1.0},
        {-5, 0, 329.63, 1.0 / PitchFactor(-5)},
    };
    const double sourceSeconds = 12;
    for (const Case& c : cases) {
        Listener l(Seconds(sourceSeconds, 440.0), 1);
        if (c.shift != 0) l.Shift(c.shift);
        l.Play(c.speed != 0 ? c.speed : l.state.speedPercent);
        l.Listen(static_cast<int>(sourceSeconds * c.lengthFactor * 1000) + 600);
        EXPECT_TRUE(l.state.atEnd) << c.shift;

        const auto span = AudibleSpan(l.Heard(), 0.02f);
        ASSERT_TRUE(span) << c.shift;
        // Stretched play ends while less than two output chunks of the
        // source remain; the rest of the source is heard in full.
        const double unplayedSource = (l.samples.workBytes - l.state.streamSource) / 2.0 / WORKING_RATE;
        const double expected = (sourceSeconds - (l.state.stretchOn ? unplayedSource : 0)) * c.lengthFactor;
        const double heard = static_cast<double>(span->end - span->begin) / kCardRate;
        EXPECT_NEAR(heard / expected, 1.0, 0.01) << c.shift << ": heard " << heard << " s, expected " << expected;
        EXPECT_NEAR(heard / (sourceSeconds * c.lengthFactor), 1.0, 0.025) << c.shift;

        const double hz = PeakFrequency(l.Heard(), span->begin + kCardRate, 2 * kCardRate, kCardRate, c.hz);
        EXPECT_LT(std::fabs(Cents(hz, c.hz)), 5.0) << c.shift << ": " << hz << " Hz";
    }
}

TEST(HeardPlay, ThePlayedCounterAgreesWithWhatHasBeenHeard) {
    // One second of silence, then a tone.
    std::vector<std::int16_t> wave(WORKING_RATE, 0);
    const std::vector<std::int16_t> tone = Seconds(3, 440.0);
    wave.insert(wave.end(), tone.begin(), tone.end());
    for (int speed : {100, 50}) {
        Listener l(wave, 1);
        l.Play(speed);
        l.Listen(3000, 10);
        // After every 10 ms of sound the device counts 10 ms more played.
        const double ratio = speed == 100 ? 1.0 : l.state.sourceRatio;
        for (std::size_t k = 0; k < l.positions.size(); ++k) {
            const double playedSeconds = l.positions[k] / ratio / WORKING_RATE;
            ASSERT_NEAR(playedSeconds, 0.010 * static_cast<double>(k + 1), 0.010) << speed << " at tick " << k;
        }
        // At full speed the position reads one second of source when the
        // tone is first heard.
        if (speed != 100) continue;
        const auto span = AudibleSpan(l.Heard(), 0.05f);
        ASSERT_TRUE(span);
        const std::size_t step = span->begin / kStepFrames;
        const double heardFor = static_cast<double>((step + 1) * kStepFrames - span->begin) / kCardRate;
        EXPECT_NEAR(static_cast<double>(l.positions.at(step)) / WORKING_RATE, 1.0 + heardFor, 0.010);
    }
}

TEST(HeardPlay, ASlowedToneHasNoClickWhereOneBufferFollowsAnother) {
    Listener plain(Seconds(4, 330.0), 1);
    plain.Play(100);
    plain.Listen(1000);
    const float sourceStep = LargestStep(plain.Heard(), kCardRate / 10, plain.Heard().Frames());
    for (int speed : {50, 80}) {
        Listener l(Seconds(4, 330.0), 1);
        l.Play(speed);
        l.Listen(3000);  // three buffers or more
        EXPECT_LE(LargestStep(l.Heard(), kCardRate / 10, l.Heard().Frames()), 1.5f * sourceStep) << speed;
    }
}

TEST(HeardKeep, TheLoopRepeatsWithoutAClickInBothModes) {
    struct Case {
        int mode;
        int shift;
        std::uint32_t blockFrames;
    };
    const Case cases[] = {{0, 0, 1024}, {1, 0, 1024}, {0, 0, 2048}, {1, 0, 512}, {0, 8, 512}, {1, 12, 512}};
    for (const Case& c : cases) {
        Listener plain(Seconds(3, 330.0), 1);
        plain.Play(100);
        plain.Listen(600);
        const float sourceStep = LargestStep(plain.Heard(), kCardRate / 10, plain.Heard().Frames());

        Listener l(Seconds(3, 330.0), 1);
        l.Shift(c.shift, c.blockFrames);
        l.engine.BuildKeepLoop(WORKING_RATE * 2 * 1, c.mode);
        l.Listen(1000);
        const auto span = AudibleSpan(l.Heard(), 0.05f);
        ASSERT_TRUE(span);
        EXPECT_EQ(span->end, l.Heard().Frames()) << "the loop sounds until reset";
        const float loopStep = LargestStep(l.Heard(), kCardRate / 10, l.Heard().Frames());
        // A shift plays the same tone higher, so its steps grow by the factor.
        EXPECT_LE(loopStep, 1.5f * sourceStep * PitchFactor(c.shift))
            << "mode " << c.mode << ", shift " << c.shift << ", window " << c.blockFrames;
    }
}

}  // namespace
}  // namespace earloop
