#include "platform/wx/main_frame.h"

#include <wx/dcbuffer.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "app/application.h"
#include "display/main_window.h"
#include "platform/wx/control_accessibles.h"
#include "platform/wx/key_mapping.h"
#include "platform/wx/utf8.h"

namespace earloop {

namespace {

wxMenu* BuildMenu(const std::vector<MenuItemSpec>& items) {
    auto* menu = new wxMenu;
    for (const MenuItemSpec& item : items) {
        if (item.text.empty())
            menu->AppendSeparator();
        else if (!item.submenu.empty())
            menu->AppendSubMenu(BuildMenu(item.submenu), FromUtf8(item.text));
        else if (item.checkable)
            menu->AppendCheckItem(ToolkitCommandId(item.id), FromUtf8(item.text));
        else
            menu->Append(ToolkitCommandId(item.id), FromUtf8(item.text));
    }
    return menu;
}

}  // namespace

MainFrame::MainFrame()
    : wxFrame(nullptr, wxID_ANY, FromUtf8(kProgramCaption), wxPoint(0, 0), wxDefaultSize),
      backing_(kClientWidth, kClientHeight, 24),
      font_(ClassicGuiFont()) {
    SetClientSize(kClientWidth, kClientHeight);
    panel_ = new wxWindow(this, wxID_ANY, wxPoint(0, 0), wxSize(kClientWidth, kClientHeight), wxWANTS_CHARS);
    panel_->SetBackgroundStyle(wxBG_STYLE_PAINT);
    panel_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) { OnPanelPaint(); });
    ExposeCanvas(*panel_);
    {
        wxMemoryDC dc(backing_);
        dc.SetBackground(wxBrush(ClassicFaceColour()));
        dc.Clear();
    }
    Bind(wxEVT_MENU, [this](wxCommandEvent& event) { OnControlCommand(ProgramCommandId(event.GetId())); });
    Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnCloseWindow, this);
    BindPointer();
}

namespace {
Point ClientPoint(const wxMouseEvent& event) { return {event.GetX(), event.GetY()}; }
// GTK reports no end of a move or resize (wxEVT_MOVE_END is the Windows
// port's only): the frame that has not moved for this long has stopped.
constexpr int kMoveSettleMs = 250;
}  // namespace

// Pointer input on the picture area; labels and group boxes pass theirs on
// (ForwardMouseToParent), so a press on a caption counts as one on the window.
void MainFrame::BindPointer() {
    panel_->Bind(wxEVT_LEFT_DOWN, &MainFrame::OnPanelLeftDown, this);
    panel_->Bind(wxEVT_LEFT_DCLICK, &MainFrame::OnPanelLeftDown, this);
    panel_->Bind(wxEVT_LEFT_UP, &MainFrame::OnPanelLeftUp, this);
    panel_->Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
        if (app_) app_->MouseMove(ClientPoint(event), event.LeftIsDown());
    });
    panel_->Bind(wxEVT_RIGHT_UP, [this](wxMouseEvent& event) {
        if (app_) app_->RightButtonUp(ClientPoint(event));
    });
    // A capture taken away (by a dialog, say) ends the press as a release
    // would, so that no key keeps sounding.
    panel_->Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
        const wxPoint at = panel_->ScreenToClient(wxGetMousePosition());
        if (app_) app_->MouseUp({at.x, at.y});
    });

    moveSettle_.SetOwner(panel_);
    panel_->Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (app_) app_->MoveOrResizeEnded();
    });
    auto restartSettle = [this](wxEvent& event) {
        event.Skip();  // the frame still lays out its panel
        moveSettle_.StartOnce(kMoveSettleMs);
    };
    Bind(wxEVT_MOVE, restartSettle);
    Bind(wxEVT_SIZE, restartSettle);
}

// The window holds the pointer from a press to its release, so that the
// release and a drag past the window's edge are seen wherever they happen.
void MainFrame::OnPanelLeftDown(wxMouseEvent& event) {
    if (!panel_->HasCapture()) panel_->CaptureMouse();
    if (app_) app_->MouseDown(ClientPoint(event));
}

void MainFrame::OnPanelLeftUp(wxMouseEvent& event) {
    if (panel_->HasCapture()) panel_->ReleaseMouse();
    if (app_) app_->MouseUp(ClientPoint(event));
}

ControlHandle MainFrame::CreateControl(const ControlSpec& spec) {
    const auto handle = static_cast<ControlHandle>(controls_.size());
    controls_.push_back(CreateClassicControl(panel_, spec, handle, *this, font_));
    return handle;
}

void MainFrame::EnableControl(ControlHandle c, bool enabled) { Control(c).Enable(enabled); }
void MainFrame::ShowControl(ControlHandle c, bool shown) { Control(c).Show(shown); }
void MainFrame::SetControlText(ControlHandle c, const std::string& utf8) { Control(c).SetCaption(utf8); }
void MainFrame::CheckControl(ControlHandle c, bool checked) { Control(c).SetChecked(checked); }
void MainFrame::SetSliderRange(ControlHandle c, int minimum, int maximum) { Control(c).SetSliderRange(minimum, maximum); }
void MainFrame::SetSliderTicks(ControlHandle c, int tick, int page) { Control(c).SetSliderTicks(tick, page); }
void MainFrame::SetSliderPosition(ControlHandle c, int position) { Control(c).SetSliderPosition(position); }
void MainFrame::SetProgressRange(ControlHandle c, int minimum, int maximum) { Control(c).SetProgressRange(minimum, maximum); }
void MainFrame::SetProgressValue(ControlHandle c, int value) { Control(c).SetProgressValue(value); }
void MainFrame::PresentControl(ControlHandle c, const FrameBuffer& face) { Control(c).SetFace(face); }
void MainFrame::DescribeDrawnText(const std::string& name, Rect area, const std::string& utf8) {
    ShowDrawnText(*panel_, name, area, utf8);
}

void MainFrame::CreateStatusBar(const std::vector<int>& rightEdges) {
    wxStatusBar* bar = wxFrame::CreateStatusBar(static_cast<int>(rightEdges.size()));
    std::vector<int> widths;
    int left = 0;
    for (int edge : rightEdges) {
        widths.push_back(edge < 0 ? -1 : edge - left);
        left = edge;
    }
    bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
    bar->SetFont(font_);
    // The status bar sits below the fixed client area, never over it.
    SetClientSize(kClientWidth, kClientHeight);
    panel_->SetSize(0, 0, kClientWidth, kClientHeight);
}

void MainFrame::SetStatusText(int part, const std::string& utf8) { wxFrame::SetStatusText(FromUtf8(utf8), part); }

void MainFrame::SetIcon(const FrameBuffer& icon) {
    wxIcon wxicon;
    wxicon.CopyFromBitmap(BitmapFromFrameBuffer(icon));
    wxFrame::SetIcon(wxicon);
}

void MainFrame::SetMenu(const std::vector<MenuSpec>& menus) {
    auto* bar = new wxMenuBar;
    for (const MenuSpec& menu : menus) bar->Append(BuildMenu(menu.items), FromUtf8(menu.title));
    SetMenuBar(bar);
    SetClientSize(kClientWidth, kClientHeight);
}

void MainFrame::CheckMenuItem(int commandId, bool checked) {
    if (wxMenuBar* bar = GetMenuBar()) bar->Check(ToolkitCommandId(commandId), checked);
}

bool MainFrame::SetAccelerators(const std::vector<Accelerator>& table) {
    const std::vector<wxAcceleratorEntry> entries = AcceleratorEntries(table);
    wxAcceleratorTable accelerators(static_cast<int>(entries.size()), entries.data());
    if (!accelerators.IsOk()) return false;
    SetAcceleratorTable(accelerators);
    return true;
}

void MainFrame::Present(const FrameBuffer& client, Rect area) {
    const FrameBuffer part = client.Crop(area);
    if (part.Empty()) return;
    {
        wxMemoryDC dc(backing_);
        dc.DrawBitmap(BitmapFromFrameBuffer(part), area.x, area.y);
    }
    if (!inPaint_) panel_->RefreshRect(wxRect(area.x, area.y, area.width, area.height), false);
}

void MainFrame::Invalidate(Rect area) {
    repaintWanted_ = true;
    panel_->RefreshRect(wxRect(area.x, area.y, area.width, area.height), false);
}

void MainFrame::OnPanelPaint() {
    wxAutoBufferedPaintDC dc(panel_);
    if (repaintWanted_ && app_ && !gate_.TaskRunning()) {
        repaintWanted_ = false;
        inPaint_ = true;
        app_->Paint();
        inPaint_ = false;
    }
    dc.DrawBitmap(backing_, 0, 0);
}

void MainFrame::Show() {
    wxFrame::Show(true);
    panel_->SetFocus();
}

void MainFrame::EnableWindow(bool enabled) {
    wxFrame::Enable(enabled);
    if (enabled) panel_->SetFocus();
}

void MainFrame::Raise() {
    wxFrame::Raise();
    SetFocus();
}

// Files can be dropped anywhere on the window, the picture area included.
void MainFrame::AcceptDroppedFiles() {
    for (wxWindow* target : {static_cast<wxWindow*>(this), panel_}) {
        target->DragAcceptFiles(true);
        target->Bind(wxEVT_DROP_FILES, &MainFrame::OnDropFiles, this);
    }
}

void MainFrame::OnDropFiles(wxDropFilesEvent& event) {
    std::vector<std::string> paths;
    for (int i = 0; i < event.GetNumberOfFiles(); ++i) paths.emplace_back(event.GetFiles()[i].utf8_str());
    if (app_) app_->DropFiles(paths);
}

void MainFrame::SetBusyCursor(bool busy) {
    if (busy)
        wxBeginBusyCursor();
    else if (wxIsBusy())
        wxEndBusyCursor();
}

// Down now, asked of the display, or pressed since the last question: a tap
// between two questions is seen once.
bool MainFrame::EscapePressed() {
    const bool pressed = gate_.TakeEscapePress();
    return wxGetKeyState(WXK_ESCAPE) || pressed;
}

EventGate::EventGate() { wxEvtHandler::AddFilter(this); }

EventGate::~EventGate() { wxEvtHandler::RemoveFilter(this); }

int EventGate::FilterEvent(wxEvent& event) {
    const wxEventType type = event.GetEventType();
    // The toolkit repeats a held key's key-down; only the first is a press.
    if ((type == wxEVT_CHAR_HOOK || type == wxEVT_KEY_DOWN || type == wxEVT_KEY_UP) &&
        static_cast<wxKeyEvent&>(event).GetKeyCode() == WXK_ESCAPE) {
        if (type == wxEVT_KEY_UP)
            escapeDown_ = false;
        else if (!escapeDown_)
            escapeDown_ = escapePressed_ = true;
    }
    if (!TaskRunning()) return Event_Skip;
    // Every window may show again what it holds (the main picture is not
    // composed again until the task ends: OnPanelPaint).
    if (type == wxEVT_PAINT || type == wxEVT_ERASE_BACKGROUND) return Event_Skip;
    const bool progressDrawing =
        event.GetEventCategory() == wxEVT_CATEGORY_UI && InsideProgressWindow(event.GetEventObject());
    return progressDrawing ? Event_Skip : Event_Processed;
}

bool EventGate::InsideProgressWindow(wxObject* object) const {
    auto* window = dynamic_cast<wxWindow*>(object);
    return window && std::find(progressWindows_.begin(), progressWindows_.end(), wxGetTopLevelParent(window)) !=
                         progressWindows_.end();
}

bool EventGate::TakeEscapePress() { return std::exchange(escapePressed_, false); }

void EventGate::ProgressOpened(wxWindow* progress) { progressWindows_.push_back(progress); }

void EventGate::ProgressClosed(wxWindow* progress) { std::erase(progressWindows_, progress); }

// User input is dispatched too, so that FilterEvent sees Escape during the
// task; it swallows that input.
void EventGate::LetProgressPaint() {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_UI | wxEVT_CATEGORY_USER_INPUT);
}

void MainFrame::StartTimer(int id, int periodMs) {
    std::unique_ptr<wxTimer>& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<wxTimer>(this, id);
        Bind(wxEVT_TIMER, [this, id](wxTimerEvent&) { if (app_) app_->Timer(id); }, id);
    }
    timer->Start(periodMs);
}

void MainFrame::StopTimer(int id) {
    if (auto found = timers_.find(id); found != timers_.end()) found->second->Stop();
}

std::uint64_t MainFrame::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void MainFrame::RequestClose() {
    closeRequested_ = true;
    Close();
}

void MainFrame::OnCloseWindow(wxCloseEvent&) {
    if (app_) {
        Application* app = app_;
        app_ = nullptr;
        app->Destroy();
    }
    for (auto& [id, timer] : timers_) timer->Stop();
    moveSettle_.Stop();
    if (panel_->HasCapture()) panel_->ReleaseMouse();
    wxFrame::Destroy();
}

MessageResult MainFrame::ShowMessageBox(const MessageBoxRequest& request) {
    long style = 0;
    switch (request.buttons) {
    case MessageButtons::Ok: style |= wxOK; break;
    case MessageButtons::OkCancel: style |= wxOK | wxCANCEL; break;
    case MessageButtons::YesNo: style |= wxYES_NO; break;
    }
    switch (request.icon) {
    case MessageIcon::None: style |= wxICON_NONE; break;
    case MessageIcon::Exclamation: style |= wxICON_EXCLAMATION; break;
    case MessageIcon::Information: style |= wxICON_INFORMATION; break;
    case MessageIcon::Question: style |= wxICON_QUESTION; break;
    }
    wxWindow* owner = request.ownedByMainWindow && IsShown() ? this : nullptr;
    wxMessageDialog dialog(owner, FromUtf8(request.text), FromUtf8(request.caption), style);
    switch (dialog.ShowModal()) {
    case wxID_CANCEL: return MessageResult::Cancel;
    case wxID_YES: return MessageResult::Yes;
    case wxID_NO: return MessageResult::No;
    default: return MessageResult::Ok;
    }
}

namespace {

// The toolkit's patterns are case-sensitive on this file system: "*.WAV"
// must also find "take.wav" and "Take.Wav".
wxString CaseInsensitivePattern(const std::string& pattern) {
    wxString any;
    for (const wxUniChar c : FromUtf8(pattern)) {
        if (wxIsalpha(c))
            any << '[' << wxString(c).Lower() << wxString(c).Upper() << ']';
        else
            any << c;
    }
    return any;
}

// Shown and updated by the task's direct calls. Each call gives the event loop
// a turn, which the gate keeps from the rest of the program, for the window
// to paint its next frame in.
class WxProgressWindow : public ProgressWindow {
public:
    WxProgressWindow(EventGate& gate, const std::string& title, const std::string& text, int percent)
        : gate_(gate),
          dialog_(new wxDialog(nullptr, wxID_ANY, FromUtf8(title), wxDefaultPosition, wxDefaultSize, wxCAPTION)) {
        gate_.ProgressOpened(dialog_);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        label_ = new wxStaticText(dialog_, wxID_ANY, FromUtf8(text), wxDefaultPosition, wxSize(220, -1));
        gauge_ = new wxGauge(dialog_, wxID_ANY, 100, wxDefaultPosition, wxSize(220, 16));
        gauge_->SetValue(percent);
        sizer->Add(label_, 0, wxALL, 10);
        sizer->Add(gauge_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
        dialog_->SetSizerAndFit(sizer);
        dialog_->CentreOnScreen();
        dialog_->Show();
        gate_.LetProgressPaint();
    }
    ~WxProgressWindow() override {
        gate_.ProgressClosed(dialog_);
        dialog_->Destroy();
    }
    WxProgressWindow(const WxProgressWindow&) = delete;
    WxProgressWindow& operator=(const WxProgressWindow&) = delete;

    void SetText(const std::string& text) override {
        label_->SetLabel(FromUtf8(text));
        gate_.LetProgressPaint();
    }
    void SetPercent(int percent) override {
        gauge_->SetValue(std::clamp(percent, 0, 100));
        gate_.LetProgressPaint();
    }

private:
    EventGate& gate_;
    wxDialog* dialog_;
    wxStaticText* label_;
    wxGauge* gauge_;
};

}  // namespace

std::optional<std::string> MainFrame::ChooseOpenFile(const OpenFileRequest& request) {
    wxString wildcard;
    for (const FileFilter& filter : request.filters) {
        if (!wildcard.empty()) wildcard << '|';
        wildcard << FromUtf8(filter.description) << '|' << CaseInsensitivePattern(filter.pattern);
    }
    const wxFileName start(FromUtf8(request.initialPath));
    wxFileDialog dialog(this, wxFileSelectorPromptStr, start.GetPath(), wxEmptyString, wildcard,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    const int answer = dialog.ShowModal();
    Update();
    if (answer != wxID_OK) return std::nullopt;
    return std::string(dialog.GetPath().utf8_str());
}

// The filters' patterns as given: GTK puts the chosen filter's extension on
// the typed name only for a plain pattern.
std::optional<SaveFileChoice> MainFrame::ChooseSaveFile(const SaveFileRequest& request) {
    wxString wildcard;
    for (const FileFilter& filter : request.filters) {
        if (!wildcard.empty()) wildcard << '|';
        wildcard << FromUtf8(filter.description) << '|' << FromUtf8(filter.pattern);
    }
    const wxFileName start(FromUtf8(request.initialPath));
    wxFileDialog dialog(this, wxFileSelectorPromptStr, start.GetPath(), FromUtf8(request.fileName), wildcard, wxFD_SAVE);
    const int answer = dialog.ShowModal();
    Update();
    if (answer != wxID_OK) return std::nullopt;
    return SaveFileChoice{std::string(dialog.GetPath().utf8_str()), static_cast<std::size_t>(dialog.GetFilterIndex())};
}

std::unique_ptr<ProgressWindow> MainFrame::OpenProgress(const std::string& title, const std::string& text,
                                                       int percent) {
    return std::make_unique<WxProgressWindow>(gate_, title, text, percent);
}

void MainFrame::OnControlCommand(int id) {
    if (app_) app_->Command(id);
}

void MainFrame::OnSliderNotice(ControlHandle slider, SliderNotice notice, int position) {
    if (app_) app_->SliderNotice(slider, notice, position);
}

void MainFrame::OnDrawItem(ControlHandle button, bool pressed) {
    if (app_) app_->DrawItem(button, pressed);
}

}  // namespace earloop
