// earloop-cli: the program's wave handling from the command line, for scripts
// and for tests that need a real process.
//
//   earloop-cli check FILE   checks and loads FILE as the program would

#include <cstdio>
#include <cstring>
#include <string>

#include "app/error_state.h"
#include "platform/posix/posix_file_system.h"
#include "wave/loader.h"
#include "wave/wav_format.h"

namespace earloop {
namespace {

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

class NoKeyboard : public KeyboardPort {
public:
    bool EscapePressed() override { return false; }
};

int Fail(const ErrorState& error) {
    std::printf("Error %d: %s\n", error.code, error.message.c_str());
    return 1;
}

int Check(const std::string& path) {
    PosixFileSystem files;
    ConsoleDialogs dialogs;
    NoKeyboard keyboard;
    ErrorState error;
    std::uint32_t memoryFactor = 1;
    if (!CheckWaveHeader(files, path, error, memoryFactor)) return Fail(error);
    auto image = LoadWaveFile(files, dialogs, keyboard, path, memoryFactor, error);
    if (!image) return Fail(error);
    const std::uint32_t workBytes = PrepareSamples(*image, dialogs, true);
    const WaveFormatInfo& format = image->format;
    const WaveFormatInfo working = WorkingFormat(format);
    const std::uint32_t frames = workBytes / working.nBlockAlign;
    const std::uint32_t ms = LengthMs(workBytes, working);
    std::printf("format: %u Hz, %s, %u bit\n", format.nSamplesPerSec, format.nChannels == 2 ? "stereo" : "mono",
                format.wBitsPerSample);
    std::printf("data: %u bytes\n", image->dataBytes);
    std::printf("working: %u frames at %u Hz, %u ms\n", frames, working.nSamplesPerSec, ms);
    return 0;
}

void Usage() { std::fprintf(stderr, "usage: earloop-cli check FILE\n"); }

}  // namespace
}  // namespace earloop

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) return earloop::Check(argv[2]);
    earloop::Usage();
    return 2;
}
