// Export: what the player sounds for the repeat range (the whole wave when
// none is set) at the current speed, shift and vocal canceller, rendered by
// the same port as the companion tool's render into a WAV or FLAC file.

#include <array>
#include <utility>

#include "app/application.h"
#include "ports/control_ids.h"
#include "record/take_saving.h"

namespace earloop {

namespace {

struct ExportFilter {
    FileFilter filter;
    const char* extension;
    AudioFileType type;
};
const std::array<ExportFilter, 2> kExportFilters{{
    {{"WAV (*.wav)", "*.wav"}, ".wav", AudioFileType::Wav},
    {{"FLAC (*.flac)", "*.flac"}, ".flac", AudioFileType::Flac},
}};

// The name first offered: the wave's own, so that it is found beside it.
std::string ExportName(const std::string& wavePath) {
    const std::size_t slash = wavePath.find_last_of('/');
    std::string name = slash == std::string::npos ? wavePath : wavePath.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + "_export.wav";
}

// The progress window follows the render; Escape stops it.
class ExportProgress : public RenderProgress {
public:
    ExportProgress(ProgressWindow& window, KeyboardPort& keyboard) : window_(window), keyboard_(keyboard) {}
    bool Continue(int percent) override {
        if (percent != shown_) window_.SetPercent(shown_ = percent);
        return !keyboard_.EscapePressed();
    }

private:
    ProgressWindow& window_;
    KeyboardPort& keyboard_;
    int shown_ = 0;
};

}  // namespace

void Application::ExportCommand() {
    if (!samples_.loaded) return;
    Command(ControlId::Stop);
    const auto target = ChooseExportFile();
    if (!target) return;
    const auto& [path, type] = *target;

    RenderSettings render;
    render.speedPercent = playback_.speedPercent;
    render.shift = playback_.pitchShift;
    render.vocalCancel = samples_.vocalCancelOn;
    render.fullQuality = samples_.fullQuality;
    if (marks_.markSet && marks_.repeatSet) {
        render.fromMs = static_cast<std::uint32_t>(marks_.markMs);
        render.toMs = static_cast<std::uint32_t>(marks_.repeatEndMs);
    }
    RenderOutcome outcome;
    {
        platform_.window.SetBusyCursor(true);
        const auto window = platform_.dialogs.OpenProgress("EXPORTING", "Writing file ...", 0);
        ExportProgress progress(*window, platform_.keyboard);
        outcome = platform_.renderer.Render(samples_, render, type, path, progress);
        platform_.window.SetBusyCursor(false);
    }
    if (outcome.result == RenderResult::Done) return;
    const std::string text = outcome.result == RenderResult::Stopped
                                 ? "The export was stopped; " + path + " was not written."
                                 : "The export was not written: " + outcome.error;
    platform_.dialogs.ShowMessageBox({text, kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, true});
}

// The file to write and its type: the extension typed, else the one of the
// filter chosen. An existing file is replaced only when the user agrees.
std::optional<std::pair<std::string, AudioFileType>> Application::ChooseExportFile() {
    SaveFileRequest request{settings_.currentDir, ExportName(samples_.fileName), {}};
    for (const ExportFilter& filter : kExportFilters) request.filters.push_back(filter.filter);
    const auto choice = platform_.dialogs.ChooseSaveFile(request);
    if (!choice) return std::nullopt;
    std::string path = choice->path;
    auto type = AudioFileTypeOf(path);
    if (!type) {
        const ExportFilter& filter = kExportFilters.at(choice->filter < kExportFilters.size() ? choice->filter : 0);
        path += filter.extension;
        type = filter.type;
    }
    if (platform_.files.Exists(path) &&
        platform_.dialogs.ShowMessageBox({OverwriteQuestion(path), "Export", MessageIcon::Exclamation,
                                          MessageButtons::YesNo, true}) != MessageResult::Yes)
        return std::nullopt;
    return std::pair{path, *type};
}

}  // namespace earloop
