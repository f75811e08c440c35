#include "record/take_saving.h"

#include <cstdio>

#include "wave/loader.h"

namespace earloop {

std::string RecordingTimeText(std::uint64_t elapsedMs) {
    const std::uint64_t tenths = elapsedMs / 100;
    char text[64];
    std::snprintf(text, sizeof text, "Now Recording - - %d.%d sec", static_cast<int>(tenths / 10),
                  static_cast<int>(tenths % 10));
    return text;
}

std::string RecordedTakeText(std::uint64_t durationMs, const WaveFormatInfo& format) {
    const std::uint64_t hundredths = durationMs / 10;
    char text[128];
    std::snprintf(text, sizeof text, " Recorded Time : %d.%02d sec\n %d bit, %d channel, %d Hz/Sec",
                  static_cast<int>(hundredths / 100), static_cast<int>(hundredths % 100),
                  static_cast<int>(format.wBitsPerSample), static_cast<int>(format.nChannels),
                  static_cast<int>(format.nSamplesPerSec));
    return text;
}

std::string TakeFolder(const std::string& currentDir, const std::string& captureFolder) {
    const std::size_t slash = currentDir.rfind('/');
    return slash == std::string::npos ? captureFolder : currentDir.substr(0, slash + 1);
}

std::string TakeTargetPath(const std::string& folder, const std::string& baseName) {
    return folder + baseName + ".wav";
}

std::string BackupPathOf(const std::string& target) { return target.substr(0, target.size() - 3) + "___"; }

std::string OverwriteQuestion(const std::string& path) {
    return path + " ファイルは既に存在します。\n 上書きしますか？";
}

namespace {
SaveChoice AnswerOnce(DialogPort& dialogs, FileSystem& files, const std::string& folder,
                      const std::string& recordedText, std::string& target) {
    const auto typed = dialogs.AskTakeName(recordedText);
    if (!typed) return SaveChoice::Closed;
    // The edit field holds at most 1024 characters.
    const std::string name = typed->substr(0, 1024);
    if (!IsValidBaseName(name)) return SaveChoice::BadName;
    target = TakeTargetPath(folder, name);
    if (!files.Exists(target)) return SaveChoice::NewFile;
    const MessageResult answer = dialogs.ShowMessageBox(
        {OverwriteQuestion(target), "Save wave file", MessageIcon::Exclamation, MessageButtons::YesNo, false});
    if (answer != MessageResult::Yes) return SaveChoice::Declined;
    files.MoveFile(target, BackupPathOf(target));
    return SaveChoice::Overwrite;
}
}  // namespace

TakeDestination AskTakeDestination(DialogPort& dialogs, FileSystem& files, const std::string& folder,
                                   const std::string& recordedText) {
    TakeDestination destination;
    do {
        destination.choice = AnswerOnce(dialogs, files, folder, recordedText, destination.target);
    } while (destination.choice == SaveChoice::Declined || destination.choice == SaveChoice::BadName);
    return destination;
}

bool MoveTakeIntoPlace(FileSystem& files, DialogPort& dialogs, const TakeDestination& destination,
                       const std::string& captureFile) {
    const bool overwrite = destination.choice == SaveChoice::Overwrite;
    const std::string backup = BackupPathOf(destination.target);
    if (files.MoveFile(captureFile, destination.target)) {
        if (overwrite) files.DeleteFile(backup);
        return true;
    }
    dialogs.ShowMessageBox({"ファイルの保存に失敗しました", overwrite ? "Error R2 " : "Error R1 case 0: ",
                            MessageIcon::None, MessageButtons::Ok, false});
    if (overwrite) files.MoveFile(backup, destination.target);
    // Deleting the capture here would lose the take for good; it stays until
    // the next recording replaces it.
    dialogs.ShowMessageBox({"The take is kept in " + captureFile + " until the next recording.", "Earloop !",
                            MessageIcon::Information, MessageButtons::Ok, false});
    return false;
}

}  // namespace earloop
