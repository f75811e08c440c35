#include "help/help_dialogs.h"

namespace earloop {

std::string HelpFilePath(const std::string& programFolder) { return programFolder + kHelpFileName; }

std::string InstalledFolderText(const std::string& programFolder) {
    if (programFolder.size() <= 1) return programFolder;
    return programFolder.substr(0, programFolder.size() - 1);
}

InfoDialogTemplate InstallationDialog(const std::string& programFolder) {
    constexpr const char* kCaption = "This Application was Installed...";
    InfoDialogTemplate dialog{"Information on this Application", 201, 71, std::nullopt, {}};
    dialog.items = {
        {InfoItemKind::Label, 1014, {9, 10, 148, 8}, kCaption, "", {}},
        {InfoItemKind::ReadOnlyField, 1033, {7, 21, 187, 13}, InstalledFolderText(programFolder), kCaption, {}},
        {InfoItemKind::OkButton, 1, {144, 50, 50, 14}, "OK", "", {}},
    };
    return dialog;
}

InfoDialogTemplate AboutBox(const FrameBuffer& titleLogo) {
    InfoDialogTemplate dialog{"Earloop!", 200, 103, Point{22, 17}, {}};
    dialog.items = {
        {InfoItemKind::Picture, 1082, {26, 6, 15, 13}, "", "Earloop", titleLogo},
        {InfoItemKind::Label, 1075, {14, 33, 177, 11}, "Earloop ! Version " EARLOOP_VERSION, "", {}},
        {InfoItemKind::Label, 1078, {13, 88, 69, 10}, "Build " EARLOOP_BUILD_DATE, "", {}},
        {InfoItemKind::OkButton, 1, {147, 82, 40, 12}, "OK", "", {}},
    };
    return dialog;
}

}  // namespace earloop
