// The speed and pitch shift commands over the application object: the values
// they set, what the window shows and which device they reopen.

#include <gtest/gtest.h>

#include "app/application.h"
#include "fakes/app_harness.h"
#include "playback/time_stretch.h"
#include "ports/control_ids.h"

namespace earloop {
namespace {

struct Harness : testing::AppHarness {
    Harness() {
        EXPECT_TRUE(Start());
        LoadRamp(11025 * 3, 2);
    }
    std::string SpeedCaption() const { return Control(Ctl::SlowRateGroup).text; }
    int SpeedSlider() const { return Control(Ctl::SpeedSlider).sliderPosition; }
    std::string ShiftCaption() const { return Control(Ctl::ShiftReadout).text; }
};

// The rates and speeds themselves are pinned by the PitchShift tests.
TEST(ShiftCommands, EachStepUpRetunesTheOutputAndKeepsTheTempo) {
    Harness h;
    for (int shift = 1; shift <= 12; ++shift) {
        h.app.Command(ControlId::ShiftUp);
        const int speed = CompensatedSpeedPercent(shift);
        const std::uint32_t rate = PitchShiftedRate(shift);
        EXPECT_EQ(h.app.Playback().speedPercent, speed) << shift;
        EXPECT_EQ(h.SpeedCaption(), " Play Speed = " + std::to_string(speed) + "%");
        EXPECT_EQ(h.SpeedSlider(), speed);
        EXPECT_EQ(h.ShiftCaption(), "Shift " + std::to_string(shift));
        EXPECT_TRUE(h.app.Playback().StretchOn());
        EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"close", "open " + std::to_string(rate) + " 2 plain"}));
    }

    // At the top the command changes nothing.
    h.app.Command(ControlId::ShiftUp);
    EXPECT_EQ(h.app.Playback().pitchShift, 12);
    EXPECT_TRUE(h.waveOut.TakeLog().empty());

    h.app.Command(ControlId::ShiftReset);
    EXPECT_EQ(h.ShiftCaption(), "Shft 0");
    EXPECT_EQ(h.SpeedCaption(), " Play Speed = 100%");
    EXPECT_FALSE(h.app.Playback().StretchOn());
    EXPECT_EQ(h.app.Playback().pitchFactor, 1.0);
    EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"close", "open 11025 2 plain"}));
}

TEST(ShiftCommands, AFailedReopenIsShownInTheStatusBarUntilAShiftReopens) {
    Harness h;
    h.waveOut.failOpen = true;
    h.app.Command(ControlId::ShiftUp);
    EXPECT_EQ(h.window.statusTexts[0], "Fail to reopen Wave Out device: playing silently");
    EXPECT_TRUE(h.dialogs.boxes.empty());
    h.waveOut.failOpen = false;
    h.waveOut.TakeLog();
    h.app.Command(ControlId::ShiftDown);
    EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"open 11025 2 plain"}));
    EXPECT_EQ(h.window.statusTexts[0], " /music/take.wav");
}

TEST(ShiftCommands, StepsDownPlayLowerAndSlowerUntilTheBottom) {
    Harness h;
    for (int i = 0; i < 5; ++i) h.app.Command(ControlId::ShiftDown);
    EXPECT_EQ(h.app.Playback().pitchShift, -5);
    EXPECT_EQ(h.app.Samples().outputFormat.nSamplesPerSec, 8259u);
    EXPECT_EQ(h.app.Playback().speedPercent, 100) << "no tempo compensation downward";
    EXPECT_FALSE(h.app.Playback().StretchOn());
    h.waveOut.TakeLog();
    h.app.Command(ControlId::ShiftDown);
    EXPECT_EQ(h.app.Playback().pitchShift, -5);
    EXPECT_TRUE(h.waveOut.TakeLog().empty());
}

TEST(SpeedCommands, StepsClampAndFullSpeedIsReachedThroughItsOwnCommand) {
    Harness h;
    struct Step { int command, slider, speed; bool stretch; };  // command 0: the slider, set to `slider`
    namespace cid = ControlId;
    const Step steps[] = {
        {cid::SpeedDown10, 0, 90, true}, {cid::SpeedTo1, 0, 1, true},    {cid::SpeedDown10, 0, 1, true},
        {cid::SpeedUp10, 0, 11, true},   {0, 95, 95, true},              {cid::SpeedUp10, 0, 100, false},
        {cid::SpeedUp10, 0, 100, false}, {0, 0, 1, true},                {cid::SpeedTo100, 0, 100, false},
        {0, 100, 100, false},            {cid::SpeedDown10, 0, 90, true},
    };
    for (const Step& s : steps) {
        if (s.command)
            h.app.Command(s.command);
        else
            h.app.SpeedSliderChanged(s.slider);
        EXPECT_EQ(h.app.Playback().speedPercent, s.speed) << s.command << " " << s.slider;
        EXPECT_EQ(h.app.Playback().StretchOn(), s.stretch) << s.command << " " << s.slider;
        EXPECT_EQ(h.SpeedCaption(), " Play Speed = " + std::to_string(s.speed) + "%");
        EXPECT_EQ(h.SpeedSlider(), s.speed);
    }
    EXPECT_TRUE(h.waveOut.TakeLog().empty()) << "while stopped nothing reaches the device";
}

}  // namespace
}  // namespace earloop
