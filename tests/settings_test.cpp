#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

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
    // Loads, then saves with the values as they stand; returns the file.
    std::string LoadAndSave() {
        LoadSettings(fs, settings);
        SaveSettings(fs, settings, analysis);
        return fs.Contents(kIni).value_or("<no file>");
    }

    FakeFileSystem fs;
    Settings settings;
    AnalysisParameters analysis;
};

TEST(ProgramFolder, IsTheDirectoryWithItsSlash) {
    EXPECT_EQ(ProgramFolderOf("/opt/earloop/earloop"), "/opt/earloop/");
    EXPECT_EQ(ProgramFolderOf("/earloop"), "/");
    EXPECT_EQ(ProgramFolderOf("earloop"), std::nullopt);
    EXPECT_EQ(ProgramFolderOf(""), std::nullopt);
}

TEST(SettingsInt, ReadsSignAndLeadingDigitsOnly) {
    EXPECT_EQ(ParseSettingsInt("5000"), 5000);
    EXPECT_EQ(ParseSettingsInt("-40"), -40);
    EXPECT_EQ(ParseSettingsInt("+7"), 7);
    EXPECT_EQ(ParseSettingsInt("12abc"), 12);
    EXPECT_EQ(ParseSettingsInt("3.9"), 3);
    EXPECT_EQ(ParseSettingsInt("abc"), 0);
    EXPECT_EQ(ParseSettingsInt(""), 0);
    EXPECT_EQ(ParseSettingsInt("-"), 0);
    EXPECT_EQ(ParseSettingsInt("--3"), 0);
    EXPECT_EQ(ParseSettingsInt("0x10"), 0);
}

TEST(SettingsInt, HugeDigitStringsSaturate) {
    EXPECT_EQ(ParseSettingsInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseSettingsInt("2147483648"), INT_MAX);
    EXPECT_EQ(ParseSettingsInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseSettingsInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseSettingsInt(std::string(10000, '9')), INT_MAX);
    EXPECT_EQ(ParseSettingsInt("-" + std::string(10000, '9')), INT_MIN);
}

TEST_F(SettingsFileTest, WithoutProgramPathNothingIsFixedOrWritten) {
    fs.programPath = std::nullopt;
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::NoProgramPath);
    EXPECT_EQ(settings.settingsPath, "");
    SaveSettings(fs, settings, analysis);
    EXPECT_TRUE(fs.files.empty());

    fs.programPath = "earloop";  // no folder in it
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::NoProgramPath);
}

TEST_F(SettingsFileTest, NoFileLeavesStartValuesAndCreatesNothing) {
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::NoFile);
    EXPECT_EQ(settings.programFolder, "/opt/earloop/");
    EXPECT_EQ(settings.settingsPath, kIni);
    EXPECT_EQ(settings.waveVolume, 0);
    EXPECT_EQ(settings.midiVolume, 0);
    EXPECT_EQ(settings.currentDir, "");
    EXPECT_EQ(settings.calibration, 0);
    EXPECT_EQ(settings.noteBoxPos, 0);
    EXPECT_TRUE(fs.files.empty());
}

TEST_F(SettingsFileTest, FreshFileHoldsSixSectionsAndTwentyKeysInOrder) {
    EXPECT_EQ(LoadAndSave(),
              "[FILE]\n"
              "CurrentDir=\n"
              "[PLAY MODE]\n"
              "FF/RW step=5000\n"
              "Keep step=2\n"
              "Mark point step=500\n"
              "Keep auto=1\n"
              "Keep mode=1\n"
              "Vocal Canceler=0\n"
              "[VOLUME]\n"
              "wave volume=0\n"
              "midi volume=0\n"
              "[MIDI]\n"
              "midideviceNo=-1\n"
              "mididevice=MIDI_MAPPER\n"
              "midiprogram=0\n"
              "calibration=0\n"
              "[NOTEBOX]\n"
              "NoteBox Pos=0\n"
              "Chord mode=0\n"
              "[FFT]\n"
              "WaveOutsampling=0\n"
              "WaveInsampling=1024\n"
              "FFTscale=1200\n"
              "FFTbase=600\n"
              "FFTclip=200\n");
    EXPECT_EQ(fs.writes, 1);
}

TEST_F(SettingsFileTest, MissingKeysGiveTheirDefaults) {
    fs.Add(kIni, "[FILE]\n");
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
    EXPECT_EQ(settings.waveVolume, 10);
    EXPECT_EQ(settings.midiVolume, 10);
    EXPECT_EQ(settings.currentDir, kIni);
    EXPECT_EQ(settings.calibration, 0);
    EXPECT_EQ(settings.noteBoxPos, 0);
}

TEST_F(SettingsFileTest, ReadsBackTheFiveValues) {
    fs.Add(kIni,
           "[file]\ncurrentdir = /home/me/Music/song one.wav \n"
           "[VOLUME]\nwave volume=35\nmidi volume=70\n"
           "[MIDI]\ncalibration=-40\n"
           "[NOTEBOX]\nNoteBox Pos=1\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, "/home/me/Music/song one.wav");
    EXPECT_EQ(settings.waveVolume, 35);
    EXPECT_EQ(settings.midiVolume, 70);
    EXPECT_EQ(settings.calibration, -40);
    EXPECT_EQ(settings.noteBoxPos, 1);
}

TEST_F(SettingsFileTest, OutOfRangeValuesAreClamped) {
    fs.Add(kIni,
           "[VOLUME]\nwave volume=250\nmidi volume=-5\n"
           "[MIDI]\ncalibration=51\n"
           "[NOTEBOX]\nNoteBox Pos=-3\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.waveVolume, 100);
    EXPECT_EQ(settings.midiVolume, 0);
    EXPECT_EQ(settings.calibration, 50);
    EXPECT_EQ(settings.noteBoxPos, 0);

    fs.Add(kIni, "[MIDI]\ncalibration=-99999999999999\n[NOTEBOX]\nNoteBox Pos=2\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.calibration, -40);
    EXPECT_EQ(settings.noteBoxPos, 1);
}

TEST_F(SettingsFileTest, CurrentDirIsCutWithoutSplittingACharacter) {
    const std::string eAcute = "\xC3\xA9";
    const std::string euro = "\xE2\x82\xAC";
    fs.Add(kIni, "[FILE]\nCurrentDir=" + std::string(300, 'a') + "\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, std::string(259, 'a'));

    fs.Add(kIni, "[FILE]\nCurrentDir=" + std::string(258, 'a') + eAcute + "b\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, std::string(258, 'a'));

    fs.Add(kIni, "[FILE]\nCurrentDir=" + std::string(257, 'a') + euro + "\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, std::string(257, 'a'));

    fs.Add(kIni, "[FILE]\nCurrentDir=" + std::string(256, 'a') + euro + "b\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, std::string(256, 'a') + euro);
}

TEST_F(SettingsFileTest, CurrentDirEndsAtANulByte) {
    fs.Add(kIni, Bytes("[FILE]\nCurrentDir=/a/b.wav\0junk\n"));
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, "/a/b.wav");

    fs.Add(kIni, Bytes("[FILE]\nCurrentDir=\0junk\n"));
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.currentDir, kIni);
}

TEST_F(SettingsFileTest, FieldsNotReadBackIgnoreTheFileAndAreWrittenAsInForce) {
    fs.Add(kIni, "[PLAY MODE]\nFF/RW step=9000\nKeep mode=0\n[NOTEBOX]\nChord mode=1\n");
    LoadSettings(fs, settings);
    EXPECT_EQ(settings.ffRwStep, 5000);
    EXPECT_EQ(settings.keepMode, 1);
    EXPECT_EQ(settings.chordMode, 0);

    settings.ffRwStep = 3000;  // changed in the Setting dialog during the run
    SaveSettings(fs, settings, analysis);
    const IniDocument saved(fs.Contents(kIni).value());
    EXPECT_EQ(saved.Get("PLAY MODE", "FF/RW step"), "3000");
    EXPECT_EQ(saved.Get("PLAY MODE", "Keep mode"), "1");
    EXPECT_EQ(saved.Get("NOTEBOX", "Chord mode"), "0");
}

TEST_F(SettingsFileTest, MidiValuesAreWrittenAsNumbersAndText) {
    LoadSettings(fs, settings);
    settings.midiProgram = 65;
    settings.calibration = -40;
    SaveSettings(fs, settings, analysis);
    IniDocument saved(fs.Contents(kIni).value());
    EXPECT_EQ(saved.Get("MIDI", "midiprogram"), "65");
    EXPECT_EQ(saved.Get("MIDI", "midideviceNo"), "-1");
    EXPECT_EQ(saved.Get("MIDI", "mididevice"), "MIDI_MAPPER");

    settings.midiProgram = 255;
    SaveSettings(fs, settings, analysis);
    saved = IniDocument(fs.Contents(kIni).value());
    EXPECT_EQ(saved.Get("MIDI", "midiprogram"), "255");

    Settings next;
    LoadSettings(fs, next);
    EXPECT_EQ(next.calibration, -40);
}

TEST_F(SettingsFileTest, ReadOnlyFileIsMadeWritableAndUpdated) {
    fs.Add(kIni, "[VOLUME]\nwave volume=40\n", /*readOnly=*/true);
    LoadSettings(fs, settings);
    EXPECT_FALSE(fs.files.at(kIni).readOnly);
    settings.waveVolume = 55;
    SaveSettings(fs, settings, analysis);
    EXPECT_EQ(IniDocument(fs.Contents(kIni).value()).Get("VOLUME", "wave volume"), "55");
}

TEST_F(SettingsFileTest, HandWrittenContentIsKeptByteForByte) {
    fs.Add(kIni,
           "; my own notes\r\n"
           "[Extra]\r\n"
           "mine = 1 \r\n"
           "\r\n"
           "[volume]\r\n"
           "  Wave Volume = 25\r\n"
           "balance=3\r\n"
           "\r\n"
           "[FFT]\r\n"
           "FFTclip=20\r\n");
    settings.currentDir = "ignored: the file wins";
    analysis.clipLevel = 500;
    EXPECT_EQ(LoadAndSave(),
              "; my own notes\r\n"
              "[Extra]\r\n"
              "mine = 1 \r\n"
              "\r\n"
              "[volume]\r\n"
              "  Wave Volume = 25\r\n"
              "balance=3\r\n"
              "midi volume=10\r\n"
              "\r\n"
              "[FFT]\r\n"
              "FFTclip=500\r\n"
              "WaveOutsampling=0\r\n"
              "WaveInsampling=1024\r\n"
              "FFTscale=1200\r\n"
              "FFTbase=600\r\n"
              "[FILE]\r\n"
              "CurrentDir=/opt/earloop/earloop.ini\r\n"
              "[PLAY MODE]\r\n"
              "FF/RW step=5000\r\n"
              "Keep step=2\r\n"
              "Mark point step=500\r\n"
              "Keep auto=1\r\n"
              "Keep mode=1\r\n"
              "Vocal Canceler=0\r\n"
              "[MIDI]\r\n"
              "midideviceNo=-1\r\n"
              "mididevice=MIDI_MAPPER\r\n"
              "midiprogram=0\r\n"
              "calibration=0\r\n"
              "[NOTEBOX]\r\n"
              "NoteBox Pos=0\r\n"
              "Chord mode=0\r\n");
}

TEST_F(SettingsFileTest, GarbageFilesAreReadAndKept) {
    std::string garbage = Bytes("\x00\x01\xFF\xFE garbage = \x80\n");
    garbage += std::string(5 * 1024 * 1024, 'z') + "\n";
    garbage += "[VOLUME\nwave volume=77\n";           // broken header: its keys are not VOLUME's
    garbage += "[VOLUME]\nmidi volume=30\nmidi volume=80\n";
    garbage += Bytes("[MIDI]\ncalibration=\0-12\n");
    fs.Add(kIni, garbage);

    LoadSettings(fs, settings);
    EXPECT_EQ(settings.waveVolume, 10);
    EXPECT_EQ(settings.midiVolume, 30);
    EXPECT_EQ(settings.calibration, 0);
    EXPECT_EQ(settings.currentDir, kIni);

    SaveSettings(fs, settings, analysis);
    const std::string saved = fs.Contents(kIni).value();
    // Everything up to the duplicate key survives, only values we own change.
    const std::string kept = garbage.substr(0, garbage.find("[VOLUME]\n"));
    EXPECT_EQ(saved.substr(0, kept.size()), kept);
    EXPECT_NE(saved.find("[VOLUME]\nmidi volume=30\nmidi volume=80\nwave volume=10\n"), std::string::npos);
    const IniDocument ini(saved);
    EXPECT_EQ(ini.Get("MIDI", "calibration"), "0");
    EXPECT_EQ(ini.Get("NOTEBOX", "NoteBox Pos"), "0");
}

TEST_F(SettingsFileTest, FailedWriteIsSilentAndKeepsTheOldFile) {
    const std::string old = "[VOLUME]\nwave volume=40\n";
    fs.Add(kIni, old);
    LoadSettings(fs, settings);
    settings.waveVolume = 90;
    fs.failWrites = true;
    SaveSettings(fs, settings, analysis);
    EXPECT_EQ(fs.Contents(kIni), old);
}

// A file that is there but cannot be read: its keys count as missing, and
// writing over it would throw away what we could not see.
class UnreadableFileSystem : public FakeFileSystem {
public:
    std::optional<std::string> ReadFile(const std::string&) override { return std::nullopt; }
};

TEST(SettingsUnreadableFile, DefaultsAreUsedAndTheFileIsLeftAlone) {
    UnreadableFileSystem fs;
    fs.Add(kIni, "[VOLUME]\nwave volume=40\n");
    Settings settings;
    EXPECT_EQ(LoadSettings(fs, settings), SettingsLoad::Read);
    EXPECT_EQ(settings.waveVolume, 10);
    SaveSettings(fs, settings, AnalysisParameters{});
    EXPECT_EQ(fs.writes, 0);
}

}  // namespace
}  // namespace earloop
