// `earloop-cli analyse` as a real process: one JSON line per position with
// the Note box's notes, gauge, bass and chord, and one-line refusals.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "fakes/tool_run.h"
#include "fakes/wav_builder.h"
#include "synth/gm_render.h"

namespace earloop {
namespace {

using testing::RunTool;

TEST(CliAnalyse, PrintsTheNoteBoxOfEveryPositionAsOneJsonLine) {
    const auto chord = testing::RenderGmNotes({0, {48, 52, 55, 60}, 2.0});
    ASSERT_TRUE(chord) << "TimGM6mb.sf2 is missing: scripts/install-deps.sh installs it";
    testing::TempFolder folder("earloop-analyse");
    testing::WaveSpec spec;
    spec.samples = *chord;
    testing::WriteFile(folder / "c.wav", testing::MakeWav(spec));

    const auto run = RunTool("analyse " + folder / "c.wav" + " --every 500");
    ASSERT_EQ(run.status, 0) << run.output;
    std::istringstream lines(run.output);
    // The keys in their order, each once, and nothing after the object.
    const auto shaped = [](const std::string& line) {
        std::size_t at = 0;
        for (const char* key : {"{\"ms\": ", ", \"notes\": [", "], \"tune\": ", ", \"bass\": \"", "\", \"chord\": \""}) {
            at = line.find(key, at);
            if (at == std::string::npos) return false;
        }
        return line.size() > 2 && line.compare(line.size() - 2, 2, "\"}") == 0;
    };
    std::vector<int> times;
    std::string line, last;
    while (std::getline(lines, line)) {
        ASSERT_TRUE(shaped(line)) << line;
        times.push_back(std::stoi(line.substr(7)));
        last = line;
    }
    EXPECT_EQ(times, (std::vector<int>{0, 500, 1000, 1500, 2000}));
    EXPECT_NE(last.find(R"("chord": " C)"), std::string::npos) << last;
    EXPECT_NE(last.find(R"( \n\r")"), std::string::npos) << "line breaks escaped: " << last;
    // Beside the Note box's texts, the same without their padding: C major over C.
    EXPECT_NE(last.find(R"(, "bass_note": "C", "chords": ["C"], "bass": ")"), std::string::npos) << last;
    // Every note played is named, and each distance agrees with the flag in "notes".
    const auto between = [&last](const std::string& from, const std::string& to) {
        const std::size_t start = last.find(from);
        return last.substr(start, last.find(to, start) - start);
    };
    for (const char* name : {"\"C3\"", "\"E3\"", "\"G3\"", "\"C4\""})
        EXPECT_NE(between("\"note_names\"", "]").find(name), std::string::npos) << name << " in " << last;
    std::vector<bool> flagged, beyondTheMiddle;
    const std::string notes = between("\"notes\"", "\"note_names\""), distances = between("\"off_centre\"", "]");
    const std::regex flag(R"(\[\d+, ([01])\])"), number(R"(-?\d+)");
    for (std::sregex_iterator it(notes.begin(), notes.end(), flag), end; it != end; ++it)
        flagged.push_back((*it)[1] == "1");
    for (std::sregex_iterator it(distances.begin(), distances.end(), number), end; it != end; ++it)
        beyondTheMiddle.push_back(std::abs(std::stoi(it->str())) > 1);
    EXPECT_GE(flagged.size(), 4u);
    EXPECT_EQ(beyondTheMiddle, flagged) << last;

    // Flats and a reference pitch change the spelling and the calibration, not the shape.
    const auto flats = RunTool("analyse " + folder / "c.wav" + " --every 1000 --flats --reference 445 --notes 3");
    EXPECT_EQ(flats.status, 0) << flats.output;
}

TEST(CliAnalyse, RefusesUnusableRequestsWithOneLineOnStandardError) {
    struct Case {
        const char* arguments;
        int status;
        const char* output;  // on standard error
    };
    const Case cases[] = {
        {"analyse", 2, "earloop-cli analyse: no file given\n"},
        {"analyse a.wav --choice 4", 2, "earloop-cli analyse: --choice must be 1, 2 or 3\n"},
        {"analyse a.wav --reference 470", 2,
         "earloop-cli analyse: --reference must be a whole number of hertz from 430 to 460\n"},
        {"analyse a.wav --loud", 2, "earloop-cli analyse: unknown option --loud\n"},
        {"analyse /nonexistent.wav", 1, "Error 101: ファイルを開くことができません\n"},
    };
    for (const Case& c : cases) {
        const auto run = testing::RunToolApart(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.errors, c.output) << c.arguments;
        EXPECT_EQ(run.output, "") << c.arguments;
    }
}

}  // namespace
}  // namespace earloop
