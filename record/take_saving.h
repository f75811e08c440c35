#pragma once
// The recorder's texts and the saving of a finished take: the "Save as ..."
// dialog with its name check and overwrite question, and the move of the
// capture file into place.

#include <cstdint>
#include <string>

#include "ports/dialog_port.h"
#include "ports/file_system.h"
#include "ports/wave_format_info.h"

namespace earloop {

// The recorder dialog's running time: "Now Recording - - 3.2 sec".
std::string RecordingTimeText(std::uint64_t elapsedMs);
// The save dialog's two lines about the take, its length in hundredths.
std::string RecordedTakeText(std::uint64_t durationMs, const WaveFormatInfo& format);

// Where takes are saved: the folder of `currentDir` (the wave file opened
// last). Before any file was opened that is the capture file's folder (the
// program's own while it is writable) rather than whatever folder the
// program was started from.
std::string TakeFolder(const std::string& currentDir, const std::string& captureFolder);
// "<folder><name>.wav" and its backup "<folder><name>.___".
std::string TakeTargetPath(const std::string& folder, const std::string& baseName);
std::string BackupPathOf(const std::string& target);

// "<path> ファイルは既に存在します。..." : whether to replace an existing file.
std::string OverwriteQuestion(const std::string& path);

// The answers of the save dialog. A refused name and a declined overwrite
// show the dialog again, so the caller sees only the other three.
enum class SaveChoice { NewFile = 0, Overwrite = 1, Declined = 2, BadName = 3, Closed = 4 };

struct TakeDestination {
    SaveChoice choice = SaveChoice::Closed;
    std::string target;
};

// Runs the "Save as ..." dialog until it names a usable target or is closed.
// An existing target is kept only after the user agreed to replace it; it
// then waits under its backup name until the take has taken its place.
TakeDestination AskTakeDestination(DialogPort& dialogs, FileSystem& files, const std::string& folder,
                                   const std::string& recordedText);

// Moves the capture file to the destination (NewFile or Overwrite). On
// success a replaced file's backup is deleted; on failure the user is told,
// a replaced file gets its name back and the take stays in the capture file,
// which the user is told too. False on failure.
bool MoveTakeIntoPlace(FileSystem& files, DialogPort& dialogs, const TakeDestination& destination,
                       const std::string& captureFile);

}  // namespace earloop
