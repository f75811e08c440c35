#include "platform/wx/setting_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "platform/wx/classic_controls.h"
#include "platform/wx/gtk_widgets.h"
#include "platform/wx/main_frame.h"
#include "platform/wx/utf8.h"
#include "settings/setting_dialog.h"

namespace earloop {

namespace {

using Kind = SettingControlKind;

int WxButtonId(int id) {
    if (id == SettingId::Ok) return wxID_OK;
    if (id == SettingId::Cancel) return wxID_CANCEL;
    return wxID_ANY;
}

}  // namespace

WxSettingDialog::WxSettingDialog(wxWindow* owner, const SettingDialogSpec& layout, SettingEvents& events)
    : dialog_(owner, wxID_ANY, FromUtf8(layout.title)), events_(events) {
    UseCompactTheme(dialog_);
    dialog_.SetFont(ClassicDialogFont());
    dialog_.SetClientSize(dialog_.ConvertDialogToPixels(wxSize(layout.width, layout.height)));

    const wxRect tabs = Pixels(layout.notebook);
    notebook_ = new wxNotebook(&dialog_, wxID_ANY, tabs.GetPosition(), tabs.GetSize());
    for (std::size_t i = 0; i < layout.pages.size(); ++i) {
        auto* page = new wxPanel(notebook_);
        notebook_->AddPage(page, FromUtf8(layout.pages[i].tab), i == 0);
        pages_.push_back(page);
        const auto pageId = static_cast<SettingPage>(i);
        for (const SettingControlSpec& spec : layout.pages[i].controls)
            controls_.push_back({{pageId, spec.id}, spec.kind, CreateControl(page, pageId, spec)});
    }

    for (const SettingControlSpec& spec : layout.buttons) {
        const wxRect r = Pixels(spec.rect);
        auto* button = new wxButton(&dialog_, WxButtonId(spec.id), FromUtf8(spec.caption), r.GetPosition(), r.GetSize(),
                                    wxBU_EXACTFIT);
        if (spec.id == SettingId::Ok) button->SetDefault();
        button->Bind(wxEVT_BUTTON, [this, id = spec.id](wxCommandEvent&) { events_.ButtonPressed(*this, id); });
        buttons_.emplace_back(spec.id, button);
    }
    // The close box presses Cancel; Escape clicks the Cancel button itself.
    dialog_.Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { events_.ButtonPressed(*this, SettingId::Cancel); });
}

wxRect WxSettingDialog::Pixels(Rect r) const {
    return {dialog_.ConvertDialogToPixels(wxPoint(r.x, r.y)), dialog_.ConvertDialogToPixels(wxSize(r.width, r.height))};
}

wxWindow* WxSettingDialog::CreateControl(wxWindow* page, SettingPage pageId, const SettingControlSpec& spec) {
    const wxRect r = Pixels(spec.rect);
    const wxString caption = FromUtf8(spec.caption);
    const SettingControl control{pageId, spec.id};
    auto changed = [this, control](wxCommandEvent&) { events_.Changed(*this, control); };
    wxWindow* window = nullptr;
    switch (spec.kind) {
    case Kind::GroupBox:
        window = new wxStaticBox(page, wxID_ANY, caption, r.GetPosition(), r.GetSize());
        break;
    case Kind::Label:
    case Kind::CentredLabel: {
        const long align = spec.kind == Kind::CentredLabel ? wxALIGN_CENTRE_HORIZONTAL : wxALIGN_LEFT;
        auto* label = new wxStaticText(page, wxID_ANY, "", r.GetPosition(), r.GetSize(), align | wxST_NO_AUTORESIZE);
        label->SetLabelText(caption);
        window = label;
        break;
    }
    case Kind::PushButton:
        window = new wxButton(page, wxID_ANY, caption, r.GetPosition(), r.GetSize(), wxBU_EXACTFIT);
        window->Bind(wxEVT_BUTTON, changed);
        break;
    case Kind::CheckBox:
        window = new wxCheckBox(page, wxID_ANY, caption, r.GetPosition(), r.GetSize());
        window->Bind(wxEVT_CHECKBOX, changed);
        break;
    case Kind::RadioButton:
        window = new wxRadioButton(page, wxID_ANY, caption, r.GetPosition(), r.GetSize(),
                                   spec.startsGroup ? wxRB_GROUP : 0);
        window->Bind(wxEVT_RADIOBUTTON, changed);
        break;
    // A list's rectangle reaches down over its open list; closed, it is as
    // high as the toolkit draws it.
    case Kind::DropDownList:
        window = new wxChoice(page, wxID_ANY, r.GetPosition(), wxSize(r.width, -1));
        window->Bind(wxEVT_CHOICE, changed);
        break;
    case Kind::EditableList:
        window = new wxComboBox(page, wxID_ANY, "", r.GetPosition(), wxSize(r.width, -1), 0, nullptr, wxCB_DROPDOWN);
        window->Bind(wxEVT_COMBOBOX, changed);
        break;
    case Kind::ReadOnlyEdit:
        window = new wxTextCtrl(page, wxID_ANY, "", r.GetPosition(), r.GetSize(), wxTE_READONLY);
        break;
    }
    if (spec.kind == Kind::DropDownList || spec.kind == Kind::EditableList || spec.kind == Kind::ReadOnlyEdit)
        SetAccessibleName(*window, caption);
    return window;
}

const WxSettingDialog::Entry* WxSettingDialog::Find(SettingControl control) const {
    if (control.id == -1) return nullptr;
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [&](const Entry& e) { return e.control == control; });
    return found == controls_.end() ? nullptr : &*found;
}

wxWindow* WxSettingDialog::ControlWindow(SettingControl control) const {
    const Entry* entry = Find(control);
    return entry ? entry->window : nullptr;
}

wxWindow* WxSettingDialog::ButtonWindow(int id) const {
    for (const auto& [buttonId, window] : buttons_)
        if (buttonId == id) return window;
    return nullptr;
}

void WxSettingDialog::Enable(SettingControl control, bool enabled) {
    if (const Entry* entry = Find(control)) entry->window->Enable(enabled);
}

void WxSettingDialog::EnablePage(SettingPage page, bool enabled) {
    for (wxWindow* child : pages_.at(static_cast<std::size_t>(page))->GetChildren()) child->Enable(enabled);
}

void WxSettingDialog::SetText(SettingControl control, const std::string& utf8) {
    const Entry* entry = Find(control);
    if (!entry) return;
    if (auto* label = dynamic_cast<wxStaticText*>(entry->window)) label->SetLabelText(FromUtf8(utf8));
    if (auto* field = dynamic_cast<wxTextEntry*>(entry->window)) field->ChangeValue(FromUtf8(utf8));
}

std::string WxSettingDialog::Text(SettingControl control) {
    const Entry* entry = Find(control);
    if (!entry) return {};
    if (auto* label = dynamic_cast<wxStaticText*>(entry->window)) return label->GetLabelText().utf8_string();
    if (auto* field = dynamic_cast<wxTextEntry*>(entry->window)) return field->GetValue().utf8_string();
    return {};
}

void WxSettingDialog::Check(SettingControl control, bool checked) {
    const Entry* entry = Find(control);
    if (!entry) return;
    if (auto* box = dynamic_cast<wxCheckBox*>(entry->window)) box->SetValue(checked);
    if (auto* radio = dynamic_cast<wxRadioButton*>(entry->window); radio && checked) radio->SetValue(true);
}

bool WxSettingDialog::IsChecked(SettingControl control) {
    const Entry* entry = Find(control);
    if (!entry) return false;
    if (auto* box = dynamic_cast<wxCheckBox*>(entry->window)) return box->GetValue();
    if (auto* radio = dynamic_cast<wxRadioButton*>(entry->window)) return radio->GetValue();
    return false;
}

void WxSettingDialog::SetEntries(SettingControl list, const std::vector<std::string>& entries) {
    const Entry* entry = Find(list);
    auto* items = entry ? dynamic_cast<wxItemContainer*>(entry->window) : nullptr;
    if (!items) return;
    wxArrayString texts;
    for (const std::string& text : entries) texts.Add(FromUtf8(text));
    items->Set(texts);
}

void WxSettingDialog::Select(SettingControl list, int entry) {
    const Entry* found = Find(list);
    auto* items = found ? dynamic_cast<wxItemContainer*>(found->window) : nullptr;
    if (!items) return;
    items->SetSelection(entry >= 0 && entry < static_cast<int>(items->GetCount()) ? entry : wxNOT_FOUND);
}

int WxSettingDialog::Selection(SettingControl list) {
    const Entry* found = Find(list);
    auto* items = found ? dynamic_cast<wxItemContainer*>(found->window) : nullptr;
    return items ? items->GetSelection() : -1;
}

void WxSettingDialog::Close() {
    if (dialog_.IsModal()) dialog_.EndModal(wxID_CANCEL);
}

void WxSettingDialog::RunModal() { dialog_.ShowModal(); }

void MainFrame::RunSetting(const SettingDialogSpec& layout, SettingEvents& events) {
    WxSettingDialog dialog(this, layout, events);
    events.Opened(dialog);
    dialog.RunModal();
}

}  // namespace earloop
