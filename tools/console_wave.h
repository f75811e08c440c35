#pragma once
// The ports a terminal offers the wave code, and loading a file through them
// as the program's Open does.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/ffmpeg/ffmpeg_decoder.h"
#include "platform/null_devices.h"
#include "platform/posix/posix_file_system.h"
#include "ports/dialog_port.h"
#include "ports/error_state.h"
#include "ports/keyboard_port.h"
#include "ports/timer_port.h"
#include "wave/decoded_loader.h"
#include "wave/loader.h"
#include "wave/wav_format.h"

namespace earloop {

// A terminal has no windows: boxes go to standard error.
class ConsoleDialogs : public QuietDialogs {
public:
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override {
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return MessageResult::Ok;
    }
};

// The program's code and text for a refused file, on standard error; the
// exit status of a file that failed.
inline int RefuseFile(const ErrorState& error) {
    std::fprintf(stderr, "Error %d: %s\n", error.code, error.message.c_str());
    return 1;
}

class NoKeyboard : public KeyboardPort {
public:
    bool EscapePressed() override { return false; }
};

// The header check and the whole read of `path` (or, for a file that is not
// a RIFF WAVE file, its decoding); nullopt with `error` set when the program
// would refuse the file.
inline std::optional<WaveImage> LoadWaveForTool(const std::string& path, DialogPort& dialogs, ErrorState& error) {
    PosixFileSystem files;
    NoKeyboard keyboard;
    if (!IsRiffWave(files, path)) {
        FfmpegDecoder decoder;
        const auto audio = OpenAudioFile(decoder, files, path, error);
        if (!audio) return std::nullopt;
        return LoadDecodedAudio(*audio, dialogs, keyboard, error);
    }
    std::uint32_t memoryFactor = 1;
    if (!CheckWaveHeader(files, path, error, memoryFactor)) return std::nullopt;
    return LoadWaveFile(files, dialogs, keyboard, path, memoryFactor, error);
}

}  // namespace earloop
