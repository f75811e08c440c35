// The pointer, the sliders and the keyboard range over the application
// object: the key under a point, seeks in the overview, the slider values and
// the keyboard's octave.

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/control_ids.h"
#include "display/pointer_input.h"
#include "fakes/app_harness.h"
#include "fakes/wav_builder.h"

namespace earloop {
namespace {

TEST(NoteAtPoint, KeysOfBothBandsInEachRangeAndPointsOnNoKey) {
    struct Case {
        Point p;
        int range;
        int expected;
    };
    constexpr std::uint8_t kPrevious = 77;
    const Case cases[] = {
        {{255, 380}, 3, 60}, {{255, 250}, 3, 60}, {{245, 250}, 3, 59},  // middle C, and B on the strip
        {{255, 380}, 2, 72}, {{255, 250}, 2, 72}, {{255, 380}, 4, 48}, {{255, 250}, 4, 48},
        {{10, 380}, 3, 36},  {{608, 380}, 3, 95},  // the lowest C and the wide top B
        {{26, 380}, 3, kPrevious},                  // the edge between C and D
        {{255, 368}, 3, kPrevious}, {{255, 211}, 3, kPrevious}, {{255, 409}, 3, kPrevious},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NoteAtPoint(c.p, c.range, kPrevious), c.expected) << c.p.x << "," << c.p.y << " range " << c.range;
}

// Three seconds of stereo at the working rate: 132300 bytes, 3000 ms, and a
// Keep window of 1024 frames (4096 bytes).
struct Harness : testing::AppHarness {
    Harness() {
        EXPECT_TRUE(Start());
        testing::WaveSpec spec;
        spec.rate = 11025;
        spec.samples = testing::RampSamples(11025 * 3, 2);
        files.Add("/music/take.wav", testing::MakeWav(spec));
        dialogs.chosenFile = "/music/take.wav";
        app.Command(ControlId::Open);
        EXPECT_EQ(app.Samples().workBytes, 132300u);
        EXPECT_EQ(app.Playback().keepBytes, 4096u);
        waveOut.TakeLog();
    }
    std::uint32_t Position() const { return app.Playback().position; }
    void Slide(Ctl slider, SliderNotice notice, int position) { app.SliderNotice(app.Window()[slider], notice, position); }
};

TEST(OverviewPress, WhileStoppedSeeksAndKeepsTheClickedTimeForPlay) {
    Harness h;
    h.app.MouseDown({284, 10});  // half way: 66150 bytes, down to a whole frame
    EXPECT_EQ(h.Position(), 66148u);
    EXPECT_EQ(h.app.Playback().clickedStartMs, 1499u);
    EXPECT_TRUE(h.app.Playback().clickedStartPending);
    EXPECT_EQ(h.window.statusTexts[1], " 1499 msec / 3000 msec ");

    // The right edge keeps a whole Keep window before the end.
    h.app.MouseDown({553, 126});
    EXPECT_EQ(h.Position(), 132300u - 4096u);
    EXPECT_EQ(h.app.Playback().clickedStartMs, 2907u);
    EXPECT_EQ(h.Control(Ctl::PositionSlider).sliderPosition, 523);
    EXPECT_TRUE(h.waveOut.TakeLog().empty()) << "nothing sounds while stopped";

    // Play starts at the clicked time: 2907 ms is byte 128198, 128196 as a whole frame.
    h.app.Command(ControlId::Play);
    EXPECT_EQ(h.waveOut.TakeLog().back(), "write 4104 x1 tag 0");
}

TEST(OverviewPress, WhilePlayingLeavesTheEndAndPlaysOnFromThePoint) {
    Harness h;
    h.app.Command(ControlId::Play);
    h.app.Command(ControlId::FastForward);  // 5 s past a 3 s wave
    ASSERT_TRUE(h.app.Playback().atEnd);
    h.waveOut.TakeLog();
    h.app.MouseDown({200, 60});
    EXPECT_FALSE(h.app.Playback().atEnd);
    EXPECT_EQ(h.Position(), 45568u);
    EXPECT_FALSE(h.app.Playback().clickedStartPending);
    EXPECT_EQ(h.waveOut.TakeLog(), (std::vector<std::string>{"reset", "reset", "write 86732 x1 tag 0"}));
}

TEST(OverviewPress, PointsOnTheBordersDoNothing) {
    Harness h;
    for (const Point p : {Point{14, 60}, Point{554, 60}, Point{100, 0}, Point{100, 127}}) {
        h.app.MouseDown(p);
        h.app.MouseMove(p, true);
        EXPECT_EQ(h.Position(), 0u) << p.x << "," << p.y;
        EXPECT_FALSE(h.app.Playback().clickedStartPending);
    }
}

TEST(OverviewDrag, ScrubsOnlyWhileOurPressIsHeld) {
    Harness h;
    // A press on the keyboard finds its key; dragging onto the overview seeks.
    h.app.MouseDown({255, 380});
    EXPECT_EQ(h.app.Pointer().toneNote, 60);
    h.app.MouseMove({200, 60}, true);
    EXPECT_EQ(h.Position(), 45568u);
    EXPECT_EQ(h.app.Pointer().toneNote, 60);
    h.app.MouseMove({100, 60}, true);
    EXPECT_EQ(h.Position(), 21068u);
    h.app.MouseMove({400, 60}, false);
    EXPECT_EQ(h.Position(), 21068u) << "a move without the button";
    h.app.MouseUp({400, 60});
    h.app.MouseMove({400, 60}, true);
    EXPECT_EQ(h.Position(), 21068u) << "a drag that began over a control";
    EXPECT_FALSE(h.app.Pointer().leftDown);
}

TEST(Sliders, SpeedWaitsForTheReleaseAndWaveVolumeActsAtOnce) {
    Harness h;
    h.Slide(Ctl::SpeedSlider, SliderNotice::ThumbTrack, 40);
    EXPECT_EQ(h.app.Playback().speedPercent, 100);
    h.Slide(Ctl::SpeedSlider, SliderNotice::EndScroll, 40);
    EXPECT_EQ(h.app.Playback().speedPercent, 40);
    EXPECT_EQ(h.Control(Ctl::SlowRateGroup).text, " Play Speed = 40%");
    EXPECT_TRUE(h.app.Playback().stretchOn);

    h.Slide(Ctl::WaveVolumeSlider, SliderNotice::ThumbTrack, 37);
    EXPECT_EQ(h.app.CurrentSettings().waveVolume, 37);
    EXPECT_EQ(h.waveOut.TakeLog(), std::vector<std::string>{"volume 1589075639"});  // 24247 in both halves

    h.Slide(Ctl::MidiVolumeSlider, SliderNotice::PageDown, 60);
    EXPECT_EQ(h.app.CurrentSettings().midiVolume, 60);
    h.Slide(Ctl::PositionSlider, SliderNotice::EndScroll, 300);
    EXPECT_EQ(h.Position(), 0u);
}

TEST(KeyboardRange, ButtonsShiftTheOctaveWithinTwoToFourAndMoveTheMarker) {
    Harness h;
    const FrameBuffer& marker = h.app.View().Pictures().middleCMarker;
    struct Step {
        int command, range, markerX;
    };
    for (const Step& s : {Step{ControlId::RangeUp, 2, 129}, Step{ControlId::RangeUp, 2, 129},
                          Step{ControlId::RangeDown, 3, 249}, Step{ControlId::RangeDown, 4, 369},
                          Step{ControlId::RangeDown, 4, 369}}) {
        h.app.Command(s.command);
        EXPECT_EQ(h.app.Analysis().analysisRange, s.range);
        EXPECT_EQ(h.app.View().View().markerX, s.markerX);
        EXPECT_EQ(h.window.screen.Crop({s.markerX, 301, 18, 108}).Bytes(), marker.Bytes()) << s.markerX;
    }
    // The keys follow the range.
    h.app.MouseDown({255, 380});
    EXPECT_EQ(h.app.Pointer().toneNote, 48);
}

TEST(MoveOrResizeEnd, ShowsThePositionAgainOnlyAtTheEnd) {
    Harness h;
    h.app.MouseDown({284, 10});
    h.window.statusTexts[1].clear();
    h.app.MoveOrResizeEnded();
    EXPECT_EQ(h.window.statusTexts[1], "");
    h.app.Timer(kPositionTimerId);  // a tick while stopped ends the play
    ASSERT_TRUE(h.app.Playback().atEnd);
    h.app.MoveOrResizeEnded();
    EXPECT_EQ(h.window.statusTexts[1], " 3000 msec / 3000 msec ");
}

}  // namespace
}  // namespace earloop
