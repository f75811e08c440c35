// The Setting dialog: how its typed steps are read, and its pages over the
// application object, driven by a scripted user through the fake dialog.

#include <gtest/gtest.h>

#include <set>

#include "fakes/app_harness.h"
#include "ports/control_ids.h"
#include "settings/setting_dialog.h"

namespace earloop {
namespace {

using testing::AppHarness;
using testing::FakeSettingDialog;
namespace sid = SettingId;
using enum SettingPage;

TEST(SettingTexts, TypedStepsAreNumbersOfSecondsWithinTheirLimits) {
    const struct { const char* text; int ms; } ffRw[] = {
        {"15", 15000}, {" 7 sec", 7000}, {"+60", 60000}, {"1.9", 1000}, {"0", 1000}, {"-5", 1000},
        {"600", 600000}, {"601", 600000}, {"99999999999999999999", 600000},
        // Only the first 15 characters count.
        {"              15", 1000}, {"abc", 4000}, {"", 4000}, {".", 4000},
    };
    for (const auto& c : ffRw) EXPECT_EQ(FfRwStepOfText(c.text, 4000), c.ms) << '"' << c.text << '"';
    const struct { const char* text; int ms; } mark[] = {
        {"0.2", 200}, {"0.5", 500}, {"2", 2000}, {"0.29", 290}, {"0.3", 300}, {" .75s", 750}, {"1.2349", 1234},
        {"0.05", 100}, {"0", 100}, {"-1", 100}, {"61", 60000}, {"1,5", 1000}, {"x", 700}, {"", 700},
    };
    for (const auto& c : mark) EXPECT_EQ(MarkStepOfText(c.text, 700), c.ms) << '"' << c.text << '"';

    EXPECT_EQ(FfRwStepText(15000), "15");
    EXPECT_EQ(FfRwStepText(600000), "600");
    const std::pair<int, const char*> shown[] = {{200, "0.2"},  {500, "0.5"},     {1000, "1.0"},
                                                 {250, "0.3"}, {60000, "60.0"}, {100, "0.1"}};
    for (const auto& [ms, text] : shown) EXPECT_EQ(MarkStepText(ms), text) << ms;
    // Every entry of a list reads back as itself.
    for (const std::string& entry : FfRwStepEntries()) EXPECT_EQ(FfRwStepText(FfRwStepOfText(entry, 0)), entry);
    for (const std::string& entry : MarkStepEntries())
        EXPECT_EQ(MarkStepText(MarkStepOfText(entry, 0)).substr(0, entry.size()), entry);
    EXPECT_EQ(FfRwStepEntries(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "15",
                                                            "20", "25", "30", "35", "40", "45", "50", "55", "60"}));
}

TEST(SettingLayout, EveryAddressedIdNamesOneControlOfItsPage) {
    const SettingDialogSpec& layout = SettingDialogLayout();
    ASSERT_EQ(layout.pages.size(), static_cast<std::size_t>(kSettingPageCount));
    for (std::size_t page = 0; page < layout.pages.size(); ++page) {
        std::set<int> ids;
        for (const SettingControlSpec& control : layout.pages[page].controls) {
            if (control.id != -1) {
                EXPECT_TRUE(ids.insert(control.id).second) << "page " << page << " id " << control.id;
            }
            // Lists and edits name themselves to the accessibility tree.
            EXPECT_FALSE(control.caption.empty() && control.kind != SettingControlKind::CentredLabel)
                << "page " << page << " id " << control.id;
        }
    }
}

struct SettingDialogTest : ::testing::Test {
    AppHarness h;
    void SetUp() override { ASSERT_TRUE(h.Start()); }
    // Opens the dialog and lets `user` work it; what it showed at its end.
    const FakeSettingDialog& Run(std::function<void(FakeSettingDialog&)> user) {
        h.dialogs.setting = std::move(user);
        h.app.Command(ControlId::Setting);
        EXPECT_EQ(h.dialogs.lastSetting.strayCalls, std::vector<std::string>{});
        return h.dialogs.lastSetting;
    }
    const Settings& S() const { return h.app.CurrentSettings(); }
    static constexpr SettingControl kFfRw{PlayMode, sid::FfRwList}, kKeepStep{PlayMode, sid::KeepStepList},
        kMarkStep{PlayMode, sid::MarkStepList}, kAutomatic{PlayMode, sid::Automatic},
        kSingle{PlayMode, sid::SingleMode}, kDouble{PlayMode, sid::DoubleMode},
        kCanceller{PlayMode, sid::VocalCanceller};
};

TEST_F(SettingDialogTest, WithoutAWaveThePlayModePageIsGreyAndEmptyAndOkKeepsItsFiveValues) {
    const FakeSettingDialog& shown = Run([](FakeSettingDialog& d) {
        d.Type(kFfRw, "30");
        d.Click(kAutomatic);
        d.Press(sid::Ok);
    });
    for (const auto& control : shown.pages[0]) {
        EXPECT_FALSE(control.enabled) << control.spec.id;
        EXPECT_TRUE(control.entries.empty()) << control.spec.id;
    }
    EXPECT_EQ(shown.At(kFfRw).text, "");
    EXPECT_FALSE(shown.At(kAutomatic).checked);
    EXPECT_EQ(S().ffRwStep, 5000);
    EXPECT_EQ(S().keepStep, 2);
    EXPECT_EQ(S().markPointStep, 500);
    EXPECT_EQ(S().keepAuto, 1);
    EXPECT_EQ(S().keepMode, 1);
    // The file page says there is no file.
    EXPECT_FALSE(shown.At({WaveFile, sid::FileNameLabel}).enabled);
    EXPECT_FALSE(shown.At({WaveFile, sid::FormatLabel}).enabled);
    for (int line : sid::FormatLines) EXPECT_EQ(shown.At({WaveFile, line}).text, "-");
    EXPECT_EQ(h.dialogs.settingRuns, 1);
}

TEST_F(SettingDialogTest, TypedStepsTakeEffectAtOkAndReopeningShowsThem) {
    h.LoadRamp(11025 * 4, 2);
    Run([](FakeSettingDialog& d) {
        EXPECT_EQ(d.At(kFfRw).text, "5");
        EXPECT_EQ(d.At(kFfRw).entries.size(), 20u);
        EXPECT_EQ(d.At(kKeepStep).selection, 1);
        EXPECT_EQ(d.At(kMarkStep).text, "0.5");
        d.Type(kFfRw, "15");
        d.Choose(kKeepStep, 2);
        d.Type(kMarkStep, "0.2");
        // Nothing is read before OK.
        EXPECT_EQ(d.At(kFfRw).text, "15");
        d.Press(sid::Ok);
    });
    EXPECT_EQ(S().ffRwStep, 15000);
    EXPECT_EQ(S().markPointStep, 200);
    EXPECT_EQ(S().keepStep, 3);
    EXPECT_EQ(h.app.Playback().ffStepBytes, 15u * 44100);

    const FakeSettingDialog& again = Run([](FakeSettingDialog& d) { d.Press(sid::Cancel); });
    EXPECT_EQ(again.At(kKeepStep).selection, 2);
    EXPECT_EQ(again.At(kKeepStep).entries[2], "1/3");
    EXPECT_EQ(again.At(kFfRw).text, "15");
    EXPECT_EQ(again.At(kMarkStep).text, "0.2");

    // An edit that left no entry selected gives "1/2", selected before the dialog goes.
    const FakeSettingDialog& typed = Run([](FakeSettingDialog& d) {
        d.Select(kKeepStep, -1);
        d.Type(kFfRw, "none");
        d.Press(sid::Ok);
    });
    EXPECT_EQ(S().keepStep, 2);
    EXPECT_EQ(typed.At(kKeepStep).selection, 1);
    EXPECT_EQ(S().ffRwStep, 15000);
}

TEST_F(SettingDialogTest, AutomaticChoosesTheLoopModeFromTheSamplingTimeAtOnce) {
    h.LoadRamp(11025 * 4, 2);
    const struct { int chooseKey, keepMode; } cases[] = {
        {ControlId::ChoosePrecision, 0}, {ControlId::ChooseCoarse, 1}, {ControlId::ChooseNormal, 1}};
    for (const auto& c : cases) {
        h.app.Command(c.chooseKey);
        Run([&](FakeSettingDialog& d) {
            EXPECT_TRUE(d.At(kAutomatic).checked);
            EXPECT_FALSE(d.At(kSingle).enabled);
            EXPECT_FALSE(d.At(kDouble).enabled);
            d.Click(kAutomatic);
            EXPECT_TRUE(d.At(kSingle).enabled);
            // The radio of the other mode, which acts at once.
            d.Click(c.keepMode ? kSingle : kDouble);
            EXPECT_EQ(S().keepMode, 1 - c.keepMode);
            d.Click(kAutomatic);
            EXPECT_EQ(S().keepMode, c.keepMode) << "choice " << h.app.Analysis().blockMode;
            EXPECT_FALSE(d.At(kSingle).enabled);
            EXPECT_TRUE(d.At(c.keepMode ? kDouble : kSingle).checked);
        });
        // Cancel: what acted stays; "Automatic" itself changes only at OK.
        EXPECT_EQ(S().keepMode, c.keepMode);
        EXPECT_EQ(S().keepAuto, 1);
    }

    // While Keep holds the sound, a new mode rebuilds the loop and plays it.
    h.app.Command(ControlId::Play);
    h.app.Command(ControlId::Keep);
    h.waveOut.TakeLog();
    Run([](FakeSettingDialog& d) {
        d.Click(kAutomatic);
        d.Click(kSingle);
        d.Press(sid::Ok);
    });
    const std::vector<std::string> log = h.waveOut.TakeLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "reset");
    EXPECT_NE(log.back().find(" xloop "), std::string::npos) << log.back();
    EXPECT_EQ(S().keepAuto, 0);
    EXPECT_EQ(S().keepMode, 0);
}

TEST_F(SettingDialogTest, DefaultThenCancelKeepsWhatActedAndLeavesTheSteps) {
    h.LoadRamp(11025 * 4, 2);
    h.app.Command(ControlId::OpenNoteBox);
    h.app.Command(ControlId::VocalCanceller);
    ASSERT_TRUE(h.app.Samples().vocalCancelOn);
    Run([](FakeSettingDialog& d) {
        d.Type(kFfRw, "15");
        d.Choose(kKeepStep, 2);
        d.Type(kMarkStep, "0.2");
        for (int i = 0; i < 3; ++i) d.Click({Midi, sid::CalibrationUp});
        EXPECT_EQ(d.At({Midi, sid::CalibrationValue}).text, " +  3");
        d.Click({WaveIn, sid::Heavy});
        d.Click({WaveIn, sid::RemoveDcOffset});
        d.Click({NoteBox, sid::TopOfMainWindow});
        d.Click({NoteBox, sid::NormalMode});
        d.Press(sid::Ok);
    });
    ASSERT_EQ(S().calibration, 3);
    ASSERT_EQ(h.app.Analysis().clipLevel, 500);
    ASSERT_FALSE(h.app.Analysis().removeDcOffset);
    ASSERT_EQ(S().noteBoxPos, 1);
    ASSERT_EQ(S().chordMode, 1);
    EXPECT_EQ(h.noteBox.Find(NoteBoxId::ChordGroup)->text, "Chord ( Normal mode )");
    h.midiOut.TakeLog();

    const FakeSettingDialog& shown = Run([](FakeSettingDialog& d) {
        d.Press(sid::Default);
        d.Press(sid::Cancel);
    });
    EXPECT_EQ(S().calibration, 0);
    EXPECT_EQ(h.app.Analysis().clipLevel, 200);
    EXPECT_TRUE(h.app.Analysis().removeDcOffset);
    EXPECT_EQ(S().noteBoxPos, 0);
    EXPECT_EQ(S().chordMode, 0);
    EXPECT_EQ(h.noteBox.Find(NoteBoxId::ChordGroup)->text, "Chord ( Simple mode )");
    EXPECT_EQ(S().ffRwStep, 15000);
    EXPECT_EQ(S().keepStep, 3);
    EXPECT_EQ(S().markPointStep, 200);
    // The canceller went off through the main window's switch.
    EXPECT_EQ(S().vocalCanceler, 0);
    EXPECT_FALSE(h.app.Samples().vocalCancelOn);
    EXPECT_EQ(h.Control(Ctl::VocalCanceller).text, "+");
    // The MIDI output back to the piano on the mapper (the redrawn spectrum
    // silences the Note box's notes on the way).
    std::vector<std::string> midi = h.midiOut.TakeLog();
    std::erase_if(midi, [](const std::string& m) { return m.starts_with("90 "); });
    EXPECT_EQ(midi, (std::vector<std::string>{"C0 00", "close", "open -1"}));

    // What the dialog showed when it went.
    EXPECT_EQ(shown.At(kFfRw).text, "5");
    EXPECT_EQ(shown.At(kKeepStep).selection, 1);
    EXPECT_EQ(shown.At(kMarkStep).text, "0.5");
    EXPECT_TRUE(shown.At(kAutomatic).checked);
    EXPECT_FALSE(shown.At(kDouble).enabled);
    EXPECT_FALSE(shown.At(kCanceller).checked);
    EXPECT_EQ(shown.At({Midi, sid::CalibrationValue}).text, " 0");
    EXPECT_EQ(shown.At({Midi, sid::InstrumentList}).selection, 0);
    EXPECT_EQ(shown.At({Midi, sid::DeviceList}).selection, 0);
    EXPECT_TRUE(shown.At({WaveIn, sid::Medium}).checked);
    EXPECT_FALSE(shown.At({WaveIn, sid::Heavy}).checked);
    EXPECT_TRUE(shown.At({WaveIn, sid::RemoveDcOffset}).checked);
    EXPECT_TRUE(shown.At({NoteBox, sid::RightOfMainWindow}).checked);
    EXPECT_TRUE(shown.At({NoteBox, sid::SimpleMode}).checked);
    EXPECT_FALSE(shown.At({NoteBox, sid::NormalMode}).checked);
}

TEST_F(SettingDialogTest, TheCancellerBoxFollowsAStereoWaveAndIsGreyForAMonoOne) {
    h.LoadRamp(11025 * 4, 2);
    const FakeSettingDialog& stereo = Run([](FakeSettingDialog& d) {
        EXPECT_TRUE(d.At(kCanceller).enabled);
        d.Click(kCanceller);
    });
    EXPECT_TRUE(stereo.At(kCanceller).checked);
    EXPECT_EQ(S().vocalCanceler, 1);
    EXPECT_TRUE(h.app.Samples().vocalCancelOn);
    EXPECT_EQ(h.Control(Ctl::VocalCanceller).text, "-");
    EXPECT_TRUE(Run({}).At(kCanceller).checked);

    h.LoadRamp(11025 * 4, 1);
    const FakeSettingDialog& mono = Run([](FakeSettingDialog& d) {
        d.Click(kCanceller);
        d.Press(sid::Ok);
    });
    EXPECT_FALSE(mono.At(kCanceller).enabled);
    EXPECT_FALSE(mono.At(kCanceller).checked);
    EXPECT_TRUE(mono.At(kFfRw).enabled);
    EXPECT_EQ(S().vocalCanceler, 0);
    EXPECT_FALSE(h.app.Samples().vocalCancelOn);
}

TEST_F(SettingDialogTest, TheFilePageDescribesTheLoadedFile) {
    h.Load(testing::RampSamples(44100, 2), 2, 44100);
    const FakeSettingDialog& shown = Run({});
    EXPECT_TRUE(shown.At({WaveFile, sid::FileNameLabel}).enabled);
    EXPECT_EQ(shown.At({WaveFile, sid::FileName}).text, "/music/take.wav");
    const char* lines[] = {"File Size : 176400 bytes", "2 Channels", "44100 Samples/sec", "176400 Bytes/sec",
                           "4 bytes (BlockAlign)", "16 Bits/Samples"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(shown.At({WaveFile, sid::FormatLines[i]}).text, lines[i]);
}

TEST_F(SettingDialogTest, MidiPageActsAtOnceAndOkReopensTheChosenDevice) {
    h.midiOut.TakeLog();
    Run([](FakeSettingDialog& d) {
        EXPECT_EQ(d.At({Midi, sid::InstrumentList}).entries.size(), 5u);
        d.Choose({Midi, sid::InstrumentList}, 2);
    });
    EXPECT_EQ(h.midiOut.TakeMessages(), std::vector<std::string>{"C0 41"});
    EXPECT_EQ(S().midiProgram, 65);
    EXPECT_EQ(S().midiDeviceNo, -1);

    // A port that cannot be opened gives the previous device back.
    h.midiOut.names = {"Port A", "Port B"};
    h.midiOut.failing = {1};
    for (int entry : {2, 1})
        Run([entry](FakeSettingDialog& d) {
            EXPECT_EQ(d.At({Midi, sid::DeviceList}).entries,
                      (std::vector<std::string>{"MIDI_MAPPER", "Port A", "Port B"}));
            d.Choose({Midi, sid::DeviceList}, entry);
            d.Press(sid::Ok);
        });
    std::vector<std::string> log = h.midiOut.TakeLog();
    std::erase_if(log, [](const std::string& m) { return m.starts_with("C0 "); });
    EXPECT_EQ(log, (std::vector<std::string>{"close", "open 1", "open -1", "close", "open 0"}));
    EXPECT_EQ(h.dialogs.boxes.back().text, "Fail to open MIDI device");
    EXPECT_EQ(S().midiDeviceNo, 0);
    EXPECT_EQ(S().midiDeviceName, "Port A");
}

TEST_F(SettingDialogTest, CloseBoxAndCancelReadNothing) {
    h.LoadRamp(11025 * 4, 2);
    Run([](FakeSettingDialog& d) {
        d.Type(kFfRw, "30");
        d.Click({NoteBox, sid::NormalMode});
        d.Click({NoteBox, sid::SimpleMode});
        d.Click({WaveIn, sid::RemoveDcOffset});
        d.Click({WaveIn, sid::RemoveDcOffset});
    });
    EXPECT_EQ(S().ffRwStep, 5000);
    EXPECT_EQ(S().chordMode, 0);
    EXPECT_TRUE(h.app.Analysis().removeDcOffset);
    EXPECT_EQ(h.dialogs.lastSetting.closed, true);
}

}  // namespace
}  // namespace earloop
