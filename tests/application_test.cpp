// The application object over fakes: start-up, its failures, the settings at
// start and exit, the command table and the shutdown.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "app/application.h"
#include "fakes/app_harness.h"
#include "ports/control_ids.h"
#include "resources/menu_and_keys.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

constexpr const char* kSettingsPath = "/opt/earloop/earloop.ini";

using Harness = testing::AppHarness;

TEST(StartUp, LeavesExactlyTheNoWaveControlsEnabled) {
    Harness h;
    ASSERT_TRUE(h.Start());
    // Frames and labels that no state switch touches stay as created.
    const std::set<Ctl> expected = {
        Ctl::Stop, Ctl::LiveInput, Ctl::RangeDown, Ctl::RangeUp, Ctl::PitchAdjustGroup, Ctl::PitchAdjustLabel,
        Ctl::PitchAdjustDown, Ctl::PitchAdjustUp, Ctl::CalibrationReadout, Ctl::TuningMeter, Ctl::TuneLabel,
        Ctl::FineLabel, Ctl::SamplingGroup, Ctl::SamplingCoarse, Ctl::SamplingNormal, Ctl::SamplingPrecision,
        Ctl::PlayVolumeGroup, Ctl::WaveLabel, Ctl::MidiLabel, Ctl::WaveVolumeSlider, Ctl::MidiVolumeSlider,
        Ctl::ChannelGroup,
    };
    std::set<Ctl> enabled;
    for (int i = 0; i < kControlCount; ++i)
        if (h.Control(static_cast<Ctl>(i)).enabled) enabled.insert(static_cast<Ctl>(i));
    EXPECT_EQ(enabled, expected);

    // The sampling radios get their captions and the middle one its check here.
    for (const auto& [ctl, text, checked] : {std::tuple{Ctl::SamplingCoarse, "46ms(Coarse)", false},
                                             std::tuple{Ctl::SamplingNormal, "93ms(Normal)", true},
                                             std::tuple{Ctl::SamplingPrecision, "186ms(Precision)", false}})
        EXPECT_TRUE(h.Control(ctl).text == text && h.Control(ctl).checked == checked) << text;
    EXPECT_EQ(h.window.statusEdges, (std::vector<int>{440, 595, -1}));
    EXPECT_EQ(h.window.statusTexts, (std::vector<std::string>{"wave File：", "wave Time：", "wave Format："}));

    // No command is available yet, so the Stop sent at the end changes nothing.
    for (const TransportButton& b : h.app.States().transport) EXPECT_FALSE(b.available);
    EXPECT_EQ(h.app.Playback().play, PlayState::Stopped);
    EXPECT_TRUE(h.window.shown);
    EXPECT_TRUE(h.window.acceptsDrops);
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(StartUp, WithoutASoundDeviceTheStatusBarSaysOnceThatPlayIsSilent) {
    Harness h;
    h.waveOut.audible = false;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.window.statusTexts,
              (std::vector<std::string>{"No sound device: playing silently", "wave Time：", "wave Format："}));
    EXPECT_TRUE(h.dialogs.boxes.empty());
    h.LoadRamp(11025, 1);
    EXPECT_EQ(h.window.statusTexts[0], " /music/take.wav") << "the loaded file takes its place";
}

TEST(StartUp, MissingProgramPathOrPictureModulesAreEachReportedAndTheWindowNeverShows) {
    struct Case { std::set<std::string> missing; int code = 901; };
    for (const Case& c : {Case{{"earlpkbd.so"}}, Case{{"earlpfft.so"}}, Case{{"earlpkbd.so", "earlpfft.so"}}, Case{{}, 9999}}) {
        Harness h;
        h.files.Add(kSettingsPath, "[VOLUME]\nwave volume=70\n");
        h.pictures.missing = c.missing;
        if (c.code == 9999) h.files.programPath = std::nullopt;
        EXPECT_FALSE(h.Start());
        const std::size_t reports = std::max<std::size_t>(c.missing.size(), 1);
        EXPECT_EQ(h.dialogs.boxes, std::vector<MessageBoxRequest>(reports, {"プログラムの実行に必要なファイルがありません",
                                    "Error " + std::to_string(c.code), MessageIcon::Exclamation, MessageButtons::Ok, true}));
        EXPECT_EQ(h.window.closeRequests, 1) << "once, after every report";
        EXPECT_FALSE(h.window.shown);
        EXPECT_EQ(h.app.Error().code, c.code);
        // No control is made, and the keyboard module is asked for first, from the program's folder.
        EXPECT_TRUE(c.code != 901 || (h.window.controls.empty() && h.pictures.loaded.front() == "/opt/earloop/earlpkbd.so"));

        h.app.Destroy();
        EXPECT_EQ(h.files.writes, 0) << "a failed start must not overwrite the user's settings";
        EXPECT_EQ(h.files.Contents(kSettingsPath), "[VOLUME]\nwave volume=70\n");
    }
}

// Installed, the program lies in <prefix>/bin and its modules in
// <prefix>/lib/earloop; a module beside the program is taken first.
TEST(StartUp, EachPictureModuleIsTakenFromBesideTheProgramElseFromTheInstalledFolder) {
    struct Case { std::set<std::string> missing; std::vector<std::string> loaded; std::size_t boxes; };
    const std::string bin = "/usr/local/bin/", lib = "/usr/local/lib/earloop/";
    for (const Case& c : {
             Case{{}, {bin + "earlpkbd.so", bin + "earlpfft.so"}, 0},
             Case{{bin + "earlpkbd.so"}, {bin + "earlpkbd.so", lib + "earlpkbd.so", bin + "earlpfft.so"}, 0},
             Case{{bin + "earlpkbd.so", bin + "earlpfft.so"},
                  {bin + "earlpkbd.so", lib + "earlpkbd.so", bin + "earlpfft.so", lib + "earlpfft.so"}, 0},
             Case{{"earlpfft.so"}, {bin + "earlpkbd.so", bin + "earlpfft.so", lib + "earlpfft.so"}, 1}}) {
        Harness h;
        h.files.programPath = bin + "earloop";
        h.pictures.missing = c.missing;
        EXPECT_EQ(h.Start(), c.boxes == 0);
        EXPECT_EQ(h.pictures.loaded, c.loaded);
        EXPECT_EQ(h.dialogs.boxes.size(), c.boxes);
        EXPECT_EQ(h.window.shown, c.boxes == 0);
    }
}

TEST(StartUp, AcceleratorFailureIsReportedOnceAfterTheWindowShows) {
    Harness h;
    h.window.acceleratorsFail = true;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.dialogs.boxes, (std::vector<MessageBoxRequest>{{"Break ", "NULL-", MessageIcon::None, MessageButtons::Ok, false}}));
    const auto& ev = h.window.events;
    EXPECT_LT(std::find(ev.begin(), ev.end(), "show"), std::find(ev.begin(), ev.end(), "box NULL-"));
}

TEST(Settings, StoredVolumesSetTheSlidersAndBothChannelsWithTenForMissingKeys) {
    struct Case { const char* file; int wave, midi; unsigned channel; };
    for (const Case& c : {Case{"[VOLUME]\nwave volume=50\nmidi volume=30\n", 50, 30, 32767}, Case{"[FILE]\n", 10, 10, 6553}}) {
        Harness h;
        h.files.Add(kSettingsPath, c.file);
        ASSERT_TRUE(h.Start());
        EXPECT_EQ(h.Control(Ctl::WaveVolumeSlider).sliderPosition, c.wave) << c.file;
        EXPECT_EQ(h.Control(Ctl::MidiVolumeSlider).sliderPosition, c.midi) << c.file;
        EXPECT_EQ(h.waveOut.deviceZeroVolume, c.channel | c.channel << 16) << c.file;
        EXPECT_EQ(h.app.CurrentSettings().currentDir, kSettingsPath);
    }
}

// A first start, without a file, plays at the volume of a file without the
// volume keys, and writes it back; Exit and the frame's close share one path
// that saves once and gives back the volume found at start.
TEST(Shutdown, AFirstStartPlaysAtVolumeTenAndExitSavesOnceOnDestroy) {
    Harness h;
    h.waveOut.deviceZeroVolume = 0x12345678;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.Control(Ctl::WaveVolumeSlider).sliderPosition, 10);
    EXPECT_EQ(h.Control(Ctl::MidiVolumeSlider).sliderPosition, 10);
    EXPECT_TRUE(h.app.CurrentSettings().currentDir.empty());
    h.LoadRamp(11025, 1);
    h.app.Command(ControlId::Play);
    EXPECT_NE(h.app.Playback().play, PlayState::Stopped);
    EXPECT_EQ(h.waveOut.deviceZeroVolume, 6553u | 6553u << 16) << "10 % on both channels";
    h.app.Command(ControlId::Exit);
    EXPECT_EQ(h.window.closeRequests, 1);
    EXPECT_FALSE(h.files.Exists(kSettingsPath)) << "the settings are written when the window is destroyed";
    h.app.Destroy();  // what the close request leads to
    h.app.Destroy();  // a second destroy notice changes nothing
    EXPECT_EQ(h.files.writes, 1);
    EXPECT_TRUE(h.app.Destroyed());
    EXPECT_EQ(h.waveOut.deviceZeroVolume, 0x12345678u);
    EXPECT_NE(h.files.Contents(kSettingsPath).value_or("").find("[VOLUME]\nwave volume=10\nmidi volume=10\n"),
              std::string::npos);
}

// A save that fails at exit (a full disk, a settings folder made read-only
// meanwhile) keeps the old file and is told once, after the sound is closed.
TEST(Shutdown, AFailedSaveKeepsTheOldFileAndIsToldOnce) {
    for (const bool folderReadOnly : {false, true}) {
        Harness h;
        h.files.Add(kSettingsPath, "[VOLUME]\nwave volume=70\n");
        ASSERT_TRUE(h.Start());
        h.LoadRamp(11025, 1);
        h.app.Command(ControlId::Play);
        h.files.failWrites = !folderReadOnly;
        if (folderReadOnly) h.files.readOnlyFolders = {"/opt/earloop/"};
        std::size_t boxesWhileSoundCloses = 99;
        h.waveOut.onClose = [&] { boxesWhileSoundCloses = h.dialogs.boxes.size(); };
        h.app.Destroy();
        h.app.Destroy();
        EXPECT_EQ(h.dialogs.boxes,
                  (std::vector<MessageBoxRequest>{{"The settings could not be saved in /opt/earloop/earloop.ini (the folder "
                                                   "may be read-only or the disk full); the settings saved before are kept.",
                                                   "Earloop !", MessageIcon::Exclamation, MessageButtons::Ok, false}}));
        EXPECT_EQ(h.files.Contents(kSettingsPath), "[VOLUME]\nwave volume=70\n");
        EXPECT_EQ(boxesWhileSoundCloses, 0u) << "the sound is closed before the box waits for the user";
    }
}

TEST(Commands, EveryKeyAndMenuItemReachesACommandAndStrayIdsDoNothing) {
    std::set<std::pair<Key, bool>> keys;
    for (const Accelerator& a : AcceleratorTable()) {
        EXPECT_TRUE(Application::IsCommand(a.commandId)) << a.commandId;
        EXPECT_TRUE(keys.insert({a.key, a.shift}).second) << "key bound twice: " << a.commandId;
    }
    std::function<void(const std::vector<MenuItemSpec>&)> visit = [&](const std::vector<MenuItemSpec>& items) {
        for (const MenuItemSpec& item : items) {
            EXPECT_TRUE(item.id == 0 || Application::IsCommand(item.id)) << item.text;
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

// Each item of the menu, chosen on a fresh program, does what can be seen of it.
TEST(Commands, EveryMenuItemActs) {
    using Acts = std::function<bool(const Harness&)>;
    auto desktopDid = [](std::string what) { return [what](const Harness& h) { return h.desktop.log == std::vector{what}; }; };
    auto dialogShown = [](std::string title) {
        return [title](const Harness& h) { return h.dialogs.infoDialogs.size() == 1 && h.dialogs.infoDialogs[0].title == title; };
    };
    const std::map<int, Acts> acts = {
        {ControlId::Open, [](const Harness& h) { return h.dialogs.fileRequests.size() == 1; }},
        {ControlId::Record, [](const Harness& h) { return h.dialogs.recorderRuns == 1; }},
        // Without a wave there is nothing to export: no dialog, no render.
        {ControlId::Export, [](const Harness& h) { return h.dialogs.saveRequests.empty() && h.renderer.requests.empty(); }},
        {ControlId::Setting, [](const Harness& h) { return h.dialogs.settingRuns == 1; }},
        {ControlId::Exit, [](const Harness& h) { return h.window.closeRequests == 1; }},
        {ControlId::DisplayNotes, [](const Harness& h) { return h.noteBox.shown; }},
        {ControlId::PlayVolumeControl, desktopDid("open playback")},
        {ControlId::RecordVolumeControl, desktopDid("open recording")},
        {ControlId::Help, desktopDid("document /opt/earloop/earlphlp.html")},
        {ControlId::ThisApplication, dialogShown("Information on this Application")},
        {ControlId::About, dialogShown("Earloop!")},
        {ControlId::FullQuality,
         [](const Harness& h) { return h.window.menuChecks.at(ControlId::FullQuality) && h.app.Samples().fullQuality; }},
    };
    int items = 0;
    std::function<void(const std::vector<MenuItemSpec>&)> visit = [&](const std::vector<MenuItemSpec>& menu) {
        for (const MenuItemSpec& item : menu) {
            visit(item.submenu);
            if (item.id == 0) continue;
            ++items;
            ASSERT_TRUE(acts.count(item.id)) << item.text << " is in the menu but not in this table";
            Harness h;
            ASSERT_TRUE(h.Start());
            h.app.Command(item.id);
            EXPECT_TRUE(acts.at(item.id)(h)) << item.text;
        }
    };
    for (const MenuSpec& menu : MainMenu()) visit(menu.items);
    EXPECT_EQ(items, 12);
}

TEST(Painting, ComposesPicturesCursorsReadoutsAndTransportFaces) {
    Harness h;
    ASSERT_TRUE(h.Start());
    // At start the big time is in the new look's place and font; both mark times grey: no mark point is set.
    const auto& calls = h.text.calls;
    const auto big = std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c.text == " 00:00.00 "; });
    ASSERT_NE(big, calls.end());
    EXPECT_EQ(std::tuple(big->at, big->font), std::tuple(Point{-3, 159}, FontSpec{"Tahoma", 40, 14, 900, true}));
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const auto& c) {
                  return c.text == "00:00.00" && c.colour == Rgb{150, 150, 150} && c.background == Rgb{236, 233, 216};
              }), 2);
    h.app.Paint();
    const FrameBuffer& screen = h.window.screen;
    auto picture = [](PictureId id) { return *RenderPicture(static_cast<int>(id)); };
    EXPECT_EQ(screen.Crop({9, 301, 240, 108}), picture(PictureId::Keyboard).Crop({0, 0, 240, 108}));
    EXPECT_EQ(screen.Crop({249, 301, 18, 108}), picture(PictureId::MiddleCMarker));
    EXPECT_EQ(screen.Crop({9, 211, 600, 90}), picture(PictureId::SpectrumGrid));
    // Both cursors start at column 0: white ^ cyan ^ yellow.
    for (int y : {0, 63, 126}) EXPECT_EQ(screen.Pixel(14, y), (Rgb{0, 255, 0}));
    EXPECT_EQ(screen.Pixel(15, 63), (Rgb{255, 255, 255}));
    // The empty detail view: black with a yellow outline; the big time box.
    EXPECT_EQ(screen.Pixel(595, 157), (Rgb{255, 255, 0}));
    EXPECT_EQ(screen.Pixel(600, 160), (Rgb{0, 0, 0}));
    EXPECT_EQ(screen.Pixel(6, 158), (Rgb{0, 0, 127}));
    // A second paint composes the same picture: the cursors pair on a fresh overview.
    const FrameBuffer first = screen;
    h.app.Paint();
    EXPECT_EQ(h.window.screen, first);


    // Stop is enabled (stop glyph, raised); Play disabled shows its grey glyph.
    const auto glyphs = SplitStrip(picture(PictureId::TransportGlyphs), kTransportGlyphWidth, kTransportGlyphCount);
    auto faceShows = [&](Ctl ctl, int glyph, Point at) {
        for (int y = 0; y < kTransportGlyphHeight; ++y)
            for (int x = 0; x < kTransportGlyphWidth; ++x)
                if (const Rgb p = glyphs[glyph].Pixel(x, y); p != kTransparentColour && h.Control(ctl).face.Pixel(at.x + x, at.y + y) != p)
                    return false;
        return true;
    };
    EXPECT_TRUE(faceShows(Ctl::Stop, kGlyphStop, {48, 5}));
    EXPECT_TRUE(faceShows(Ctl::Play, kGlyphPlayDisabled, {30, 5}));
    EXPECT_EQ(h.Control(Ctl::Stop).face.Pixel(0, 0), (Rgb{241, 239, 226}));
    // Held down, the face shows the pressed glyph 2 pixels further and sinks.
    h.app.DrawItem(h.app.Window()[Ctl::Stop], true);
    EXPECT_TRUE(faceShows(Ctl::Stop, kGlyphStop + 1, {50, 7}));
    EXPECT_EQ(h.Control(Ctl::Stop).face.Pixel(0, 0), (Rgb{172, 168, 153}));
}

}  // namespace
}  // namespace earloop
