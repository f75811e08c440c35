// The companion tool as a real process: `check` prints the program's own
// code and text for a rejected file, and the format and lengths of a good one.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

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

TEST(CliCheck, RejectedFilesPrintTheProgramsCodeAndText) {
    using testing::WaveSpec;
    struct Case {
        const char* name;
        WaveSpec spec;
        std::string expected;
    };
    WaveSpec eightBit, floating, slow, noData, threeChannels;
    eightBit.bits = 8;
    floating.formatTag = 3;
    floating.bits = 32;
    slow.rate = 8000;
    noData.withDataChunk = false;
    threeChannels.channels = 3;
    for (WaveSpec* spec : {&eightBit, &floating, &slow, &threeChannels}) spec->samples = testing::RampSamples(4096, 1);
    const Case cases[] = {
        {"8-bit", eightBit, "Error 108: 16bit/sampleのWAVEファイルのみ対応しています\n"},
        {"float", floating, "Error 107: 無圧縮リニアPCMではありません\n"},
        {"8000 Hz", slow, "Error 109: サンプル周波数11.025kHz未満には対応していません\n"},
        {"no data", noData, "Error 110: WAVEデータが見つかりません\n"},
        {"three channels", threeChannels, "Error 122: モノラルまたはステレオの16bit PCMのみ対応しています\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run = CheckFile(testing::MakeWav(c.spec));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.output, c.expected) << c.name;
    }
    const ToolRun notWave = CheckFile("plain text, not RIFF at all, long enough to be read as a header");
    EXPECT_EQ(notWave.output, "Error 103: WAVEファイルではありません\n");
}

TEST(CliCheck, AcceptedFilePrintsFormatDataAndWorkingLength) {
    testing::WaveSpec spec;
    spec.rate = 22050;
    spec.channels = 2;
    spec.samples = testing::RampSamples(22050, 2);  // one second
    const ToolRun run = CheckFile(testing::MakeWav(spec));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "format: 22050 Hz, stereo, 16 bit\n"
              "data: 88200 bytes\n"
              "working: 11025 frames at 11025 Hz, 1000 ms\n");
}

}  // namespace
}  // namespace earloop
