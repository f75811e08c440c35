// The pointer, the sliders and the keyboard range over the application object.

#include <gtest/gtest.h>

#include "app/application.h"
#include "display/pointer_input.h"
#include "fakes/app_harness.h"
#include "ports/control_ids.h"

namespace earloop {
namespace {

TEST(NoteAtPoint, KeysOfBothBandsInEachRangeAndPointsOnNoKey) {
    constexpr int kPrevious = 77;
    const struct { Point p; int range, expected; } cases[] = {
        {{255, 380}, 3, 60}, {{255, 250}, 3, 60}, {{245, 250}, 3, 59}, {{255, 380}, 2, 72}, {{255, 250}, 4, 48},
        {{10, 380}, 3, 36},  {{608, 380}, 3, 95},  // the lowest C and the wide top B
        {{26, 380}, 3, kPrevious}, {{255, 368}, 3, kPrevious}, {{255, 409}, 3, kPrevious},  // edges
    };
    for (const auto& c : cases) EXPECT_EQ(NoteAtPoint(c.p, c.range, kPrevious), c.expected) << c.p.x << "," << c.p.y;
}

// Three seconds of stereo at the working rate: 132300 bytes, a Keep window of 4096.
struct Harness : testing::AppHarness {
    Harness() {
        EXPECT_TRUE(Start());
        LoadRamp(11025 * 3, 2);
    }
    std::uint32_t Position() const { return app.Playback().position; }
    void Slide(Ctl slider, SliderNotice notice, int position) { app.SliderNotice(app.Window()[slider], notice, position); }
};

TEST(OverviewPress, WhileStoppedSeeksAndTheNextPlayStartsAtTheClickedTime) {
    Harness h;
    for (const Point p : {Point{14, 60}, Point{554, 60}, Point{100, 0}, Point{100, 127}}) h.app.MouseDown(p);
    EXPECT_FALSE(h.app.Playback().clickedStartPending) << "the borders are outside";

    h.app.MouseDown({284, 10});  // half way, 66150, down to a whole frame
    EXPECT_EQ(h.Position(), 66148u);
    EXPECT_EQ(h.app.Playback().clickedStartMs, 1499u);
    h.app.MouseDown({553, 126});  // a whole Keep window before the end
    EXPECT_EQ(h.Position(), 132300u - 4096u);
    EXPECT_EQ(h.app.Playback().clickedStartMs, 2907u);
    EXPECT_TRUE(h.waveOut.TakeLog().empty()) << "nothing sounds while stopped";
    h.app.Command(ControlId::Play);  // from 2907 ms: 128198 bytes, 128196 as a whole frame
    EXPECT_EQ(h.waveOut.TakeLog().back(), "write 4104 x1 tag 0");
}

TEST(OverviewPress, AtTheEndOfPlayLeavesTheEndAndPlaysOnFromThePoint) {
    Harness h;
    h.app.Command(ControlId::Play);
    h.app.Command(ControlId::FastForward);  // 5 s past a 3 s wave
    ASSERT_TRUE(h.app.Playback().atEnd);
    h.waveOut.TakeLog();
    h.app.MouseDown({200, 60});
    EXPECT_FALSE(h.app.Playback().atEnd);
    EXPECT_FALSE(h.app.Playback().clickedStartPending);
    EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"reset", "reset", "write 86732 x1 tag 0"}));
}

TEST(OverviewDrag, ScrubsFromTheKeyboardOnlyWhileOurPressIsHeld) {
    Harness h;
    h.app.MouseDown({255, 380});
    h.app.MouseMove({200, 60}, true);
    EXPECT_EQ(h.Position(), 45568u);
    EXPECT_EQ(h.app.Pointer().toneNote, 60);
    h.app.MouseMove({400, 60}, false);
    h.app.MouseUp({400, 60});
    h.app.MouseMove({400, 60}, true);  // as from a press on a control
    EXPECT_EQ(h.Position(), 45568u);
}

TEST(Sliders, SpeedWaitsForTheReleaseAndWaveVolumeActsAtOnce) {
    Harness h;
    h.Slide(Ctl::SpeedSlider, SliderNotice::ThumbTrack, 40);
    EXPECT_EQ(h.app.Playback().speedPercent, 100);
    h.Slide(Ctl::SpeedSlider, SliderNotice::EndScroll, 40);
    EXPECT_EQ(h.Control(Ctl::SlowRateGroup).text, " Play Speed = 40%");
    h.Slide(Ctl::WaveVolumeSlider, SliderNotice::ThumbTrack, 37);
    EXPECT_EQ(h.app.CurrentSettings().waveVolume, 37);
    EXPECT_EQ(h.waveOut.TakeLog(), std::vector<std::string>{"volume 1589075639"});  // 24247 in both halves
}

TEST(KeyboardRange, ButtonsShiftTheOctaveWithinTwoToFourAndMoveTheMarker) {
    Harness h;
    const FrameBuffer& marker = h.app.View().Pictures().middleCMarker;
    for (const auto& [command, range, markerX] : {std::tuple{ControlId::RangeUp, 2, 129}, {ControlId::RangeUp, 2, 129},
                                                 {ControlId::RangeDown, 3, 249}, {ControlId::RangeDown, 4, 369},
                                                 {ControlId::RangeDown, 4, 369}}) {
        h.app.Command(command);
        EXPECT_EQ(h.app.Analysis().analysisRange, range);
        EXPECT_EQ(h.window.screen.Crop({markerX, 301, 18, 108}).Bytes(), marker.Bytes()) << markerX;
    }
    h.app.MouseDown({255, 380});
    EXPECT_EQ(h.app.Pointer().toneNote, 48);
}

}  // namespace
}  // namespace earloop
