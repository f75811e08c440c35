#pragma once
// Ports that answer "nothing here", for the programs and tools that run the
// program's code without a desktop: wave input without a device, and dialogs
// nobody sees (boxes answer OK, nothing is chosen, progress is not shown).

#include <memory>
#include <optional>
#include <string>

#include "ports/audio_ports.h"
#include "ports/dialog_port.h"

namespace earloop {

class NoWaveInput : public WaveInput {
public:
    std::unique_ptr<WaveInDevice> Open(const WaveFormatInfo&, DeviceEvents&) override { return nullptr; }
};

class QuietDialogs : public DialogPort {
public:
    MessageResult ShowMessageBox(const MessageBoxRequest&) override { return MessageResult::Ok; }
    std::optional<std::string> ChooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest&) override { return std::nullopt; }
    std::unique_ptr<ProgressWindow> OpenProgress(const std::string&, const std::string&, int) override {
        return std::make_unique<QuietProgress>();
    }
    void RunRecorder(RecorderEvents&) override {}
    std::optional<std::string> AskTakeName(const std::string&) override { return std::nullopt; }
    void ShowInfoDialog(const InfoDialogTemplate&) override {}
    void RunSetting(const SettingDialogSpec&, SettingEvents&) override {}

private:
    struct QuietProgress : ProgressWindow {
        void SetText(const std::string&) override {}
        void SetPercent(int) override {}
    };
};

}  // namespace earloop
