#pragma once
// The user's settings and the file "earloop.ini" that keeps them between
// runs: beside the program file while its folder takes new files (a build
// folder, a portable copy), else in the user's config folder (an installed
// program).
//
// The file is written in full at exit (twenty keys) but only five of them are
// read back at start: the volumes, the tuning offset, where the Note box opens
// and the folder last used. The rest start each run from the values below;
// they are written so that the file shows the last state of the program.
// Full quality, in a section of its own, is read back too, and written once
// it has been switched on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/analysis_parameters.h"
#include "ports/file_system.h"

namespace earloop {

struct Settings {
    // [FILE]
    // Full path of the wave file last opened (at most 259 bytes when read
    // from the file); the open dialog starts there and the recorder saves
    // beside it. Read back.
    std::string currentDir;

    // [PLAY MODE]
    int ffRwStep = 5000;      // fast forward / rewind jump, milliseconds (edited in whole seconds)
    int keepStep = 2;         // divisor of the loop step, 1 to 4 ("1/1" .. "1/4")
    int markPointStep = 500;  // step by which a mark point moves, milliseconds
    int keepAuto = 1;         // 1: the loop mode is chosen automatically; 0 or 1
    int keepMode = 1;         // loop mode: 0 single, 1 double
    int vocalCanceler = 0;    // 1: play left minus right channel; 0 or 1

    // [VOLUME], both read back: 0 until then, 10 when the file or the key is missing.
    int waveVolume = 0;  // wave output volume, percent 0 to 100
    int midiVolume = 0;  // MIDI volume and note velocity, percent 0 to 100

    // [MIDI]
    int midiDeviceNo = -1;                      // MIDI output device number; -1 the MIDI mapper
    std::string midiDeviceName = "MIDI_MAPPER"; // product name of that device, at most 31 bytes
    std::uint8_t midiProgram = 0;               // program number of the reference tone, 0 to 255
    int calibration = 0;                        // tuning offset of the MIDI output, hertz, -40 to +50; read back

    // [NOTEBOX]
    int noteBoxPos = 0;  // 0: Note box to the right of the main window, 1: over its left edge; read back
    int chordMode = 0;   // chord analysis: 0 simple, 1 normal

    // [PLAYBACK], read back; missing (a file of older versions) is 0.
    int fullQuality = 0;  // 1: play the samples at the file's own rate

    // Not stored in the file; fixed by LoadSettings.
    std::string programFolder;  // folder of the program file, ending with '/'
    // Where the file is written: programFolder + "earloop.ini" while that
    // folder takes new files, else "$XDG_CONFIG_HOME/earloop/earloop.ini";
    // empty until LoadSettings found a folder.
    std::string settingsPath;
    // Folder of the recorder's capture file, and of takes before any wave was
    // opened: programFolder while it takes new files, else
    // "$XDG_DATA_HOME/earloop/". Ends with '/'.
    std::string dataFolder;
};

inline constexpr const char* kSettingsFileName = "earloop.ini";
inline constexpr std::size_t kMaxCurrentDirBytes = 259;

// Folder of a full program path, ending with '/': "/opt/earloop/earloop" gives
// "/opt/earloop/". nullopt when the path names no folder (empty, or no '/').
std::optional<std::string> ProgramFolderOf(const std::string& programPath);

enum class SettingsLoad {
    NoProgramPath,  // the program's own path is unknown: nothing was changed; the caller reports error 120
    NoFile,         // paths fixed, no settings file: the volumes are 10, the other read-back fields keep their values
    Read,           // the five fields were read from the file (made writable when it is the one written at exit)
};

// Fixes programFolder, settingsPath and dataFolder, then reads currentDir,
// waveVolume, midiVolume, calibration and noteBoxPos from the file if there
// is one. A missing key gives 10 for the volumes, 0 for calibration and
// noteBoxPos and dataFolder + "earloop.ini" for currentDir (the settings
// file's own path while it lies beside the program). Values outside their
// ranges are clamped. Without a file only the volumes change, to 10. Never
// creates the file.
SettingsLoad LoadSettings(FileSystem& fs, Settings& settings);

// Writes all twenty keys into the file at settingsPath, keeping whatever else
// the file holds, and creates it (and its folder) when missing. The write
// replaces the file whole or not at all. False when the settings could not be
// saved; the file is then as it was. Does nothing when settingsPath is empty
// (LoadSettings never found a folder).
bool SaveSettings(FileSystem& fs, const Settings& settings, const AnalysisParameters& analysis);

// An integer as the settings file holds it: blanks, an optional '-' or '+',
// then decimal digits up to the first other byte. Anything else reads as 0;
// digits beyond the int range saturate at its ends.
int ParseSettingsInt(std::string_view text);

}  // namespace earloop
