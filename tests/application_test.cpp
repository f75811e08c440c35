// The application object over fakes: start-up, its failures, the settings at
// start and exit, the command table and the shutdown.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "app/application.h"
#include "app/control_ids.h"
#include "fakes/app_harness.h"
#include "resources/menu_and_keys.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

using testing::FakeControl;

constexpr const char* kSettingsPath = "/opt/earloop/earloop.ini";

using Harness = testing::AppHarness;

std::set<Ctl> EnabledControls(const Harness& h) {
    std::set<Ctl> enabled;
    for (int i = 0; i < kControlCount; ++i)
        if (h.Control(static_cast<Ctl>(i)).enabled) enabled.insert(static_cast<Ctl>(i));
    return enabled;
}

TEST(StartUp, LeavesExactlyTheNoWaveControlsEnabled) {
    Harness h;
    ASSERT_TRUE(h.Start());
    // Frames and labels that no state switch touches stay as created.
    const std::set<Ctl> expected = {
        Ctl::Stop, Ctl::LiveInput, Ctl::RangeDown, Ctl::RangeUp,
        Ctl::PitchAdjustGroup, Ctl::PitchAdjustLabel, Ctl::PitchAdjustDown, Ctl::PitchAdjustUp, Ctl::CalibrationReadout,
        Ctl::TuningMeter, Ctl::TuneLabel, Ctl::FineLabel,
        Ctl::SamplingGroup, Ctl::SamplingCoarse, Ctl::SamplingNormal, Ctl::SamplingPrecision,
        Ctl::PlayVolumeGroup, Ctl::WaveLabel, Ctl::MidiLabel, Ctl::WaveVolumeSlider, Ctl::MidiVolumeSlider,
        Ctl::ChannelGroup,
    };
    EXPECT_EQ(EnabledControls(h), expected);

    EXPECT_TRUE(h.Control(Ctl::SamplingNormal).checked);
    EXPECT_FALSE(h.Control(Ctl::SamplingCoarse).checked);
    EXPECT_FALSE(h.Control(Ctl::SamplingPrecision).checked);
    EXPECT_EQ(h.Control(Ctl::SamplingCoarse).text, "46ms(Coarse)");
    EXPECT_EQ(h.Control(Ctl::SamplingNormal).text, "93ms(Normal)");
    EXPECT_EQ(h.Control(Ctl::SamplingPrecision).text, "186ms(Precision)");
    EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, "A=\n440Hz");

    EXPECT_EQ(h.window.statusEdges, (std::vector<int>{440, 595, -1}));
    EXPECT_EQ(h.window.statusTexts, (std::vector<std::string>{"wave File：", "wave Time：", "wave Format："}));

    // No command is available yet, so the Stop sent at the end changes nothing.
    for (const TransportButton& b : h.app.States().transport) EXPECT_FALSE(b.available);
    EXPECT_TRUE(h.app.Playback().stopped);
    EXPECT_TRUE(h.window.shown);
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(StartUp, MissingPictureModulesAreEachReportedAndTheWindowNeverShows) {
    for (const auto& missing : std::vector<std::set<std::string>>{{"earlpkbd.so"}, {"earlpfft.so"}, {"earlpkbd.so", "earlpfft.so"}}) {
        Harness h;
        h.files.Add(kSettingsPath, "[VOLUME]\nwave volume=70\n");
        h.pictures.missing = missing;
        EXPECT_FALSE(h.Start());
        ASSERT_EQ(h.dialogs.boxes.size(), missing.size());
        for (const MessageBoxRequest& box : h.dialogs.boxes)
            EXPECT_EQ(box, (MessageBoxRequest{"プログラムの実行に必要なファイルがありません", "Error 901",
                                              MessageIcon::Exclamation, MessageButtons::Ok, true}));
        EXPECT_EQ(h.window.closeRequests, static_cast<int>(missing.size()));
        EXPECT_FALSE(h.window.shown);
        EXPECT_TRUE(h.window.controls.empty());
        EXPECT_EQ(h.app.Error().code, 901);
        // The keyboard module is asked for first, from the program's folder.
        EXPECT_EQ(h.pictures.loaded.front(), "/opt/earloop/earlpkbd.so");

        h.app.Destroy();
        EXPECT_EQ(h.files.writes, 0) << "a failed start must not overwrite the user's settings";
        EXPECT_EQ(h.files.Contents(kSettingsPath), "[VOLUME]\nwave volume=70\n");
    }
}

TEST(StartUp, UnknownProgramPathEndsWithError9999) {
    Harness h;
    h.files.programPath = std::nullopt;
    EXPECT_FALSE(h.Start());
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_EQ(h.dialogs.boxes[0].caption, "Error 9999");
    EXPECT_EQ(h.app.Error().code, 9999);
    EXPECT_EQ(h.window.closeRequests, 1);
    EXPECT_FALSE(h.window.shown);
    h.app.Destroy();
    EXPECT_TRUE(h.files.files.empty());
}

TEST(StartUp, AcceleratorFailureIsReportedOnceAfterTheWindowShows) {
    Harness h;
    h.window.acceleratorsFail = true;
    ASSERT_TRUE(h.Start());
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_EQ(h.dialogs.boxes[0], (MessageBoxRequest{"Break ", "NULL-", MessageIcon::None, MessageButtons::Ok, false}));
    const auto& ev = h.window.events;
    const auto show = std::find(ev.begin(), ev.end(), "show");
    const auto box = std::find(ev.begin(), ev.end(), "box NULL-");
    EXPECT_LT(show, box);
    EXPECT_TRUE(h.window.shown);
}

TEST(Settings, NoFileStartsSilentAndExitWritesAllTwentyKeys) {
    Harness h;
    h.waveOut.deviceZeroVolume = 0x12345678;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.Control(Ctl::WaveVolumeSlider).sliderPosition, 0);
    EXPECT_EQ(h.Control(Ctl::MidiVolumeSlider).sliderPosition, 0);
    EXPECT_EQ(h.waveOut.deviceZeroVolume, 0u);
    EXPECT_TRUE(h.app.CurrentSettings().currentDir.empty());
    EXPECT_FALSE(h.files.Exists(kSettingsPath));

    h.app.Destroy();
    EXPECT_EQ(h.waveOut.deviceZeroVolume, 0x12345678u) << "the volume found at start is given back";
    const auto written = h.files.Contents(kSettingsPath);
    ASSERT_TRUE(written);
    EXPECT_EQ(std::count(written->begin(), written->end(), '='), 20);
    EXPECT_NE(written->find("wave volume=0"), std::string::npos);
}

TEST(Settings, StoredWaveVolumeSetsSliderAndBothChannels) {
    Harness h;
    h.files.Add(kSettingsPath, "[VOLUME]\nwave volume=50\nmidi volume=30\n");
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.Control(Ctl::WaveVolumeSlider).sliderPosition, 50);
    EXPECT_EQ(h.Control(Ctl::MidiVolumeSlider).sliderPosition, 30);
    EXPECT_EQ(h.waveOut.deviceZeroVolume, 32767u | 32767u << 16);
}

TEST(Settings, FileWithOnlyTheFileSectionGivesVolumesTen) {
    Harness h;
    h.files.Add(kSettingsPath, "[FILE]\n");
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.Control(Ctl::WaveVolumeSlider).sliderPosition, 10);
    EXPECT_EQ(h.app.CurrentSettings().currentDir, kSettingsPath);
    EXPECT_EQ(h.waveOut.deviceZeroVolume, 6553u | 6553u << 16);
}

TEST(Shutdown, ExitAndFrameCloseShareOnePathThatSavesOnce) {
    Harness h;
    h.files.Add(kSettingsPath, "[VOLUME]\nwave volume=40\n");
    ASSERT_TRUE(h.Start());
    h.app.Command(ControlId::Exit);
    EXPECT_EQ(h.window.closeRequests, 1);
    EXPECT_EQ(h.files.writes, 0) << "the settings are written when the window is destroyed";
    h.app.Destroy();  // what the close request leads to
    h.app.Destroy();  // a second destroy notice changes nothing
    EXPECT_EQ(h.files.writes, 1);
    EXPECT_TRUE(h.app.Destroyed());
}

TEST(Commands, EveryKeyAndMenuItemReachesACommandAndStrayIdsDoNothing) {
    std::set<std::pair<Key, bool>> keys;
    for (const Accelerator& a : AcceleratorTable()) {
        EXPECT_TRUE(Application::IsCommand(a.commandId)) << a.commandId;
        EXPECT_TRUE(keys.insert({a.key, a.shift}).second) << "key bound twice: " << a.commandId;
    }
    EXPECT_EQ(AcceleratorTable().size(), 31u);
    std::function<void(const std::vector<MenuItemSpec>&)> visit = [&](const std::vector<MenuItemSpec>& items) {
        for (const MenuItemSpec& item : items) {
            if (item.id != 0) {
                EXPECT_TRUE(Application::IsCommand(item.id)) << item.text;
            }
            visit(item.submenu);
        }
    };
    for (const MenuSpec& menu : MainMenu()) visit(menu.items);

    Harness h;
    ASSERT_TRUE(h.Start());
    const auto before = h.window.events.size();
    for (int stray : {0, 1, 99, 104, 40001, 40036, 40039, 40048, 65535}) {
        EXPECT_FALSE(Application::IsCommand(stray));
        h.app.Command(stray);
    }
    EXPECT_EQ(h.window.events.size(), before);
    EXPECT_EQ(h.window.closeRequests, 0);
}

TEST(Painting, ComposesPicturesAndCursorsByExclusiveOr) {
    Harness h;
    ASSERT_TRUE(h.Start());
    h.app.Paint();
    const FrameBuffer& screen = h.window.screen;
    const FrameBuffer keyboard = *RenderPicture(static_cast<int>(PictureId::Keyboard));
    const FrameBuffer marker = *RenderPicture(static_cast<int>(PictureId::MiddleCMarker));
    const FrameBuffer grid = *RenderPicture(static_cast<int>(PictureId::SpectrumGrid));
    EXPECT_EQ(screen.Crop({9, 301, 240, 108}), keyboard.Crop({0, 0, 240, 108}));
    EXPECT_EQ(screen.Crop({249, 301, 18, 108}), marker);
    EXPECT_EQ(screen.Crop({9, 211, 600, 90}), grid);
    // Both cursors start at column 0: white ^ cyan ^ yellow.
    for (int y : {0, 63, 126}) EXPECT_EQ(screen.Pixel(14, y), (Rgb{0, 255, 0}));
    EXPECT_EQ(screen.Pixel(15, 63), (Rgb{255, 255, 255}));
    // A second paint composes the same picture: the cursors pair on a fresh overview.
    const FrameBuffer first = screen;
    h.app.Paint();
    EXPECT_EQ(h.window.screen, first);
}

TEST(Painting, StartUpReadoutsAndTransportFaces) {
    Harness h;
    ASSERT_TRUE(h.Start());
    const FrameBuffer& screen = h.window.screen;
    // The empty detail view: black with a yellow outline and centre line.
    EXPECT_EQ(screen.Pixel(595, 157), (Rgb{255, 255, 0}));
    EXPECT_EQ(screen.Pixel(600, 160), (Rgb{0, 0, 0}));
    EXPECT_EQ(screen.Pixel(650, 181), (Rgb{255, 255, 0}));
    // The big time box, and its text in the new look's place and font.
    EXPECT_EQ(screen.Pixel(6, 158), (Rgb{0, 0, 127}));
    const auto big = std::find_if(h.text.calls.begin(), h.text.calls.end(),
                                  [](const auto& c) { return c.text == " 00:00.00 "; });
    ASSERT_NE(big, h.text.calls.end());
    EXPECT_EQ(big->at, (Point{-3, 159}));
    EXPECT_EQ(big->font, (FontSpec{"Tahoma", 40, 14, 900, true}));
    // Both mark times grey: no mark point is set.
    const auto marks = std::count_if(h.text.calls.begin(), h.text.calls.end(), [](const auto& c) {
        return c.text == "00:00.00" && c.colour == Rgb{150, 150, 150} && c.background == Rgb{236, 233, 216};
    });
    EXPECT_EQ(marks, 2);

    // Stop is enabled (stop glyph, raised); Play disabled shows its grey glyph.
    const auto glyphs = SplitStrip(*RenderPicture(static_cast<int>(PictureId::TransportGlyphs)), kTransportGlyphWidth,
                                   kTransportGlyphCount);
    auto faceShows = [&](Ctl ctl, int glyph, Point at) {
        const FrameBuffer& face = h.Control(ctl).face;
        for (int y = 0; y < kTransportGlyphHeight; ++y)
            for (int x = 0; x < kTransportGlyphWidth; ++x) {
                const Rgb p = glyphs[glyph].Pixel(x, y);
                if (p != kTransparentColour && face.Pixel(at.x + x, at.y + y) != p) return false;
            }
        return true;
    };
    EXPECT_TRUE(faceShows(Ctl::Stop, kGlyphStop, {48, 5}));
    EXPECT_TRUE(faceShows(Ctl::Play, kGlyphPlayDisabled, {30, 5}));
    EXPECT_TRUE(faceShows(Ctl::Keep, kGlyphKeepDisabled, {30, 25}));
    EXPECT_EQ(h.Control(Ctl::Stop).face.Pixel(0, 0), (Rgb{241, 239, 226}));
    // Held down, the face shows the pressed glyph 2 pixels further and sinks.
    h.app.DrawItem(h.app.Window()[Ctl::Stop], true);
    EXPECT_TRUE(faceShows(Ctl::Stop, kGlyphStop + 1, {50, 7}));
    EXPECT_EQ(h.Control(Ctl::Stop).face.Pixel(0, 0), (Rgb{172, 168, 153}));
}

}  // namespace
}  // namespace earloop
