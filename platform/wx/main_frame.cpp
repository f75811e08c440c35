#include "platform/wx/main_frame.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "app/application.h"
#include "app/main_window.h"
#include "platform/wx/key_mapping.h"

namespace earloop {

namespace {

wxString Text(const std::string& utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }

wxMenu* BuildMenu(const std::vector<MenuItemSpec>& items) {
    auto* menu = new wxMenu;
    for (const MenuItemSpec& item : items) {
        if (item.text.empty())
            menu->AppendSeparator();
        else if (!item.submenu.empty())
            menu->AppendSubMenu(BuildMenu(item.submenu), Text(item.text));
        else
            menu->Append(ToolkitCommandId(item.id), Text(item.text));
    }
    return menu;
}

}  // namespace

MainFrame::MainFrame()
    : wxFrame(nullptr, wxID_ANY, Text(kProgramCaption), wxPoint(0, 0), wxDefaultSize),
      backing_(kClientWidth, kClientHeight, 24),
      font_(ClassicGuiFont()) {
    SetClientSize(kClientWidth, kClientHeight);
    panel_ = new wxWindow(this, wxID_ANY, wxPoint(0, 0), wxSize(kClientWidth, kClientHeight), wxWANTS_CHARS);
    panel_->SetBackgroundStyle(wxBG_STYLE_PAINT);
    panel_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) { OnPanelPaint(); });
    {
        wxMemoryDC dc(backing_);
        dc.SetBackground(wxBrush(ClassicFaceColour()));
        dc.Clear();
    }
    Bind(wxEVT_MENU, [this](wxCommandEvent& event) { OnControlCommand(ProgramCommandId(event.GetId())); });
    Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnCloseWindow, this);
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

void MainFrame::SetStatusText(int part, const std::string& utf8) { wxFrame::SetStatusText(Text(utf8), part); }

void MainFrame::SetIcon(const FrameBuffer& icon) {
    wxIcon wxicon;
    wxicon.CopyFromBitmap(BitmapFromFrameBuffer(icon));
    wxFrame::SetIcon(wxicon);
}

void MainFrame::SetMenu(const std::vector<MenuSpec>& menus) {
    auto* bar = new wxMenuBar;
    for (const MenuSpec& menu : menus) bar->Append(BuildMenu(menu.items), Text(menu.title));
    SetMenuBar(bar);
    SetClientSize(kClientWidth, kClientHeight);
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
    if (repaintWanted_ && app_) {
        repaintWanted_ = false;
        inPaint_ = true;
        app_->Paint();
        inPaint_ = false;
    }
    dc.DrawBitmap(backing_, 0, 0);
}

void MainFrame::Show() {
    wxFrame::Show(true);
}

void MainFrame::EnableWindow(bool enabled) { wxFrame::Enable(enabled); }

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
    wxMessageDialog dialog(owner, Text(request.text), Text(request.caption), style);
    switch (dialog.ShowModal()) {
    case wxID_CANCEL: return MessageResult::Cancel;
    case wxID_YES: return MessageResult::Yes;
    case wxID_NO: return MessageResult::No;
    default: return MessageResult::Ok;
    }
}

void MainFrame::OnControlCommand(int id) {
    if (app_) app_->Command(id);
}

void MainFrame::OnSliderNotice(ControlHandle, SliderNotice, int) {
    // The sliders only move themselves until the player handles them.
}

void MainFrame::OnDrawItem(ControlHandle button, bool pressed) {
    if (app_) app_->DrawItem(button, pressed);
}

}  // namespace earloop
