#include "platform/wx/note_box.h"

#include <wx/accel.h>
#include <wx/checkbox.h>
#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>

#include "app/application.h"
#include "display/note_box.h"
#include "platform/wx/key_mapping.h"
#include "platform/wx/utf8.h"

namespace earloop {

namespace {

ControlKind ClassicKind(NoteBoxControlKind kind) {
    switch (kind) {
        case NoteBoxControlKind::GroupBox: return ControlKind::GroupBox;
        case NoteBoxControlKind::RadioButton: return ControlKind::RadioButton;
        case NoteBoxControlKind::PushButton: return ControlKind::PushButton;
        case NoteBoxControlKind::CheckBox:
        case NoteBoxControlKind::Label: break;
    }
    return ControlKind::Label;
}

}  // namespace

WxNoteBox::WxNoteBox(wxFrame& owner) : owner_(owner), font_(ClassicGuiFont()) {}

WxNoteBox::~WxNoteBox() { Destroy(); }

Rect WxNoteBox::OwnerFrame() {
    const wxRect r = owner_.GetRect();
    return {r.x, r.y, r.width, r.height};
}

void WxNoteBox::Create(Rect frame, const std::string& title, const std::vector<NoteBoxControlSpec>& controls,
                       const std::vector<Accelerator>& keys) {
    if (dialog_) Destroy();
    dialog_ = new wxFrame(&owner_, wxID_ANY, FromUtf8(title), wxPoint(frame.x, frame.y), wxSize(frame.width, frame.height),
                          wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU | wxSTAY_ON_TOP | wxFRAME_TOOL_WINDOW |
                              wxFRAME_FLOAT_ON_PARENT);
    dialog_->SetBackgroundColour(ClassicFaceColour());
    dialog_->SetFont(font_);
    wxFrame* const dialog = dialog_;
    // The box may go with its owner; nothing must reach a box that is gone.
    dialog->Bind(wxEVT_DESTROY, [this, dialog](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == dialog && dialog_ == dialog) {
            dialog_ = nullptr;
            picturePanel_ = nullptr;
            controls_.clear();
        }
        event.Skip();
    });
    dialog->Bind(wxEVT_CLOSE_WINDOW, [this, dialog](wxCloseEvent&) {
        if (dialog_ == dialog && app_) app_->NoteBoxCommand(NoteBoxId::Cancel);
    });
    dialog->Bind(wxEVT_BUTTON, [this, dialog](wxCommandEvent& event) {
        if (dialog_ != dialog || !app_) return;
        if (event.GetId() == wxID_OK) app_->NoteBoxCommand(NoteBoxId::Ok);
        if (event.GetId() == wxID_CANCEL) app_->NoteBoxCommand(NoteBoxId::Cancel);
    });
    // Escape cancels the box, as it would a dialog.
    dialog->Bind(wxEVT_CHAR_HOOK, [this, dialog](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE && dialog_ == dialog && app_)
            app_->NoteBoxCommand(NoteBoxId::Cancel);
        else
            event.Skip();
    });
    dialog->Bind(wxEVT_MENU, [this, dialog](wxCommandEvent& event) {
        if (dialog_ == dialog && app_) app_->Command(ProgramCommandId(event.GetId()));
    });
    const std::vector<wxAcceleratorEntry> entries = AcceleratorEntries(keys);
    dialog->SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));

    picturePanel_ = new wxWindow(dialog, wxID_ANY, wxPoint(kStaffArea.x, kStaffArea.y),
                                 wxSize(kStaffArea.width, kStaffArea.height));
    picturePanel_->SetBackgroundStyle(wxBG_STYLE_PAINT);
    picture_ = wxBitmap(kStaffArea.width, kStaffArea.height, 24);
    {
        wxMemoryDC dc(picture_);
        dc.SetBackground(wxBrush(ClassicFaceColour()));
        dc.Clear();
    }
    picturePanel_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxAutoBufferedPaintDC dc(picturePanel_);
        dc.DrawBitmap(picture_, 0, 0);
    });

    controls_.clear();
    ControlHandle handle = 0;
    for (const NoteBoxControlSpec& spec : controls) {
        wxWindow* window = nullptr;
        if (spec.kind == NoteBoxControlKind::CheckBox) {
            auto* box = new wxCheckBox(dialog, wxID_ANY, FromUtf8(spec.caption), wxPoint(spec.rect.x, spec.rect.y),
                                       wxSize(spec.rect.width, spec.rect.height));
            box->SetFont(font_);
            box->Bind(wxEVT_CHECKBOX, [this, id = spec.id](wxCommandEvent&) { OnControlCommand(id); });
            window = box;
        } else {
            ControlSpec classic;
            classic.id = spec.id;
            classic.kind = ClassicKind(spec.kind);
            classic.caption = spec.caption;
            classic.rect = spec.rect;
            classic.startsGroup = spec.startsGroup;
            classic.spokenName = spec.spokenName;
            classic.toggles = spec.toggles;
            window = CreateClassicControl(dialog, classic, handle, *this, font_);
        }
        ++handle;
        controls_.push_back({spec.id, window});
    }
}

void WxNoteBox::Show() {
    if (!dialog_) return;
    dialog_->Show(true);
    // The box keeps the keys: its table is looked up from whatever has the focus in it.
    dialog_->SetFocus();
}

void WxNoteBox::Destroy() {
    wxFrame* dialog = dialog_;
    dialog_ = nullptr;
    picturePanel_ = nullptr;
    controls_.clear();
    if (!dialog) return;
    // The toolkit deletes the box later (so it can end from inside its own
    // event); until then none of its events may reach this object, which may
    // be gone by then.
    for (wxWindow* child : dialog->GetChildren()) child->SetEvtHandlerEnabled(false);
    dialog->SetEvtHandlerEnabled(false);
    dialog->Destroy();
}

wxWindow* WxNoteBox::ControlWindow(int id) const {
    for (const Entry& entry : controls_)
        if (entry.id == id) return entry.window;
    return nullptr;
}

void WxNoteBox::SetText(int id, const std::string& utf8) {
    wxWindow* window = ControlWindow(id);
    if (auto* classic = dynamic_cast<ClassicControl*>(window))
        classic->SetCaption(utf8);
    else if (window)
        window->SetLabel(FromUtf8(utf8));
}

void WxNoteBox::Check(int id, bool checked) {
    wxWindow* window = ControlWindow(id);
    if (auto* classic = dynamic_cast<ClassicControl*>(window))
        classic->SetChecked(checked);
    else if (auto* box = dynamic_cast<wxCheckBox*>(window))
        box->SetValue(checked);
}

bool WxNoteBox::IsChecked(int id) {
    wxWindow* window = ControlWindow(id);
    if (auto* classic = dynamic_cast<ClassicControl*>(window)) return classic->IsChecked();
    if (auto* box = dynamic_cast<wxCheckBox*>(window)) return box->GetValue();
    return false;
}

void WxNoteBox::Enable(int id, bool enabled) {
    if (wxWindow* window = ControlWindow(id)) window->Enable(enabled);
}

void WxNoteBox::PresentPicture(const FrameBuffer& picture, Point at) {
    if (!dialog_ || picture.Empty()) return;
    {
        wxMemoryDC dc(picture_);
        dc.DrawBitmap(BitmapFromFrameBuffer(picture), at.x - kStaffArea.x, at.y - kStaffArea.y);
    }
    picturePanel_->Refresh(false);
}

void WxNoteBox::OnControlCommand(int id) {
    if (app_) app_->NoteBoxCommand(id);
}

}  // namespace earloop
