#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/frame_buffer.h"
#include "ports/setting_dialog_port.h"

namespace earloop {

enum class MessageIcon { None, Exclamation, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    bool ownedByMainWindow = true;
    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

struct FileFilter {
    std::string description;  // "*.WAV"
    std::string pattern;      // "*.WAV"; matched without regard to case
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

struct OpenFileRequest {
    std::string initialPath;  // a file or folder the dialog starts in; may be empty
    std::vector<FileFilter> filters;  // the first is selected
    friend bool operator==(const OpenFileRequest&, const OpenFileRequest&) = default;
};

struct SaveFileRequest {
    std::string initialPath;          // a file or folder the dialog starts in; may be empty
    std::string fileName;             // the name offered
    std::vector<FileFilter> filters;  // the first is selected
    friend bool operator==(const SaveFileRequest&, const SaveFileRequest&) = default;
};

struct SaveFileChoice {
    std::string path;        // as typed or chosen: it may lack an extension
    std::size_t filter = 0;  // the index of the filter chosen last
};

// A modeless progress window of a long task on the GUI thread; the task
// updates it by direct calls, which let it paint and run nothing else of the
// program meanwhile. Destroying it closes it.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void SetText(const std::string& utf8) = 0;
    virtual void SetPercent(int percent) = 0;  // 0 to 100
};

// The recorder's modal dialog ("Varar WAVE Recorder") as the program works
// it while it runs.
enum class RecorderButton { Start, Finish };
class RecorderDialog {
public:
    virtual ~RecorderDialog() = default;
    // The one-line text under the group's caption.
    virtual void SetText(const std::string& utf8) = 0;
    virtual void EnableButton(RecorderButton button, bool enabled) = 0;
    // The dialog's own timer; each tick arrives as RecorderEvents::TimerTick.
    virtual void StartTimer(int periodMs) = 0;
    virtual void StopTimer() = 0;
    // Ends the modal run once the current event has been handled.
    virtual void Close() = 0;
};

// What the user does in the recorder dialog. The main window keeps receiving
// its device notices while the dialog runs.
class RecorderEvents {
public:
    virtual ~RecorderEvents() = default;
    // Before the dialog is shown.
    virtual void Opened(RecorderDialog& dialog) = 0;
    virtual void StartPressed(RecorderDialog& dialog) = 0;
    virtual void FinishPressed(RecorderDialog& dialog) = 0;
    virtual void RecordVolumePressed(RecorderDialog& dialog) = 0;
    virtual void ClosePressed(RecorderDialog& dialog) = 0;
    virtual void TimerTick(RecorderDialog& dialog) = 0;
};

// A modal dialog that only shows things and has one OK button, laid out in
// dialog units of the program's font (a quarter of its average character
// width, an eighth of its height). OK, Escape and the close box end it.
enum class InfoItemKind { Label, ReadOnlyField, Picture, OkButton };
struct InfoItem {
    InfoItemKind kind = InfoItemKind::Label;
    int id = 0;
    Rect units;            // left, top, width, height; a picture takes its own size
    std::string text;      // UTF-8: a caption, or the field's contents
    std::string name;      // what a screen reader calls a field or a picture
    FrameBuffer picture;   // a Picture's pixels
    friend bool operator==(const InfoItem&, const InfoItem&) = default;
};
struct InfoDialogTemplate {
    std::string title;
    int width = 0, height = 0;  // the client area, in dialog units
    // Top left in dialog units from the main window's client area; centred
    // on the main window when absent.
    std::optional<Point> at;
    std::vector<InfoItem> items;
};

class DialogPort {
public:
    virtual ~DialogPort() = default;
    // Modal; returns when the user has answered.
    virtual MessageResult ShowMessageBox(const MessageBoxRequest& request) = 0;
    // Modal; the chosen existing file's full path, nullopt when cancelled.
    virtual std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) = 0;
    // Modal; nullopt when cancelled. It never asks about an existing file:
    // the program does.
    virtual std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) = 0;
    // Shown at once, without an owner.
    virtual std::unique_ptr<ProgressWindow> OpenProgress(const std::string& title, const std::string& text,
                                                         int percent) = 0;
    // Runs the recorder dialog modally until RecorderDialog::Close.
    virtual void RunRecorder(RecorderEvents& events) = 0;
    // The modal "Save as ..." dialog of a take, showing `recordedText` (two
    // lines) above an empty name field; its OK stays disabled until the field
    // is edited. The typed text at OK, nullopt when closed with the close box.
    virtual std::optional<std::string> AskTakeName(const std::string& recordedText) = 0;
    // Runs an information dialog modally, owned by the main window.
    virtual void ShowInfoDialog(const InfoDialogTemplate& dialog) = 0;
    // Runs the Setting dialog laid out as `layout` modally until SettingDialog::Close.
    virtual void RunSetting(const SettingDialogSpec& layout, SettingEvents& events) = 0;
};

}  // namespace earloop
