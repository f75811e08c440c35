#pragma once
// The ports a terminal offers the wave code, and loading a file through them
// as the program's Open does.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/posix/posix_file_system.h"
#include "ports/dialog_port.h"
#include "ports/error_state.h"
#include "ports/keyboard_port.h"
#include "ports/timer_port.h"
#include "wave/loader.h"
#include "wave/wav_format.h"

namespace earloop {

// A terminal has no windows: progress is not shown, boxes go to standard
// error, and nothing can be chosen or cancelled.
class ConsoleDialogs : public DialogPort {
public:
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override {
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return MessageResult::Ok;
    }
    std::optional<std::string> ChooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    std::unique_ptr<ProgressWindow> OpenProgress(const std::string&, const std::string&, int) override {
        return std::make_unique<SilentProgress>();
    }

private:
    struct SilentProgress : ProgressWindow {
        void SetText(const std::string&) override {}
        void SetPercent(int) override {}
    };
};

// Nor window timers: a tool that needs one ticks it itself.
class NoTimers : public TimerPort {
public:
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
};

class NoKeyboard : public KeyboardPort {
public:
    bool EscapePressed() override { return false; }
};

// The header check and the whole read of `path`; nullopt with `error` set
// when the program would refuse the file.
inline std::optional<WaveImage> LoadWaveForTool(const std::string& path, DialogPort& dialogs, ErrorState& error) {
    PosixFileSystem files;
    NoKeyboard keyboard;
    std::uint32_t memoryFactor = 1;
    if (!CheckWaveHeader(files, path, error, memoryFactor)) return std::nullopt;
    return LoadWaveFile(files, dialogs, keyboard, path, memoryFactor, error);
}

}  // namespace earloop
