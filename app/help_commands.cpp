// The Help menu and the volume controls: the help file, the two information
// dialogs and the desktop's mixer. None of them changes the program's state.

#include "app/application.h"
#include "help/help_dialogs.h"
#include "settings/install_layout.h"

namespace earloop {

// The program's own folder, also after a recording was saved elsewhere (or,
// installed, its share folder).
void Application::OpenHelp() {
    const std::string folder =
        ShippedFolderHolding(platform_.files, settings_.programFolder, ShippedFiles::Help, kHelpFileName);
    if (platform_.desktop.OpenDocument(HelpFilePath(folder))) return;
    platform_.dialogs.ShowMessageBox(
        {kHelpFileMissing, "Error 801", MessageIcon::Exclamation, MessageButtons::Ok, true});
}

void Application::ShowInstallation() {
    platform_.dialogs.ShowInfoDialog(InstallationDialog(settings_.programFolder));
}

void Application::ShowAbout() { platform_.dialogs.ShowInfoDialog(AboutBox(view_.Pictures().titleLogo)); }

void Application::PlayVolumeControl() { platform_.desktop.OpenMixer(MixerPage::Playback); }

void Application::RecordVolumeControl() { platform_.desktop.OpenMixer(MixerPage::Recording); }

}  // namespace earloop
