// The Help menu and the volume controls over fakes: the help file beside the
// program, the information dialogs' templates and the desktop's mixer.

#include <gtest/gtest.h>

#include <regex>
#include <tuple>

#include "fakes/app_harness.h"
#include "help/help_dialogs.h"
#include "ports/control_ids.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

using Harness = testing::AppHarness;
constexpr const char* kHelpPath = "/opt/earloop/earlphlp.html";

// A wave opened from another folder moves the open dialog's folder, never
// the program's.
void StartAndLoadFromElsewhere(Harness& h) {
    ASSERT_TRUE(h.Start());
    h.LoadRamp(11025, 1);
    ASSERT_EQ(h.app.CurrentSettings().currentDir, "/music/take.wav");
}

// Also for an installed program, whose settings live in the user's folders.
TEST(Help, OpensTheFileBesideTheProgramAndSaysError801WhenItIsGone) {
    for (const bool installed : {false, true}) {
        Harness h;
        if (installed) h.files.readOnlyFolders = {"/opt/earloop/"}, h.files.environment = {{"HOME", "/home/u"}};
        h.files.Add(kHelpPath, "<html></html>");
        StartAndLoadFromElsewhere(h);
        const auto boxesBefore = h.dialogs.boxes.size();
        h.app.Command(ControlId::Help);
        EXPECT_EQ(h.desktop.log, std::vector<std::string>{std::string("document ") + kHelpPath});
        EXPECT_EQ(h.dialogs.boxes.size(), boxesBefore);

        h.files.files.erase(kHelpPath);
        h.app.Command(ControlId::Help);
        ASSERT_EQ(h.dialogs.boxes.size(), boxesBefore + 1);
        EXPECT_EQ(h.dialogs.boxes.back(), (MessageBoxRequest{"ヘルプファイルが見つかりません", "Error 801",
                                                             MessageIcon::Exclamation, MessageButtons::Ok, true}));
        h.app.Command(ControlId::ThisApplication);
        EXPECT_EQ(h.dialogs.infoDialogs.at(0).items.at(1).text, "/opt/earloop") << installed;
    }
}

// Installed, the help lies in <prefix>/share/earloop; a file beside the
// program is taken first, and with neither the box names the one beside it.
TEST(Help, OpensTheInstalledFileWhenNoneLiesBesideTheProgram) {
    const std::string beside = "/usr/bin/earlphlp.html", installed = "/usr/share/earloop/earlphlp.html";
    struct Case { std::vector<std::string> present; std::string opened; std::size_t boxes; };
    for (const Case& c : {Case{{beside, installed}, beside, 0}, Case{{installed}, installed, 0}, Case{{}, beside, 1}}) {
        Harness h;
        h.files.programPath = "/usr/bin/earloop";
        for (const std::string& path : c.present) h.files.Add(path, "<html></html>");
        ASSERT_TRUE(h.Start());
        h.app.Command(ControlId::Help);
        EXPECT_EQ(h.desktop.log, std::vector<std::string>{"document " + c.opened});
        EXPECT_EQ(h.dialogs.boxes.size(), c.boxes);
    }
}

using ItemRow = std::tuple<InfoItemKind, int, Rect, std::string, std::string>;
std::vector<ItemRow> Rows(const InfoDialogTemplate& dialog) {
    std::vector<ItemRow> rows;
    for (const InfoItem& item : dialog.items) rows.emplace_back(item.kind, item.id, item.units, item.text, item.name);
    return rows;
}

TEST(InformationDialogs, ShowTheProgramsFolderAndTheBuildInTheirTemplates) {
    Harness h;
    StartAndLoadFromElsewhere(h);
    const auto eventsBefore = h.window.events;
    h.app.Command(ControlId::ThisApplication);
    h.app.Command(ControlId::About);
    ASSERT_EQ(h.dialogs.infoDialogs.size(), 2u);
    // Nothing else happens to the window.
    auto events = eventsBefore;
    events.insert(events.end(), {"dialog Information on this Application", "dialog Earloop!"});
    EXPECT_EQ(h.window.events, events);

    using enum InfoItemKind;
    const InfoDialogTemplate& info = h.dialogs.infoDialogs[0];
    EXPECT_EQ(std::tuple(info.title, info.width, info.height, info.at),
              std::tuple("Information on this Application", 201, 71, std::nullopt));
    const std::string caption = "This Application was Installed...";
    EXPECT_EQ(Rows(info), (std::vector<ItemRow>{{Label, 1014, {9, 10, 148, 8}, caption, ""},
                                                {ReadOnlyField, 1033, {7, 21, 187, 13}, "/opt/earloop", caption},
                                                {OkButton, 1, {144, 50, 50, 14}, "OK", ""}}));

    const InfoDialogTemplate& about = h.dialogs.infoDialogs[1];
    EXPECT_EQ(std::tuple(about.title, about.width, about.height, about.at),
              std::tuple("Earloop!", 200, 103, Point{22, 17}));
    ASSERT_EQ(about.items.size(), 4u);
    const std::string buildLine = about.items[2].text;
    EXPECT_EQ(Rows(about), (std::vector<ItemRow>{{Picture, 1082, {26, 6, 15, 13}, "", "Earloop"},
                                                 {Label, 1075, {14, 33, 177, 11}, "Earloop ! Version " EARLOOP_VERSION, ""},
                                                 {Label, 1078, {13, 88, 69, 10}, buildLine, ""},
                                                 {OkButton, 1, {147, 82, 40, 12}, "OK", ""}}));
    EXPECT_TRUE(std::regex_match(buildLine, std::regex("Build 20[0-9]{2}-[01][0-9]-[0-3][0-9]"))) << buildLine;
    EXPECT_EQ(about.items[0].picture, *RenderPicture(static_cast<int>(PictureId::TitleLogo)));
}

TEST(InformationDialogs, TheFolderLosesOnlyItsFinalSeparator) {
    for (const auto& [folder, shown] : {std::pair{"/opt/earloop/", "/opt/earloop"}, std::pair{"/", "/"},
                                        std::pair{"/home/ann/Music Tools/", "/home/ann/Music Tools"}})
        EXPECT_EQ(InstallationDialog(folder).items.at(1).text, shown) << folder;
}

TEST(VolumeControl, EachCommandOpensItsPageOfTheMixerAndTheShutdownClosesItOnce) {
    Harness h;
    ASSERT_TRUE(h.Start());
    h.app.Command(ControlId::PlayVolumeControl);
    h.app.Command(ControlId::PlayVolumeControl);
    h.app.Command(ControlId::RecordVolumeControl);
    EXPECT_EQ(h.desktop.log, (std::vector<std::string>{"open playback", "open playback", "open recording"}));
    h.app.Command(ControlId::Exit);
    h.app.Destroy();
    h.app.Destroy();
    EXPECT_EQ(h.desktop.log.size(), 4u);
    EXPECT_EQ(h.desktop.log.back(), "close");
}

}  // namespace
}  // namespace earloop
