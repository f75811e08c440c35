// PROVISIONAL: replaced by the real dialogs before this lands.
#include "platform/wx/main_frame.h"

namespace earloop {

void MainFrame::RunRecorder(RecorderEvents&) {}
std::optional<std::string> MainFrame::AskTakeName(const std::string&) { return std::nullopt; }

}  // namespace earloop
