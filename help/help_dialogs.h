#pragma once
// The help file beside the program, and the two dialogs that show where the
// program is installed and which build it is.

#include <string>

#include "picture/frame_buffer.h"
#include "ports/dialog_port.h"

namespace earloop {

// The HTML help, in the program's folder.
inline constexpr const char* kHelpFileName = "earlphlp.html";
// The text of the "Error 801" box.
inline constexpr const char* kHelpFileMissing = "ヘルプファイルが見つかりません";

// `programFolder` ends with a separator.
std::string HelpFilePath(const std::string& programFolder);
// The folder without its final separator; the root folder stays "/".
std::string InstalledFolderText(const std::string& programFolder);

// "INFAPLI": the program's folder in a read-only field.
InfoDialogTemplate InstallationDialog(const std::string& programFolder);
// "ABOUTBOX": the title logo, the product line with the version and the
// build line with the date the build was configured.
InfoDialogTemplate AboutBox(const FrameBuffer& titleLogo);

}  // namespace earloop
