// earloop-cli: the program's wave handling from the command line, for scripts
// and for tests that need a real process.
//
//   earloop-cli check FILE   checks and loads FILE as the program would
//   earloop-cli render ...   writes what the player sounds (tools/render.h)
//   earloop-cli analyse ...  the notes and chords along a file (tools/analyse.h)
//   earloop-cli tone ...     the synthesizer's reference tone (tools/tone.h)
//
// Results go to standard output, refusals and errors to standard error.

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/analyse.h"
#include "tools/arguments.h"
#include "tools/console_wave.h"
#include "tools/render.h"
#include "tools/tone.h"

namespace earloop {
namespace {

constexpr const char* kCheckHelp =
    "earloop-cli check FILE\n"
    "    Loads FILE as the program's Open does and prints its format, data size and working length.\n";

constexpr const char* kHelpHeader =
    "usage: earloop-cli COMMAND ARGUMENTS\n"
    "The program's own wave handling from the command line. Results go to standard output,\n"
    "refusals and errors to standard error. Exit status: 0 done, 1 the file or the output\n"
    "failed, 2 unusable arguments.\n\n";

constexpr const char* kHelpFooter = "earloop-cli --help | -h | help\n    Prints this help.\n";

int Check(const std::string& path) {
    ConsoleDialogs dialogs;
    ErrorState error;
    auto image = LoadWaveForTool(path, dialogs, error);
    if (!image) return RefuseFile(error);
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

int CheckCommand(int argc, char** argv) {
    if (argc != 1) return UsageError("check", "needs one FILE");
    return Check(argv[0]);
}

int Help() {
    std::printf("%s", kHelpHeader);
    for (const char* command : {kCheckHelp, kRenderHelp, kAnalyseHelp, kToneHelp}) std::printf("%s\n", command);
    std::printf("%s", kHelpFooter);
    return 0;
}

int NotACommand(const std::string& what) {
    std::fprintf(stderr, "earloop-cli: %s; the commands are check, render, analyse and tone (see --help)\n",
                 what.c_str());
    return kUsageError;
}

bool AsksForHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "help") == 0;
}

}  // namespace
}  // namespace earloop

int main(int argc, char** argv) {
    using namespace earloop;
    if (argc < 2) return NotACommand("no command given");
    // "earloop-cli COMMAND --help" helps as well.
    if (AsksForHelp(argv[1]) || (argc == 3 && AsksForHelp(argv[2]))) return Help();
    const std::string command = argv[1];
    if (command == "check") return CheckCommand(argc - 2, argv + 2);
    if (command == "render") return RenderCommand(argc - 2, argv + 2);
    if (command == "analyse") return AnalyseCommand(argc - 2, argv + 2);
    if (command == "tone") return ToneCommand(argc - 2, argv + 2);
    return NotACommand("no command " + command);
}
