#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fakes/fake_file_system.h"
#include "settings/ini_file.h"

namespace earloop {
namespace {

constexpr const char* kIni = "/opt/earloop/earloop.ini";

// A string literal with its embedded NUL bytes.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

class SettingsFileTest : public ::testing::Test {
protected:
    FakeFileSystem fs;
    Settings settings;
    AnalysisParameters analysis;
};

TEST(SettingsInt, ReadsSignAndLeadingDigitsOnlyAndSaturates) {
    const std::string nines(10000, '9');
    const std::vector<std::pair<std::string, int>> cases{
        {"5000", 5000}, {"-40", -40}, {"+7", 7}, {"12abc", 12}, {"3.9", 3}, {"abc", 0}, {"", 0}, {"-", 0}, {"--3", 0},
        {"0x10", 0}, {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN}, {nines, INT_MAX}, {"-" + nines, INT_MIN},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseSettingsInt(text), value) << text.substr(0, 20);
}

TEST_F(SettingsFileTest, WithoutProgramPathOrFolderNothingIsFixedOrWritten) {
    for (const auto& path : {std::optional<std::string>{}, std::optional<std::string>{"earloop"}, std::optional<std::string>{""}}) {
        fs.programPath = path;
        EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::NoProgramPath);
        EXPECT_EQ(settings.settingsPath, "");
        SaveSettings(fs, settings, analysis);
        EXPECT_TRUE(fs.files.empty());
    }
    EXPECT_EQ(ProgramFolderOf("/earloop"), "/");
}

TEST_F(SettingsFileTest, WithoutAFileTheVolumesAreTenAndTheFreshFileHoldsAllTwentyKeys) {
    settings.calibration = 7;
    settings.noteBoxPos = 1;
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::NoFile);
    EXPECT_EQ(std::tuple(settings.programFolder, settings.settingsPath), std::tuple("/opt/earloop/", kIni));
    EXPECT_TRUE(fs.files.empty());
    // The volumes are those of a file without their keys; the other
    // read-back values keep their start values, not defaulted.
    EXPECT_EQ(std::tuple(settings.waveVolume, settings.midiVolume, settings.calibration, settings.noteBoxPos, settings.currentDir),
              std::tuple(10, 10, 7, 1, ""));
    settings.calibration = settings.noteBoxPos = 0;
    EXPECT_TRUE(SaveSettings(fs, settings, analysis));
    EXPECT_EQ(fs.Contents(kIni),
              "[FILE]\nCurrentDir=\n"
              "[PLAY MODE]\nFF/RW step=5000\nKeep step=2\nMark point step=500\nKeep auto=1\nKeep mode=1\nVocal Canceler=0\n"
              "[VOLUME]\nwave volume=10\nmidi volume=10\n"
              "[MIDI]\nmidideviceNo=-1\nmididevice=MIDI_MAPPER\nmidiprogram=0\ncalibration=0\n"
              "[NOTEBOX]\nNoteBox Pos=0\nChord mode=0\n"
              "[FFT]\nWaveOutsampling=0\nWaveInsampling=1024\nFFTscale=1200\nFFTbase=600\nFFTclip=200\n");
    EXPECT_EQ(fs.writes, 1);
}

TEST_F(SettingsFileTest, ReadsBackFiveValuesWithDefaultsAndClamping) {
    struct Case {
        std::string file;
        std::string currentDir = kIni;  // the settings file's own path when the key is missing or empty
        std::tuple<int, int, int, int> values{10, 10, 0, 0};  // volumes, calibration, Note box position
    };
    const std::string a256(256, 'a'), eAcute = "\xC3\xA9", euro = "\xE2\x82\xAC";
    // One settings object throughout, so a key missing from a later file cannot keep an earlier value.
    const std::vector<Case> cases{
        {"[file]\ncurrentdir = /home/me/Music/song one.wav \n[VOLUME]\nwave volume=35\nmidi volume=70\n"
         "[MIDI]\ncalibration=-40\n[NOTEBOX]\nNoteBox Pos=1\n",
         "/home/me/Music/song one.wav", {35, 70, -40, 1}},
        {"[FILE]\n"},
        {"[VOLUME]\nwave volume=250\nmidi volume=-5\n[MIDI]\ncalibration=51\n[NOTEBOX]\nNoteBox Pos=-3\n", kIni, {100, 0, 50, 0}},
        {"[MIDI]\ncalibration=-99999999999999\n[NOTEBOX]\nNoteBox Pos=2\n", kIni, {10, 10, -40, 1}},
        // CurrentDir is cut to 259 bytes without splitting a character, and ends at a NUL byte.
        {"[FILE]\nCurrentDir=" + std::string(300, 'a') + "\n", std::string(259, 'a')},
        {"[FILE]\nCurrentDir=" + a256 + "aa" + eAcute + "b\n", a256 + "aa"},
        {"[FILE]\nCurrentDir=" + a256 + "a" + euro + "\n", a256 + "a"},
        {"[FILE]\nCurrentDir=" + a256 + euro + "b\n", a256 + euro},
        {Bytes("[FILE]\nCurrentDir=/a/b.wav\0junk\n"), "/a/b.wav"},
        {Bytes("[FILE]\nCurrentDir=\0junk\n")},
    };
    for (const Case& c : cases) {
        fs.Add(kIni, c.file);
        EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
        EXPECT_EQ(settings.currentDir, c.currentDir) << c.file;
        EXPECT_EQ(std::tuple(settings.waveVolume, settings.midiVolume, settings.calibration, settings.noteBoxPos), c.values) << c.file;
    }
}

TEST_F(SettingsFileTest, KeysNotReadBackIgnoreTheFileAndAreWrittenAsInForce) {
    fs.Add(kIni, "[PLAY MODE]\nFF/RW step=9000\nKeep mode=0\n[NOTEBOX]\nChord mode=1\n[MIDI]\nmidiprogram=7\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(std::tuple(settings.ffRwStep, settings.keepMode, settings.chordMode, int{settings.midiProgram}), std::tuple(5000, 1, 0, 0));

    settings.ffRwStep = 3000;  // changed in the Setting dialog during the run
    settings.midiProgram = 255;
    settings.calibration = -40;
    SaveSettings(fs, settings, analysis);
    const IniDocument saved(fs.Contents(kIni).value());
    for (const auto& [section, key, value] : {std::tuple{"PLAY MODE", "FF/RW step", "3000"}, {"PLAY MODE", "Keep mode", "1"},
                                              {"NOTEBOX", "Chord mode", "0"}, {"MIDI", "midiprogram", "255"}, {"MIDI", "calibration", "-40"}})
        EXPECT_EQ(saved.Get(section, key), value) << key;
}

TEST_F(SettingsFileTest, ReadOnlyHandWrittenFileIsUpdatedAndOtherwiseKeptByteForByte) {
    fs.Add(kIni,
           "; my own notes\r\n[Extra]\r\nmine = 1 \r\n\r\n"
           "[volume]\r\n  Wave Volume = 25\r\nbalance=3\r\n\r\n"
           "[FFT]\r\nFFTclip=20\r\n",
           /*readOnly=*/true);
    settings.currentDir = "ignored: the file wins";
    analysis.clipLevel = 500;
    LoadSettings(fs, settings);
    SaveSettings(fs, settings, analysis);
    EXPECT_EQ(fs.Contents(kIni),
              "; my own notes\r\n[Extra]\r\nmine = 1 \r\n\r\n"
              "[volume]\r\n  Wave Volume = 25\r\nbalance=3\r\nmidi volume=10\r\n\r\n"
              "[FFT]\r\nFFTclip=500\r\nWaveOutsampling=0\r\nWaveInsampling=1024\r\nFFTscale=1200\r\nFFTbase=600\r\n"
              "[FILE]\r\nCurrentDir=/opt/earloop/earloop.ini\r\n"
              "[PLAY MODE]\r\nFF/RW step=5000\r\nKeep step=2\r\nMark point step=500\r\nKeep auto=1\r\nKeep mode=1\r\nVocal Canceler=0\r\n"
              "[MIDI]\r\nmidideviceNo=-1\r\nmididevice=MIDI_MAPPER\r\nmidiprogram=0\r\ncalibration=0\r\n"
              "[NOTEBOX]\r\nNoteBox Pos=0\r\nChord mode=0\r\n");
    EXPECT_FALSE(fs.files.at(kIni).readOnly);
}

TEST_F(SettingsFileTest, GarbageFilesAreReadAndKept) {
    std::string garbage = Bytes("\x00\x01\xFF\xFE garbage = \x80\n");
    garbage += std::string(5 * 1024 * 1024, 'z') + "\n";
    garbage += "[VOLUME\nwave volume=77\n";  // broken header: its keys are not VOLUME's
    garbage += "[VOLUME]\nmidi volume=30\nmidi volume=80\n";
    garbage += Bytes("[MIDI]\ncalibration=\0-12\n");
    fs.Add(kIni, garbage);

    LoadSettings(fs, settings);
    EXPECT_EQ(std::tuple(settings.waveVolume, settings.midiVolume, settings.calibration), std::tuple(10, 30, 0));
    EXPECT_EQ(settings.currentDir, kIni);

    SaveSettings(fs, settings, analysis);
    const std::string saved = fs.Contents(kIni).value();
    // Everything up to the duplicate key survives, only values we own change.
    const std::string kept = garbage.substr(0, garbage.find("[VOLUME]\n"));
    EXPECT_EQ(saved.substr(0, kept.size()), kept);
    EXPECT_NE(saved.find("[VOLUME]\nmidi volume=30\nmidi volume=80\nwave volume=10\n"), std::string::npos);
    EXPECT_EQ(IniDocument(saved).Get("MIDI", "calibration"), "0");
}

// A file that is there but cannot be read: its keys count as missing, and
// writing over it would throw away what we could not see. A failed write (a
// full disk, a folder made read-only meanwhile) keeps the old file too; each
// is reported as a failed save.
struct UnreadableFileSystem : FakeFileSystem {
    std::set<std::string> unreadable;
    std::optional<std::string> ReadFile(const std::string& p) override {
        return unreadable.count(p) ? std::nullopt : FakeFileSystem::ReadFile(p);
    }
};

TEST(SettingsOldFile, IsLeftAloneWhenUnreadableOrWhenTheWriteFails) {
    const std::string old = "[VOLUME]\nwave volume=40\n";
    enum class Fault { Unreadable, WriteFails, FolderReadOnly };
    for (const Fault fault : {Fault::Unreadable, Fault::WriteFails, Fault::FolderReadOnly}) {
        UnreadableFileSystem fs;
        if (fault == Fault::Unreadable) fs.unreadable = {kIni};
        fs.Add(kIni, old);
        Settings settings;
        EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
        EXPECT_EQ(settings.waveVolume, fault == Fault::Unreadable ? 10 : 40);
        fs.failWrites = fault == Fault::WriteFails;
        if (fault == Fault::FolderReadOnly) fs.readOnlyFolders = {"/opt/earloop/"};
        settings.waveVolume = 90;
        EXPECT_FALSE(SaveSettings(fs, settings, AnalysisParameters{}));
        EXPECT_EQ(fs.Contents(kIni), old) << static_cast<int>(fault);
    }
}

// Full quality lives in a section of its own: read back and held to 0..1,
// 0 in a file of an older version, which is written as before until it is on.
TEST_F(SettingsFileTest, FullQualityHasASectionOfItsOwnThatOlderFilesDoWithout) {
    struct Case { std::string file; int read; int set; std::string tail; } cases[] = {
        {"[NOTEBOX]\nNoteBox Pos=1\n", 0, 0, "FFTclip=200\n"},
        {"[NOTEBOX]\nNoteBox Pos=1\n", 0, 1, "FFTclip=200\n[PLAYBACK]\nFull quality=1\n"},
        {"[PLAYBACK]\nFull quality=1\n[VOLUME]\n", 1, 0, "[PLAYBACK]\nFull quality=0\n[VOLUME]\nwave volume=10\n"},
        {"[playback]\nfull quality = 9\n", 1, 1, "[playback]\nfull quality = 1\n"},
        {"[PLAYBACK]\nFull quality=-3\n", 0, 0, "[PLAYBACK]\nFull quality=0\n"},
    };
    for (const Case& c : cases) {
        fs.Add(kIni, c.file);
        settings.fullQuality = 1 - c.read;
        ASSERT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
        EXPECT_EQ(settings.fullQuality, c.read) << c.file;
        settings.fullQuality = c.set;
        SaveSettings(fs, settings, analysis);
        const std::string text = fs.Contents(kIni).value_or("");
        EXPECT_NE(text.find(c.tail), std::string::npos) << text;
        EXPECT_EQ(text.find("PLAYBACK") != std::string::npos || text.find("playback") != std::string::npos,
                  c.set != 0 || c.file.find("quality") != std::string::npos)
            << text;
    }
}

// An installed program's folder takes no new files: the settings and the
// capture file go to the user's folders. Only absolute XDG paths count;
// without a usable home they stay beside the program.
TEST(SettingsUserFolders, AReadOnlyProgramFolderSendsThemToTheXdgFoldersOrTheirFallbacks) {
    using Environment = std::map<std::string, std::string>;
    struct Case { Environment environment; std::string config, data; };
    const std::string home = "/home/u/.config/earloop/", homeData = "/home/u/.local/share/earloop/";
    const std::vector<Case> cases{
        {{{"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/d/data//"}, {"HOME", "/home/u"}}, "/cfg/earloop/", "/d/data/earloop/"},
        {{{"HOME", "/home/u/"}}, home, homeData},
        {{{"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "data"}, {"HOME", "/home/u"}}, home, homeData},
        {{{"XDG_CONFIG_HOME", "./cfg"}, {"XDG_DATA_HOME", "/"}, {"HOME", "/home/u"}}, home, "/earloop/"},
        {{{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "home/u"}}, "/opt/earloop/", "/opt/earloop/"},
        {{}, "/opt/earloop/", "/opt/earloop/"},
    };
    for (const Case& c : cases) {
        FakeFileSystem fs;
        fs.readOnlyFolders = {"/opt/earloop/"};
        fs.environment = c.environment;
        Settings settings;
        EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::NoFile);
        EXPECT_EQ(std::tuple(settings.programFolder, settings.settingsPath, settings.dataFolder),
                  std::tuple("/opt/earloop/", c.config + kSettingsFileName, c.data))
            << c.environment.size() << " " << c.config;
    }
    // A writable program folder keeps both beside it, whatever the environment says.
    FakeFileSystem fs;
    fs.environment = cases.front().environment;
    Settings settings;
    LoadSettings(fs, settings);
    EXPECT_EQ(std::tuple(settings.settingsPath, settings.dataFolder), std::tuple(kIni, "/opt/earloop/"));
    // Unless it is an install's (its prefix holds the installed help), as
    // /usr/bin is, which root could write.
    fs.Add("/opt/share/earloop/earlphlp.html", "");
    LoadSettings(fs, settings);
    EXPECT_EQ(std::tuple(settings.settingsPath, settings.dataFolder),
              std::tuple("/cfg/earloop/earloop.ini", "/d/data/earloop/"));
}

TEST(SettingsUserFolders, AFileBesideAReadOnlyProgramIsTheStartingPointAndIsNeverWritten) {
    const std::string beside = "[VOLUME]\nwave volume=40\n[Extra]\nmine=1\n";
    const std::string user = "/home/u/.config/earloop/earloop.ini";
    FakeFileSystem fs;
    fs.readOnlyFolders = {"/opt/earloop/"};
    fs.environment = {{"HOME", "/home/u"}};
    fs.Add(kIni, beside, /*readOnly=*/true);
    Settings settings;
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
    EXPECT_EQ(std::tuple(settings.waveVolume, settings.currentDir), std::tuple(40, "/home/u/.local/share/earloop/earloop.ini"));
    settings.waveVolume = 90;
    EXPECT_TRUE(SaveSettings(fs, settings, AnalysisParameters{}));
    EXPECT_EQ(fs.createdFolders, std::vector<std::string>{"/home/u/.config/earloop/"});
    EXPECT_EQ(fs.Contents(kIni), beside);
    EXPECT_TRUE(fs.files.at(kIni).readOnly);
    const IniDocument saved(fs.Contents(user).value_or(""));
    EXPECT_EQ(std::tuple(saved.Get("VOLUME", "wave volume"), saved.Get("Extra", "mine")), std::tuple("90", "1"));

    // From then on the user's own file is the one read and written.
    fs.files.at(user).contents = "[VOLUME]\nwave volume=55\n";
    Settings next;
    EXPECT_EQ(LoadSettings(fs, next), SettingsLoad::Read);
    EXPECT_EQ(next.waveVolume, 55);
    EXPECT_TRUE(SaveSettings(fs, next, AnalysisParameters{}));
    EXPECT_FALSE(IniDocument(fs.Contents(user).value_or("")).Get("Extra", "mine"));
}

// Only the user's own file must be readable before it is replaced: a starting
// point beside the program that cannot be read is passed over.
TEST(SettingsUserFolders, AnUnreadableFileBesideAReadOnlyProgramIsPassedOver) {
    UnreadableFileSystem fs;
    fs.unreadable = {kIni};
    fs.readOnlyFolders = {"/opt/earloop/"};
    fs.environment = {{"HOME", "/home/u"}};
    fs.Add(kIni, "[VOLUME]\nwave volume=40\n");
    Settings settings;
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
    EXPECT_EQ(settings.waveVolume, 10);
    EXPECT_TRUE(SaveSettings(fs, settings, AnalysisParameters{}));
    EXPECT_TRUE(fs.Contents("/home/u/.config/earloop/earloop.ini"));
}

}  // namespace
}  // namespace earloop
