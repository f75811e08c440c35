// The companion tool as a real process: `check` prints the program's own
// code and text for a rejected file on standard error, and the format and
// lengths of a good one on standard output; the help and the usage errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <tuple>
#include <vector>

#include "fakes/tool_run.h"
#include "fakes/wav_builder.h"

namespace earloop {
namespace {

using testing::RunToolApart;

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
    testing::TempFolder folder("earloop-cli");
    for (const auto& [contents, status, expected] : cases) {
        testing::WriteFile(folder / "input.wav", contents);
        const testing::ToolRun run = RunToolApart("check " + folder / "input.wav");
        EXPECT_EQ(run.status, status) << expected;
        // Results on standard output, refusals on standard error.
        EXPECT_EQ(status == 0 ? run.output : run.errors, expected);
        EXPECT_EQ(status == 0 ? run.errors : run.output, "");
    }
}

TEST(CliHelp, GoesToStandardOutputWithEveryCommandAndOptionAndItsRange) {
    for (const char* asked : {"--help", "-h", "help", "render --help", "analyse -h"}) {
        const testing::ToolRun run = RunToolApart(asked);
        SCOPED_TRACE(asked);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.errors, "");
        EXPECT_EQ(run.output.rfind("usage: earloop-cli COMMAND ARGUMENTS\n", 0), 0u);
        for (const char* command : {"\nearloop-cli check FILE\n", "\nearloop-cli render IN ",
                                    "\nearloop-cli analyse FILE ", "\nearloop-cli tone HZ "})
            EXPECT_NE(run.output.find(command), std::string::npos) << command;
        // Each option's own line, with the range its refusal names.
        const std::pair<const char*, const char*> options[] = {
            {"--speed PERCENT", "1 to 100"}, {"--shift SEMITONES", "-5 to 12"}, {"--vocal-cancel", "stereo"},
            {"--from MS", "before the end"}, {"--to MS", "the end of IN"}, {"--keep MS", "before the end"},
            {"--seconds N", "rendered, 1 to 3600"}, {"--keep-mode MODE", "single or double"}, {"--every MS", "1 to 3600000"},
            {"--choice N", "1 coarse"}, {"--range N", "3 normal"}, {"--chord-mode MODE", "simple or normal"},
            {"--flats", "flats"}, {"--notes N", "1 to 15"}, {"--reference HZ", "430 to 460"},
            {"--seconds N", "held, 1 to 60"}, {"--program N", "0 to 127"}, {"HZ   ", "392 to 493"}};
        std::vector<std::string> lines;
        std::istringstream text(run.output);
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        for (const auto& [option, range] : options) {
            EXPECT_TRUE(std::ranges::any_of(lines, [&](const std::string& line) {
                return line.rfind(std::string("    ") + option, 0) == 0 && line.find(range) != std::string::npos;
            })) << option << ": " << range;
        }
    }
}

TEST(CliHelp, AMissingOrUnknownCommandIsAUsageErrorOnStandardError) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "earloop-cli: no command given; the commands are check, render, analyse and tone (see --help)\n"},
        {"play x.wav", "earloop-cli: no command play; the commands are check, render, analyse and tone (see --help)\n"},
        {"check", "earloop-cli check: needs one FILE\n"},
        {"check a.wav b.wav", "earloop-cli check: needs one FILE\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const testing::ToolRun run = RunToolApart(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.output, "") << arguments;
        EXPECT_EQ(run.errors, message) << arguments;
    }
}

}  // namespace
}  // namespace earloop
