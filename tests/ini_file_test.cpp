#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace earloop {
namespace {

TEST(IniDocumentRead, MatchesNamesWithoutCaseOrBlanksAndOnlyWhereAKeyCanBe) {
    const IniDocument ini(
        "stray=1\n"  // before any section
        "[ Play Mode ]\n  keep STEP =  3  \n\tFF/RW step\t=\t-7\t\nempty=   \nk = a=b\n"
        "; x=2\n# y=3\nno equals sign\n=4\n"  // comments, no '=', no key name
        "[B]\nz=5\n");
    EXPECT_EQ(ini.Get("PLAY MODE", "Keep step"), "3");
    EXPECT_EQ(ini.Get("play mode", "ff/rw STEP"), "-7");
    EXPECT_EQ(ini.Get("Play Mode", "empty"), "");
    EXPECT_EQ(ini.Get("Play Mode", "k"), "a=b");
    EXPECT_EQ(ini.Get("b", "Z"), "5");
    for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
             {"Play Mode", "stray"}, {"Play Mode", "; x"}, {"Play Mode", "# y"}, {"Play Mode", "no equals sign"},
             {"Play Mode", ""}, {"Play Mode", "z"}, {"C", "z"}}) {
        EXPECT_EQ(ini.Get(section, key), std::nullopt) << section << "/" << key;
    }
}

TEST(IniDocumentDuplicates, FirstKeyWinsRepeatedSectionsAreOneAndBrokenHeadersHideTheirKeys) {
    IniDocument twice("[A]\nk=1\nk=2\n");
    EXPECT_EQ(twice.Get("A", "k"), "1");
    twice.Set("A", "k", "9");
    EXPECT_EQ(twice.Text(), "[A]\nk=9\nk=2\n");

    IniDocument repeated("[A]\nx=1\n[B]\nx=7\n[a]\ny=2\nx=9\n");
    EXPECT_EQ(repeated.Get("A", "x"), "1");
    EXPECT_EQ(repeated.Get("A", "y"), "2");
    repeated.Set("A", "y", "3");
    repeated.Set("A", "z", "4");  // a new key goes into the first occurrence
    EXPECT_EQ(repeated.Text(), "[A]\nx=1\nz=4\n[B]\nx=7\n[a]\ny=3\nx=9\n");

    IniDocument broken("[A]\nx=1\n[B\ny=2\n");
    EXPECT_EQ(broken.Get("A", "y"), std::nullopt);
    EXPECT_EQ(broken.Get("B", "y"), std::nullopt);
    broken.Set("A", "y", "5");
    EXPECT_EQ(broken.Text(), "[A]\nx=1\ny=5\n[B\ny=2\n");
}

TEST(IniDocumentSet, ChangesOnlyWhatItMustInTheFilesOwnLineEnding) {
    using Set = std::array<const char*, 3>;  // section, key, value
    struct Case { const char* what; std::string before; std::vector<Set> sets; std::string after; } cases[] = {
        {"only the value is replaced", "; my notes\r\n\r\n[Other]\r\nThing = stays \r\n[MIDI]\r\n  Calibration =  12  \r\njunk line\r\n\r\n",
         {{"midi", "calibration", "-40"}}, "; my notes\r\n\r\n[Other]\r\nThing = stays \r\n[MIDI]\r\n  Calibration =  -40\r\njunk line\r\n\r\n"},
        {"a new key after its section's last non-blank line", "[A]\nx=1\n; end of A\n\n\n[B]\ny=2\n",
         {{"A", "z", "3"}, {"B", "w", "4"}}, "[A]\nx=1\n; end of A\nz=3\n\n\n[B]\ny=2\nw=4\n"},
        // No line end after the last line.
        {"a new section at the end", "[A]\r\nx=1", {{"B", "k", "v"}}, "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"a new key at the end", "[A]\nx=1", {{"A", "y", "2"}}, "[A]\nx=1\ny=2\n"},
        {"an empty file", "", {{"FILE", "CurrentDir", "/a b/c.wav"}, {"VOLUME", "wave volume", "10"}},
         "[FILE]\nCurrentDir=/a b/c.wav\n[VOLUME]\nwave volume=10\n"},
        {"line breaks in a value cannot split the line", "[A]\n", {{"A", "k", "one\ntwo\r\n[B]"}}, "[A]\nk=onetwo[B]\n"},
        {"a byte order mark is kept and skipped", "\xEF\xBB\xBF[A]\nx=1\n", {{"A", "x", "2"}}, "\xEF\xBB\xBF[A]\nx=2\n"},
        // A mark before a key line does not hide the line end.
        {"a byte order mark before a key", "\xEF\xBB\xBF" "x=1\n", {{"A", "x", "2"}}, "\xEF\xBB\xBF" "x=1\n[A]\nx=2\n"},
    };
    for (const Case& c : cases) {
        IniDocument ini(c.before);
        for (const auto& [section, key, value] : c.sets) ini.Set(section, key, value);
        EXPECT_EQ(ini.Text(), c.after) << c.what;
        for (const auto& [section, key, value] : c.sets) {
            std::string stored = value;
            std::erase_if(stored, [](char ch) { return ch == '\r' || ch == '\n'; });
            EXPECT_EQ(ini.Get(section, key), stored) << c.what;
        }
    }
}

TEST(IniDocumentGarbage, BinaryBytesAndHugeLinesSurviveEdits) {
    std::string garbage = "\x01\x02\xFF\xFE";
    garbage += std::string("\0\0=\0[", 5);
    garbage += "\n[\n]\n[[[]]]\n===\n";
    garbage += std::string(5 * 1024 * 1024, 'x') + "\n";  // a 5 MB line
    garbage += std::string(1024 * 1024, '[') + "\r\n[A]\nk=";
    garbage += std::string(1024 * 1024, '=') + "\nend";

    IniDocument ini(garbage);
    EXPECT_EQ(ini.Text(), garbage);
    EXPECT_EQ(ini.Get("A", "k"), std::string(1024 * 1024, '='));
    ini.Set("A", "k", "1");
    ini.Set("A", "new", "2");
    ini.Set("B", "k", "3");

    std::string expected = garbage;
    expected.resize(expected.size() - (1024 * 1024 + 4));  // drop "=...=\nend"
    expected += "1\nend\nnew=2\n[B]\nk=3\n";
    EXPECT_EQ(ini.Text(), expected);
}

}  // namespace
}  // namespace earloop
