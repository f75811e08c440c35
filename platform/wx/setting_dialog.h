#pragma once
// The Setting dialog on wxWidgets: a modal dialog holding a notebook whose
// pages carry the toolkit's own controls (lists, edits, radio buttons, check
// boxes), placed by the layout's dialog units converted with the dialog's
// font. GTK's default theme pads its controls for large touch targets; a
// style sheet scoped to this dialog trims that padding, as compact desktop
// themes do, so that each control fits its rectangle. Lists and edits carry
// their captions as their names in the accessibility tree.
//
// Ownership: MainFrame::RunSetting keeps the dialog on its stack for one
// modal run; the controls are its children. GUI thread only.

#include <wx/dialog.h>

#include <vector>

#include "ports/setting_dialog_port.h"

class wxNotebook;

namespace earloop {

class WxSettingDialog : public SettingDialog {
public:
    WxSettingDialog(wxWindow* owner, const SettingDialogSpec& layout, SettingEvents& events);

    void Enable(SettingControl control, bool enabled) override;
    void EnablePage(SettingPage page, bool enabled) override;
    void SetText(SettingControl control, const std::string& utf8) override;
    std::string Text(SettingControl control) override;
    void Check(SettingControl control, bool checked) override;
    bool IsChecked(SettingControl control) override;
    void SetEntries(SettingControl list, const std::vector<std::string>& entries) override;
    void Select(SettingControl list, int entry) override;
    int Selection(SettingControl list) override;
    void Close() override;

    // Shows the dialog and returns when Close has ended it.
    void RunModal();
    wxDialog& Window() { return dialog_; }

    // For tests: the window of a control of a page (null when the layout has
    // none), of one of the dialog's buttons, the notebook.
    wxWindow* ControlWindow(SettingControl control) const;
    wxWindow* ButtonWindow(int id) const;
    wxNotebook* Notebook() const { return notebook_; }
    // A layout rectangle in pixels of the window it lies in.
    wxRect Pixels(Rect dialogUnits) const;

private:
    struct Entry {
        SettingControl control;
        SettingControlKind kind;
        wxWindow* window;
    };
    wxWindow* CreateControl(wxWindow* page, SettingPage pageId, const SettingControlSpec& spec);
    const Entry* Find(SettingControl control) const;

    wxDialog dialog_;
    SettingEvents& events_;
    wxNotebook* notebook_ = nullptr;
    std::vector<wxWindow*> pages_;
    std::vector<Entry> controls_;
    std::vector<std::pair<int, wxWindow*>> buttons_;
};

}  // namespace earloop
