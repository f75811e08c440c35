#include "settings/settings.h"

#include <algorithm>
#include <limits>

#include "settings/ini_file.h"
#include "settings/install_layout.h"

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

// A folder named by an environment variable, ending with one '/'. Only an
// absolute path counts: a relative one would depend on where the program
// was started.
std::optional<std::string> AbsoluteFolder(FileSystem& fs, const char* variable) {
    std::optional<std::string> value = fs.Environment(variable);
    if (!value || !value->starts_with('/')) return std::nullopt;
    while (value->ends_with('/')) value->pop_back();
    return *value + '/';
}

// This program's folder among the user's folders by the desktop's
// conventions: "$<variable>/earloop/", else "$HOME/<underHome>earloop/";
// nullopt when neither is known.
std::optional<std::string> UserFolder(FileSystem& fs, const char* variable, const char* underHome) {
    if (const auto base = AbsoluteFolder(fs, variable)) return *base + "earloop/";
    if (const auto home = AbsoluteFolder(fs, "HOME")) return *home + underHome + "earloop/";
    return std::nullopt;
}

// The file the settings are read from. The user's own file once there is
// one. Before that, the file beside a read-only program (left by the
// administrator, or by a portable copy now on read-only media) is the
// starting point: read at start and copied, with this run's values, into the
// user's file at exit; it is never written itself. nullopt without either.
std::optional<std::string> SettingsSource(FileSystem& fs, const Settings& settings) {
    if (fs.Exists(settings.settingsPath)) return settings.settingsPath;
    const std::string besideProgram = settings.programFolder + kSettingsFileName;
    if (fs.Exists(besideProgram)) return besideProgram;
    return std::nullopt;
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
    // Files are written beside the program only while its folder takes new
    // ones and is not an install's: the settings are replaced through a new
    // file beside the old, so a folder that refuses them cannot keep settings
    // even when the old file is writable. Without any user folder (no usable
    // $HOME) they stay beside the program, and the failed save at exit says so.
    const bool besideProgram = !RunsFromInstall(fs, *folder) && fs.CanCreateFilesIn(*folder);
    const auto configFolder = besideProgram ? std::nullopt : UserFolder(fs, "XDG_CONFIG_HOME", ".config/");
    const auto dataFolder = besideProgram ? std::nullopt : UserFolder(fs, "XDG_DATA_HOME", ".local/share/");
    settings.settingsPath = configFolder.value_or(*folder) + kSettingsFileName;
    settings.dataFolder = dataFolder.value_or(*folder);

    // A first start plays as a file without the volume keys would, not silently.
    const std::optional<std::string> source = SettingsSource(fs, settings);
    if (!source) {
        settings.waveVolume = settings.midiVolume = kVolumeWithoutKey;
        return SettingsLoad::NoFile;
    }

    // A file copied from read-only media would otherwise refuse the write at exit.
    if (*source == settings.settingsPath) fs.ClearReadOnly(settings.settingsPath);

    // A file that exists but cannot be read is taken as empty: every key gets
    // its default, as if the keys were missing.
    const IniDocument ini(fs.ReadFile(*source).value_or(std::string()));

    std::string currentDir = ini.Get(kFile, kCurrentDir).value_or(std::string());
    // A path cannot hold a NUL byte; whatever follows one is debris.
    currentDir.resize(std::min(currentDir.size(), currentDir.find('\0')));
    currentDir = CutUtf8(std::move(currentDir), kMaxCurrentDirBytes);
    // Without a wave opened before, the open dialog starts and takes are
    // saved where the capture file lies.
    settings.currentDir = currentDir.empty() ? settings.dataFolder + kSettingsFileName : currentDir;

    settings.waveVolume = ReadInt(ini, kVolume, kWaveVolume, kVolumeWithoutKey, 0, 100);
    settings.midiVolume = ReadInt(ini, kVolume, kMidiVolume, kVolumeWithoutKey, 0, 100);
    settings.calibration = ReadInt(ini, kMidi, kCalibration, 0, -40, 50);
    settings.noteBoxPos = ReadInt(ini, kNoteBox, kNoteBoxPos, 0, 0, 1);
    settings.fullQuality = ReadInt(ini, kPlayback, kFullQuality, 0, 0, 1);
    return SettingsLoad::Read;
}

bool SaveSettings(FileSystem& fs, const Settings& settings, const AnalysisParameters& analysis) {
    if (settings.settingsPath.empty()) return true;
    const std::string& path = settings.settingsPath;

    std::string existing;
    if (const std::optional<std::string> source = SettingsSource(fs, settings)) {
        std::optional<std::string> text = fs.ReadFile(*source);
        // Writing over a file we could not read would throw away whatever
        // the user keeps in it; leaving it alone loses only this run's changes.
        // A starting point beside the program that we cannot read is passed over.
        if (!text && *source == path) return false;
        existing = std::move(text).value_or(std::string());
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

    fs.CreateFolders(path.substr(0, path.rfind('/') + 1));
    return fs.WriteFile(path, ini.Text());
}

}  // namespace earloop
