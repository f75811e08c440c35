// Transport and mark scenarios over the application object, played under a
// clock the test moves: the wave output counts played bytes only when told,
// and the position timer ticks only when the test ticks it.

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "app/application.h"
#include "fakes/app_harness.h"
#include "ports/control_ids.h"
#include "resources/menu_and_keys.h"

namespace earloop {
namespace {

namespace cid = ControlId;

constexpr std::uint32_t kBytesPerSecond = 22050;  // mono at the working rate

struct Player : testing::AppHarness {
    // A mono wave of `seconds` at the working rate, loaded and stopped.
    explicit Player(double seconds = 32, std::uint16_t channels = 1) {
        EXPECT_TRUE(Start());
        LoadRamp(static_cast<std::size_t>(11025 * seconds), channels);
    }
    const PlaybackState& State() const { return app.Playback(); }
    // `ms` of sound go by: the open device plays them and the position timer
    // ticks every 100 ms while it runs.
    void Listen(int ms) {
        for (int t = 0; t < ms; t += 100) {
            waveOut.Play(kBytesPerSecond / 10);
            if (timers.Running(kPositionTimerId)) app.Timer(kPositionTimerId);
        }
    }
    double Seconds() const { return static_cast<double>(State().position) / kBytesPerSecond; }
};

TEST(Transport, StopReturnsToTheMarkAndPlayStartsThere) {
    Player p;
    p.app.Command(cid::Play);
    p.Listen(3000);
    p.app.Command(cid::MarkSet);
    p.app.Command(cid::MarkEarlier);
    EXPECT_EQ(p.app.Marks().markMs, 2500);
    p.Listen(1000);
    p.app.Command(cid::Stop);
    EXPECT_EQ(p.State().play, PlayState::Stopped);
    EXPECT_EQ(p.State().position, 55124u) << "2.5 s of mono: 55125 bytes, whole frames";
    EXPECT_FALSE(p.timers.Running(kPositionTimerId));
    p.waveOut.TakeLog();
    p.app.Command(cid::Play);
    EXPECT_EQ(p.waveOut.TakeLog(), (std::vector<std::string>{"reset", "reset", "write 650476 x1 tag 0"}));
    EXPECT_EQ(p.State().position, 55124u);
    EXPECT_TRUE(p.app.States()[Transport::Play].latched);
}

TEST(Transport, ASoundDeviceLostDuringPlayIsToldOnceAndPlayGoesOnSilentlyWhereItWas) {
    Player p;
    p.app.Command(cid::SpeedDown10);
    p.app.Command(cid::Play);
    p.Listen(3000);
    p.app.Command(cid::MarkSet);
    const std::uint32_t mark = p.app.Marks().markMs;
    const std::uint32_t before = p.State().position;
    // The output's stand-in plays on silently from where the card stopped.
    p.waveOut.audible = false;
    p.Listen(1000);
    EXPECT_EQ(p.window.statusTexts[0], "Sound device lost: playing silently");
    EXPECT_EQ(p.State().play, PlayState::Playing);
    EXPECT_GT(p.State().position, before);
    p.window.statusTexts[0] = "seen";
    p.Listen(1000);
    EXPECT_EQ(p.window.statusTexts[0], "seen") << "said once";
    EXPECT_EQ(p.State().speedPercent, 90);
    EXPECT_EQ(p.app.Marks().markMs, mark);
    p.app.Command(cid::Stop);
    EXPECT_EQ(p.State().play, PlayState::Stopped);
    EXPECT_EQ(p.app.Marks().markMs, mark);
    EXPECT_FALSE(p.timers.Running(kPositionTimerId));
    EXPECT_TRUE(p.dialogs.boxes.empty());
}

TEST(Transport, PauseAndKeepHoldThePositionAndPlayGoesOnFromIt) {
    for (int hold : {cid::Pause, cid::Keep}) {
        Player p;
        p.app.Command(cid::Play);
        p.Listen(1500);
        EXPECT_TRUE(p.Control(Ctl::Play).checked) << "drawn pressed: checked for a screen reader";
        p.app.Command(hold);
        EXPECT_EQ(std::tuple(p.Control(Ctl::Play).checked, p.Control(Ctl::Pause).checked, p.Control(Ctl::Keep).checked),
                  std::tuple(false, hold == cid::Pause, hold == cid::Keep));
        const std::uint32_t held = p.State().position;
        EXPECT_EQ(held, 33074u) << hold;
        EXPECT_FALSE(p.timers.Running(kPositionTimerId)) << "the position does not move while held";
        const std::vector<std::string> log = p.waveOut.TakeLog();
        if (hold == cid::Keep) {
            EXPECT_NE(log.back().find("xloop"), std::string::npos) << "the Keep loop sounds";
        }
        p.Listen(1000);
        p.app.Command(cid::Play);
        EXPECT_EQ(p.State().startPosition, held) << hold;
        p.Listen(500);
        EXPECT_NEAR(p.Seconds(), 2.0, 0.001) << hold;
    }
}

TEST(Transport, FastForwardPastTheEndShowsTheEndAndRewindPlaysFromBeforeIt) {
    Player p;
    p.app.Command(cid::Play);
    p.Listen(30000);
    p.app.Command(cid::FastForward);
    EXPECT_TRUE(p.State().atEnd);
    EXPECT_EQ(p.State().position, 32u * kBytesPerSecond);
    EXPECT_EQ(p.window.statusTexts[1], " 32000 msec / 32000 msec ");
    p.app.Command(cid::FastForward);  // nothing more at the end
    EXPECT_EQ(p.State().position, 32u * kBytesPerSecond);

    p.waveOut.TakeLog();
    p.app.Command(cid::Rewind);
    EXPECT_FALSE(p.State().atEnd);
    EXPECT_EQ(p.State().position, 27u * kBytesPerSecond);
    EXPECT_EQ(p.waveOut.TakeLog().back(), "write 110250 x1 tag 0") << "the last 5 s play";
}

TEST(Transport, KeepStepsMoveTheHeldWindowByHalfAWindow) {
    Player p;
    p.app.Command(cid::Play);
    p.Listen(5000);
    p.app.Command(cid::Keep);
    const std::uint32_t held = p.State().position;
    p.app.Command(cid::FastForward);
    EXPECT_EQ(p.State().position, held + 512 * 2) << "1024-frame window, Keep step 2";
    p.app.Command(cid::Rewind);
    p.app.Command(cid::Rewind);
    EXPECT_EQ(p.State().position, held - 512 * 2);
    EXPECT_EQ(p.State().play, PlayState::Keeping);
}

TEST(Marks, ReptAtTheMarkShowsAHundredMillisecondsMoreAndStepsBackClearIt) {
    Player p;
    p.app.Command(cid::Play);
    p.Listen(4000);
    p.app.Command(cid::MarkSet);
    p.app.Command(cid::RepeatSet);
    EXPECT_TRUE(p.app.Marks().repeatSet);
    EXPECT_EQ(p.app.Marks().repeatEndMs, 4100);
    EXPECT_EQ(p.app.View().Texts().repeatTime, "00:04.10 ");
    p.app.Command(cid::RepeatEarlier);
    EXPECT_FALSE(p.app.Marks().repeatSet) << "within 200 ms of the mark";
    EXPECT_FALSE(p.Control(Ctl::RepeatClear).enabled);

    // Refused before the mark; the mark itself moves in steps of 500 ms.
    p.app.Command(cid::MarkLater);
    EXPECT_EQ(p.app.Marks().markMs, 4500);
    p.app.Command(cid::RepeatSet);
    EXPECT_FALSE(p.app.Marks().repeatSet);
    for (int i = 0; i < 10; ++i) p.app.Command(cid::MarkEarlier);
    EXPECT_EQ(p.app.Marks().markMs, 0);
}

TEST(Marks, SetAtTheEndOfAWaveShorterThanTheStepMarksItsStart) {
    Player p(0.3);  // 3307 frames, 299 ms: shorter than the step of 500 ms
    p.app.Command(cid::Play);
    p.Listen(400);
    ASSERT_TRUE(p.State().atEnd);
    p.app.Command(cid::MarkSet);
    EXPECT_EQ(p.app.Marks().markMs, 0);
    EXPECT_EQ(p.app.View().Texts().markTime, "00:00.00 ");
    EXPECT_EQ(p.app.View().View().markCursorColumn, 0) << "on the overview";
    p.app.Command(cid::Stop);
    EXPECT_EQ(p.State().position, 0u);

    // The step can exceed any wave: 10 s on a 4 s wave.
    EXPECT_EQ(LatestMarkMs(4000, 10000), 0);
    EXPECT_EQ(LatestMarkMs(299, 500), 0);
    EXPECT_EQ(LatestMarkMs(4000, 500), 3500);
}

// The repeat end's readout at the tick after a move cleared it, by the
// text drawn last at its place.
TEST(Marks, AClearedRepeatEndRunsAlongInGreyAgain) {
    const Point repeatTimeAt{187, 186};
    for (int clearing : {cid::RepeatEarlier, cid::MarkLater}) {
        Player p;
        p.app.Command(cid::Play);
        p.Listen(4000);
        p.app.Command(cid::MarkSet);
        p.Listen(500);
        p.app.Command(cid::RepeatSet);  // the end shows 4.6 s
        ASSERT_TRUE(p.app.Marks().repeatSet);
        p.app.Command(clearing);  // within 200 ms of each other
        ASSERT_FALSE(p.app.Marks().repeatSet) << clearing;
        p.Listen(100);
        const auto& calls = p.text.calls;
        const auto last = std::find_if(calls.rbegin(), calls.rend(),
                                       [&](const testing::FakeTextRenderer::Call& c) { return c.at == repeatTimeAt; });
        ASSERT_NE(last, calls.rend());
        EXPECT_EQ(last->text, p.app.View().Texts().bigTime.substr(1)) << "the play time runs along";
        EXPECT_EQ(last->colour, (Rgb{150, 150, 150})) << clearing;
    }
}

TEST(Marks, ARepeatTurnsBackToTheMarkAtTheNextTick) {
    Player p;
    p.app.Command(cid::Play);
    p.Listen(10000);
    p.app.Command(cid::MarkSet);
    p.Listen(1800);
    p.app.Command(cid::RepeatSet);  // at 11.8 s: the end shows 11.9 s
    EXPECT_EQ(p.app.Marks().repeatEndMs, 11900);
    EXPECT_EQ(p.State().position, 10u * kBytesPerSecond) << "the repeat begins at the mark";
    p.Listen(2000);
    EXPECT_LT(p.Seconds(), 11.81) << "turned back after passing the press position";

    // A seek past the end (20 s of 32 in the overview) comes back at the next tick.
    p.app.MouseDown({14 + 540 * 20 / 32, 60});
    p.app.MouseUp({14 + 540 * 20 / 32, 60});
    EXPECT_NEAR(p.Seconds(), 20.0, 0.05);
    p.Listen(100);
    EXPECT_NEAR(p.Seconds(), 10.0, 0.001);
}

TEST(Transport, EscapeStopsThePlayOnceWhetherHeldOrTappedAndTheVocalCancellerNeedsTwoChannels) {
    Player p;
    p.app.Command(cid::Play);
    p.Listen(1000);
    const std::string shown = p.app.View().Texts().bigTime;
    EXPECT_EQ(p.window.drawnTexts.at("Time"), " 00:01.00 ") << "the time readout as a screen reader reads it";
    p.waveOut.TakeLog();
    p.keyboard.PressEscape();
    p.Listen(100);
    EXPECT_EQ(p.State().play, PlayState::Stopped);
    EXPECT_EQ(p.State().position, 0u);
    EXPECT_EQ(p.waveOut.TakeLog(), std::vector<std::string>{"reset"}) << "one Stop";
    EXPECT_EQ(p.app.View().Texts().bigTime, shown) << "the time stays while the key is down";
    p.Listen(5000);
    p.keyboard.ReleaseEscape();
    EXPECT_TRUE(p.waveOut.TakeLog().empty()) << "nothing more while the key is held";
    p.app.Command(cid::Play);
    p.Listen(500);
    EXPECT_NE(p.State().play, PlayState::Stopped) << "a released key stops nothing";
    EXPECT_NEAR(p.Seconds(), 0.5, 0.001);
    // A tap between two ticks stops at the next one, whose Stop shows the start.
    p.keyboard.TapEscape();
    p.Listen(100);
    EXPECT_EQ(p.State().play, PlayState::Stopped);
    EXPECT_EQ(p.app.View().Texts().bigTime, " 00:00.00 ");

    p.app.Command(cid::VocalCanceller);
    EXPECT_FALSE(p.app.Samples().vocalCancelOn) << "mono";

    Player stereo(4, 2);
    stereo.app.Command(cid::Play);
    stereo.Listen(1000);
    stereo.waveOut.TakeLog();
    stereo.app.Command(cid::VocalCanceller);
    EXPECT_TRUE(stereo.app.Samples().vocalCancelOn);
    EXPECT_EQ(std::tuple(stereo.Control(Ctl::VocalCanceller).text, stereo.Control(Ctl::VocalCanceller).checked),
              std::tuple("-", true));
    EXPECT_EQ(stereo.waveOut.TakeLog().back(), "write " + std::to_string(4 * 44100 - stereo.State().position) + " x1 tag 0")
        << "the rest plays at once from the difference";
    stereo.app.Command(cid::VocalCanceller);
    EXPECT_EQ(std::tuple(stereo.Control(Ctl::VocalCanceller).text, stereo.Control(Ctl::VocalCanceller).checked),
              std::tuple("+", false));
}

TEST(Keys, WithoutAWaveOnlyStopAndLiveInputAreWiredAndSpeedAndShiftStay) {
    testing::AppHarness h;
    ASSERT_TRUE(h.Start());
    h.dialogs.chosenFile = std::nullopt;
    h.app.Command(cid::Open);  // cancelled: the buttons of a stopped, empty player
    const auto command = [](Key key, bool shift) {
        const auto& table = AcceleratorTable();
        return std::find_if(table.begin(), table.end(), [&](const Accelerator& a) {
                   return a.key == key && a.shift == shift;
               })->commandId;
    };
    for (Key key : {Key::Enter, Key::Up, Key::Down, Key::Left, Key::Right, Key::PageUp, Key::PageDown,
                    Key::NumpadAdd, Key::NumpadSubtract}) {
        const int before = h.window.enableCalls;
        h.app.Command(command(key, false));
        EXPECT_EQ(h.window.enableCalls, before) << "key " << static_cast<int>(key);
        EXPECT_EQ(h.app.Playback().play, PlayState::Stopped);
    }
    for (int id : {cid::SpeedDown10, cid::SpeedTo1, cid::ShiftUp, cid::ShiftDown}) h.app.Command(id);
    h.app.SpeedSliderChanged(40);
    EXPECT_EQ(h.app.Playback().speedPercent, 100);
    EXPECT_EQ(h.app.Playback().pitchShift, 0);
    EXPECT_TRUE(h.waveOut.opened.empty());
    const int before = h.window.enableCalls;
    h.app.Command(command(Key::Numpad0, false));
    EXPECT_GT(h.window.enableCalls, before) << "Stop acts";
    EXPECT_TRUE(h.app.States()[Transport::LiveInput].available) << "and leaves live input on offer";
}

// Options > Full quality over the application: the devices open at the
// file's rate, the positions stay those of the working samples, and the
// choice lives in a section of its own that older files do without. The copy
// at the file's rate exists only while full quality is on: made at the load
// when it is on then, read from the file again when it is switched on later.
TEST(FullQuality, PlaysAtTheFilesRateKeepsThePositionsAndSurvivesARestart) {
    constexpr const char* kIni = "/opt/earloop/earloop.ini";
    const std::string oldFile = "[VOLUME]\nwave volume=50\n";
    // 1.5 s of play at half speed, the device's bytes as its own rate plays them.
    const auto playHalfSpeed = [](testing::AppHarness& h) {
        for (int i = 0; i < 5; ++i) h.app.Command(cid::SpeedDown10);
        h.app.Command(cid::Play);
        for (int t = 0; t < 1500; t += 100) {
            h.waveOut.Play(h.waveOut.opened.back().nAvgBytesPerSec / 10);
            if (h.timers.Running(kPositionTimerId)) h.app.Timer(kPositionTimerId);
        }
        return std::pair(h.app.Playback().speedPercent, h.app.Playback().position);
    };
    std::pair<int, std::uint32_t> heard[2];
    std::string saved;
    std::vector<std::uint8_t> switchedOnCopy;
    for (bool full : {false, true}) {
        testing::AppHarness h;
        h.files.Add(kIni, oldFile);
        ASSERT_TRUE(h.Start());
        EXPECT_FALSE(h.window.menuChecks.at(cid::FullQuality)) << "off for a file without the section";
        h.Load(testing::RampSamples(4 * 44100, 2), 2, 44100);
        EXPECT_FALSE(h.app.Samples().fullRate.bytes) << "no copy while full quality is off";
        if (full) {
            h.app.Command(cid::FullQuality);
            EXPECT_TRUE(h.window.menuChecks.at(cid::FullQuality));
            EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"close", "open 44100 2 plain"}));
            const FullRateSamples& copy = h.app.Samples().fullRate;
            ASSERT_EQ(copy.sampleBytes, 4u * 44100 * 4);
            switchedOnCopy.assign(copy.bytes.get(), copy.bytes.get() + 2 * copy.sampleBytes);
        }
        heard[full] = playHalfSpeed(h);
        EXPECT_EQ(h.waveOut.opened.back().nSamplesPerSec, full ? 44100u : 11025u);
        h.app.Destroy();
        saved = h.files.Contents(kIni).value_or("");
        EXPECT_EQ(saved.find("[PLAYBACK]") != std::string::npos, full) << saved;
    }
    EXPECT_EQ(heard[1], heard[0]);
    EXPECT_EQ(heard[0].first, 50);
    EXPECT_NE(saved.find("[VOLUME]\nwave volume=50\n"), std::string::npos);
    EXPECT_NE(saved.find("[PLAYBACK]\nFull quality=1\n"), std::string::npos);

    // The next start reads it back and copies at the load what the switch
    // read from the file; switched off, the copy goes and the key says so.
    testing::AppHarness next;
    next.files.Add(kIni, saved);
    ASSERT_TRUE(next.Start());
    EXPECT_TRUE(next.window.menuChecks.at(cid::FullQuality));
    EXPECT_TRUE(next.app.Samples().fullQuality);
    next.Load(testing::RampSamples(4 * 44100, 2), 2, 44100);
    const FullRateSamples& loadedCopy = next.app.Samples().fullRate;
    ASSERT_EQ(loadedCopy.sampleBytes * 2, switchedOnCopy.size());
    EXPECT_TRUE(std::equal(switchedOnCopy.begin(), switchedOnCopy.end(), loadedCopy.bytes.get()));
    next.app.Command(cid::FullQuality);
    EXPECT_FALSE(next.window.menuChecks.at(cid::FullQuality));
    EXPECT_FALSE(next.app.Samples().fullRate.bytes);
    EXPECT_EQ(next.waveOut.TakeLog(), (std::vector<std::string>{"close", "open 11025 2 plain"}));
    next.app.Destroy();
    EXPECT_NE(next.files.Contents(kIni).value_or("").find("[PLAYBACK]\nFull quality=0\n"), std::string::npos);
}

// A file changed since it was opened is not mixed with the samples it had:
// switching full quality on then says so and plays the working samples.
TEST(FullQuality, AFileChangedSinceItWasOpenedKeepsTheWorkingSamples) {
    testing::AppHarness h;
    ASSERT_TRUE(h.Start());
    h.Load(testing::RampSamples(4 * 44100, 2), 2, 44100);
    testing::WaveSpec shorter;
    shorter.rate = 44100, shorter.channels = 2, shorter.samples = testing::RampSamples(3 * 44100, 2);
    h.files.Add("/music/take.wav", testing::MakeWav(shorter));
    h.dialogs.boxes.clear();
    h.app.Command(cid::FullQuality);
    EXPECT_TRUE(h.window.menuChecks.at(cid::FullQuality));
    EXPECT_FALSE(h.app.Samples().PlaysFullRate());
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_EQ(h.dialogs.boxes[0].text,
              "Full quality will play /music/take.wav once it is opened again: it cannot be read as it was opened.");
    EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"close", "open 11025 2 plain"}));
    EXPECT_EQ(h.app.Samples().workBytes, 4u * 11025 * 4) << "the wave as it was opened";
}

}  // namespace
}  // namespace earloop
