// earloop-cli: the program's wave handling from the command line, for scripts
// and for tests that need a real process.
//
//   earloop-cli check FILE   checks and loads FILE as the program would
//   earloop-cli render ...   writes what the player sounds (tools/render.h)
//   earloop-cli analyse ...  the notes and chords along a file (tools/analyse.h)
//   earloop-cli tone ...     the synthesizer's reference tone (tools/tone.h)

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/analyse.h"
#include "tools/console_wave.h"
#include "tools/render.h"
#include "tools/tone.h"

namespace earloop {
namespace {

int Fail(const ErrorState& error) {
    std::printf("Error %d: %s\n", error.code, error.message.c_str());
    return 1;
}

int Check(const std::string& path) {
    ConsoleDialogs dialogs;
    ErrorState error;
    auto image = LoadWaveForTool(path, dialogs, error);
    if (!image) return Fail(error);
    const std::uint32_t workBytes = PrepareSamples(*image, dialogs, true);
    const WaveFormatInfo& format = image->format;
    const WaveFormatInfo working = WorkingFormat(format);
    const std::uint32_t frames = workBytes / working.nBlockAlign;
    const std::uint32_t ms = LengthMs(workBytes, working);
    const char* channels = format.nChannels == 2 ? "stereo" : "mono";
    if (image->decodedFrom.empty()) {
        std::printf("format: %u Hz, %s, %u bit\n", format.nSamplesPerSec, channels, format.wBitsPerSample);
    } else {
        std::printf("format: %s %uHz %s\n", image->decodedFrom.c_str(), format.nSamplesPerSec, channels);
    }
    std::printf("data: %u bytes\n", image->dataBytes);
    std::printf("working: %u frames at %u Hz, %u ms\n", frames, working.nSamplesPerSec, ms);
    return 0;
}

void Usage() { std::fprintf(stderr, "usage: earloop-cli check FILE\n%s%s%s", kRenderUsage, kAnalyseUsage, kToneUsage); }

}  // namespace
}  // namespace earloop

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) return earloop::Check(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return earloop::RenderCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "analyse") == 0) return earloop::AnalyseCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "tone") == 0) return earloop::ToneCommand(argc - 2, argv + 2);
    earloop::Usage();
    return 2;
}
