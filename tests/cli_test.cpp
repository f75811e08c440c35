// The companion tool as a real process: `check` prints the program's own
// code and text for a rejected file, and the format and lengths of a good one.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "fakes/wav_builder.h"

namespace earloop {
namespace {

struct ToolRun {
    int status;
    std::string output;
};

ToolRun CheckFile(const std::string& contents) {
    const auto dir = std::filesystem::temp_directory_path() / ("earloop-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "input.wav";
    std::ofstream(file, std::ios::binary) << contents;
    const std::string command = std::string(EARLOOP_BIN_DIR) + "/earloop-cli check '" + file.string() + "' 2>&1";
    ToolRun run{0, {}};
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
        run.status = WEXITSTATUS(::pclose(pipe));
    }
    std::filesystem::remove_all(dir);
    return run;
}

TEST(CliCheck, RejectedFilesPrintTheProgramsCodeAndTextAndAGoodOneItsFormatAndLengths) {
    using testing::WaveSpec;
    const auto wav = [](void (*change)(WaveSpec&)) {
        WaveSpec spec;
        spec.samples = testing::RampSamples(4096, 1);
        change(spec);
        return testing::MakeWav(spec);
    };
    // The code numbers as the user sees them; 108 is shown by the render's refusal.
    const std::tuple<std::string, int, std::string> cases[] = {
        {wav([](WaveSpec& s) { s.formatTag = 3, s.bits = 32; }), 1, "Error 107: 無圧縮リニアPCMではありません\n"},
        {wav([](WaveSpec& s) { s.rate = 8000; }), 1, "Error 109: サンプル周波数11.025kHz未満には対応していません\n"},
        {wav([](WaveSpec& s) { s.withDataChunk = false; }), 1, "Error 110: WAVEデータが見つかりません\n"},
        {wav([](WaveSpec& s) { s.channels = 3; }), 1, "Error 122: モノラルまたはステレオの16bit PCMのみ対応しています\n"},
        {"plain text, not RIFF at all, long enough to be read as a header", 1, "Error 103: WAVEファイルではありません\n"},
        // One second at 22.05 kHz stereo.
        {wav([](WaveSpec& s) { s.rate = 22050, s.channels = 2, s.samples = testing::RampSamples(22050, 2); }), 0,
         "format: 22050 Hz, stereo, 16 bit\ndata: 88200 bytes\nworking: 11025 frames at 11025 Hz, 1000 ms\n"},
    };
    for (const auto& [contents, status, expected] : cases) {
        const ToolRun run = CheckFile(contents);
        EXPECT_EQ(run.status, status) << expected;
        EXPECT_EQ(run.output, expected);
    }
}

}  // namespace
}  // namespace earloop
