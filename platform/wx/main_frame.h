#pragma once
// The main window on wxWidgets: a frame whose client area shows the picture
// the display code draws, with the drawn controls on top, a menu bar and a
// status bar. It implements the window and dialog ports and hands every event
// to the application object.

#include <wx/bitmap.h>
#include <wx/eventfilter.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/wx/classic_controls.h"
#include "ports/dialog_port.h"
#include "ports/keyboard_port.h"
#include "ports/timer_port.h"
#include "ports/window_port.h"

namespace earloop {

class Application;

// Sees every event of the program before its handlers do. It notes presses of
// Escape for the keyboard port, and while a long task on the GUI thread shows
// progress windows it lets only paints and those windows' own events through:
// the turns of the event loop that paint them must not run a command, a timer
// or anything else of the program in the middle of the task.
class EventGate : public wxEventFilter {
public:
    EventGate();
    ~EventGate() override;
    EventGate(const EventGate&) = delete;
    EventGate& operator=(const EventGate&) = delete;

    int FilterEvent(wxEvent& event) override;
    // Whether Escape went down since the last call; a held key counts once.
    bool TakeEscapePress();
    void ProgressOpened(wxWindow* progress);
    void ProgressClosed(wxWindow* progress);
    // Whether a long task shows a progress window now.
    bool TaskRunning() const { return !progressWindows_.empty(); }
    // One turn of the event loop for the progress windows to paint in.
    void LetProgressPaint();

private:
    bool InsideProgressWindow(wxObject* object) const;

    std::vector<wxWindow*> progressWindows_;
    bool escapeDown_ = false;     // from its key-down to its key-up: repeats are not presses
    bool escapePressed_ = false;  // since the last TakeEscapePress
};

class MainFrame : public wxFrame,
                  public WindowPort,
                  public DialogPort,
                  public KeyboardPort,
                  public TimerPort,
                  private ClassicControlEvents {
public:
    MainFrame();
    // Events reach `app` from now on; before, and after its Destroy, they are dropped.
    void Attach(Application* app) { app_ = app; }
    bool CloseRequested() const { return closeRequested_; }
    wxWindow* ClientPanel() const { return panel_; }

    // WindowPort
    ControlHandle CreateControl(const ControlSpec& spec) override;
    void EnableControl(ControlHandle control, bool enabled) override;
    void ShowControl(ControlHandle control, bool shown) override;
    void SetControlText(ControlHandle control, const std::string& utf8) override;
    void CheckControl(ControlHandle control, bool checked) override;
    void SetSliderRange(ControlHandle slider, int minimum, int maximum) override;
    void SetSliderTicks(ControlHandle slider, int tickFrequency, int pageSize) override;
    void SetSliderPosition(ControlHandle slider, int position) override;
    void SetProgressRange(ControlHandle bar, int minimum, int maximum) override;
    void SetProgressValue(ControlHandle bar, int value) override;
    void PresentControl(ControlHandle button, const FrameBuffer& face) override;
    void DescribeDrawnText(const std::string& name, Rect area, const std::string& utf8) override;
    void CreateStatusBar(const std::vector<int>& rightEdges) override;
    void SetStatusText(int part, const std::string& utf8) override;
    void SetIcon(const FrameBuffer& icon) override;
    void SetMenu(const std::vector<MenuSpec>& menus) override;
    void CheckMenuItem(int commandId, bool checked) override;
    bool SetAccelerators(const std::vector<Accelerator>& table) override;
    void Present(const FrameBuffer& client, Rect area) override;
    void Invalidate(Rect area) override;
    void Show() override;
    void EnableWindow(bool enabled) override;
    void Raise() override;
    void AcceptDroppedFiles() override;
    void SetBusyCursor(bool busy) override;
    void RequestClose() override;

    // DialogPort
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) override;
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) override;
    std::unique_ptr<ProgressWindow> OpenProgress(const std::string& title, const std::string& text,
                                                 int percent) override;
    // The recorder's dialogs (recorder_dialogs.cpp).
    void RunRecorder(RecorderEvents& events) override;
    std::optional<std::string> AskTakeName(const std::string& recordedText) override;
    // The information dialogs (info_dialog.cpp).
    void ShowInfoDialog(const InfoDialogTemplate& dialog) override;
    // The Setting dialog (setting_dialog.cpp).
    void RunSetting(const SettingDialogSpec& layout, SettingEvents& events) override;

    // KeyboardPort
    bool EscapePressed() override;

    // TimerPort
    void StartTimer(int id, int periodMs) override;
    void StopTimer(int id) override;
    std::uint64_t NowMs() override;

private:
    // ClassicControlEvents
    void OnControlCommand(int id) override;
    void OnSliderNotice(ControlHandle slider, SliderNotice notice, int position) override;
    void OnDrawItem(ControlHandle button, bool pressed) override;

    ClassicControl& Control(ControlHandle handle) { return *controls_.at(handle); }
    void OnPanelPaint();
    void OnCloseWindow(wxCloseEvent& event);
    void OnDropFiles(wxDropFilesEvent& event);
    void BindPointer();
    void OnPanelLeftDown(wxMouseEvent& event);
    void OnPanelLeftUp(wxMouseEvent& event);

    EventGate gate_;
    Application* app_ = nullptr;
    wxWindow* panel_ = nullptr;
    wxBitmap backing_;  // what the client area shows behind the controls
    std::vector<ClassicControl*> controls_;
    std::map<int, std::unique_ptr<wxTimer>> timers_;
    // Restarted by every move and size of the frame; when it runs out the
    // move or resize has ended.
    wxTimer moveSettle_;
    wxFont font_;
    bool closeRequested_ = false;
    bool inPaint_ = false;
    bool repaintWanted_ = false;
};

}  // namespace earloop
