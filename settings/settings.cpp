#include "settings/settings.h"

#include <algorithm>
#include <limits>

#include "settings/ini_file.h"

namespace earloop {
namespace {

// Section and key names as the file spells them.
constexpr const char* kFile = "FILE";
constexpr const char* kPlayMode = "PLAY MODE";
constexpr const char* kVolume = "VOLUME";
constexpr const char* kMidi = "MIDI";
constexpr const char* kNoteBox = "NOTEBOX";
constexpr const char* kFft = "FFT";
// Ours alone: readers that know only the sections above pass it by.
constexpr const char* kPlayback = "PLAYBACK";

constexpr const char* kCurrentDir = "CurrentDir";
constexpr const char* kWaveVolume = "wave volume";
constexpr const char* kMidiVolume = "midi volume";
constexpr const char* kCalibration = "calibration";
constexpr const char* kNoteBoxPos = "NoteBox Pos";
constexpr const char* kFullQuality = "Full quality";

// Both volumes, percent, when the file does not give them.
constexpr int kVolumeWithoutKey = 10;

// Cuts text to at most maxBytes without leaving half a UTF-8 sequence at the
// end: continuation bytes (10xxxxxx) before the cut are dropped together with
// the lead byte they belong to.
std::string CutUtf8(std::string text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t cut = maxBytes;
    // The byte at `cut` is the first one dropped; while it continues a
    // sequence, that sequence started before the cut and must go too.
    std::size_t back = 0;
    while (cut > 0 && back < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
        ++back;
    }
    if (back > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) != 0xC0) {
        cut = maxBytes;  // not a well-formed sequence after all: a plain byte cut will do
    }
    text.resize(cut);
    return text;
}

int ReadInt(const IniDocument& ini, const char* section, const char* key, int absent, int low, int high) {
    const std::optional<std::string> text = ini.Get(section, key);
    const int value = text ? ParseSettingsInt(*text) : absent;
    return std::clamp(value, low, high);
}

}  // namespace

int ParseSettingsInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate towards the sign's own end so that INT_MIN itself can be read.
    constexpr long long kMax = std::numeric_limits<int>::max();
    const long long limit = negative ? kMax + 1 : kMax;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

std::optional<std::string> ProgramFolderOf(const std::string& programPath) {
    const std::size_t slash = programPath.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return programPath.substr(0, slash + 1);
}

SettingsLoad LoadSettings(FileSystem& fs, Settings& settings) {
    const std::optional<std::string> programPath = fs.ProgramPath();
    if (!programPath) return SettingsLoad::NoProgramPath;
    const std::optional<std::string> folder = ProgramFolderOf(*programPath);
    if (!folder) return SettingsLoad::NoProgramPath;

    settings.programFolder = *folder;
    settings.settingsPath = *folder + kSettingsFileName;

    // A first start plays as a file without the volume keys would, not silently.
    if (!fs.Exists(settings.settingsPath)) {
        settings.waveVolume = settings.midiVolume = kVolumeWithoutKey;
        return SettingsLoad::NoFile;
    }

    // A file copied from read-only media would otherwise refuse the write at exit.
    fs.ClearReadOnly(settings.settingsPath);

    // A file that exists but cannot be read is taken as empty: every key gets
    // its default, as if the keys were missing.
    const IniDocument ini(fs.ReadFile(settings.settingsPath).value_or(std::string()));

    std::string currentDir = ini.Get(kFile, kCurrentDir).value_or(std::string());
    // A path cannot hold a NUL byte; whatever follows one is debris.
    currentDir.resize(std::min(currentDir.size(), currentDir.find('\0')));
    currentDir = CutUtf8(std::move(currentDir), kMaxCurrentDirBytes);
    settings.currentDir = currentDir.empty() ? settings.settingsPath : currentDir;

    settings.waveVolume = ReadInt(ini, kVolume, kWaveVolume, kVolumeWithoutKey, 0, 100);
    settings.midiVolume = ReadInt(ini, kVolume, kMidiVolume, kVolumeWithoutKey, 0, 100);
    settings.calibration = ReadInt(ini, kMidi, kCalibration, 0, -40, 50);
    settings.noteBoxPos = ReadInt(ini, kNoteBox, kNoteBoxPos, 0, 0, 1);
    settings.fullQuality = ReadInt(ini, kPlayback, kFullQuality, 0, 0, 1);
    return SettingsLoad::Read;
}

void SaveSettings(FileSystem& fs, const Settings& settings, const AnalysisParameters& analysis) {
    if (settings.settingsPath.empty()) return;
    const std::string& path = settings.settingsPath;

    std::string existing;
    if (fs.Exists(path)) {
        std::optional<std::string> text = fs.ReadFile(path);
        // Writing over a file we could not read would throw away whatever
        // the user keeps in it; leaving it alone loses only this run's changes.
        if (!text) return;
        existing = std::move(*text);
    }

    IniDocument ini(existing);
    auto put = [&ini](const char* section, const char* key, int value) {
        ini.Set(section, key, std::to_string(value));
    };
    ini.Set(kFile, kCurrentDir, settings.currentDir);
    put(kPlayMode, "FF/RW step", settings.ffRwStep);
    put(kPlayMode, "Keep step", settings.keepStep);
    put(kPlayMode, "Mark point step", settings.markPointStep);
    put(kPlayMode, "Keep auto", settings.keepAuto);
    put(kPlayMode, "Keep mode", settings.keepMode);
    put(kPlayMode, "Vocal Canceler", settings.vocalCanceler);
    put(kVolume, kWaveVolume, settings.waveVolume);
    put(kVolume, kMidiVolume, settings.midiVolume);
    put(kMidi, "midideviceNo", settings.midiDeviceNo);
    ini.Set(kMidi, "mididevice", settings.midiDeviceName);
    ini.Set(kMidi, "midiprogram", std::to_string(static_cast<unsigned>(settings.midiProgram)));
    put(kMidi, kCalibration, settings.calibration);
    put(kNoteBox, kNoteBoxPos, settings.noteBoxPos);
    put(kNoteBox, "Chord mode", settings.chordMode);
    put(kFft, "WaveOutsampling", analysis.analysisPoints);
    put(kFft, "WaveInsampling", analysis.monitorPoints);
    put(kFft, "FFTscale", analysis.pitchScale);
    put(kFft, "FFTbase", analysis.pitchBase);
    put(kFft, "FFTclip", analysis.clipLevel);
    // A file that never had it stays as the program has always written it.
    if (settings.fullQuality != 0 || ini.Get(kPlayback, kFullQuality)) put(kPlayback, kFullQuality, settings.fullQuality);

    (void)fs.WriteFile(path, ini.Text());
}

}  // namespace earloop
