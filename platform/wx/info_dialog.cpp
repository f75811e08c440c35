#include "platform/wx/info_dialog.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/wx/classic_controls.h"
#include "platform/wx/gtk_widgets.h"
#include "platform/wx/main_frame.h"
#include "platform/wx/utf8.h"

namespace earloop {

namespace {

wxWindow* CreateItem(wxDialog* dialog, const InfoItem& item) {
    const wxPoint at = dialog->ConvertDialogToPixels(wxPoint(item.units.x, item.units.y));
    const wxSize size = dialog->ConvertDialogToPixels(wxSize(item.units.width, item.units.height));
    switch (item.kind) {
    case InfoItemKind::Label:
        return new wxStaticText(dialog, item.id, FromUtf8(item.text), at, size, wxST_NO_AUTORESIZE);
    case InfoItemKind::ReadOnlyField:
        return new wxTextCtrl(dialog, item.id, FromUtf8(item.text), at, size, wxTE_READONLY);
    case InfoItemKind::Picture:
        return new wxStaticBitmap(dialog, item.id, BitmapFromFrameBuffer(item.picture), at);
    case InfoItemKind::OkButton: {
        auto* ok = new wxButton(dialog, wxID_OK, FromUtf8(item.text), at, size, wxBU_EXACTFIT);
        ok->SetDefault();
        return ok;
    }
    }
    return nullptr;
}

}  // namespace

wxDialog* CreateInfoDialog(wxWindow* owner, const InfoDialogTemplate& spec) {
    auto* dialog = new wxDialog(owner, wxID_ANY, FromUtf8(spec.title), wxDefaultPosition, wxDefaultSize,
                                wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU);
    // Dialog units are counted in the font the controls inherit.
    dialog->SetFont(ClassicGuiFont());
    UseCompactTheme(*dialog);
    for (const InfoItem& item : spec.items) {
        wxWindow* control = CreateItem(dialog, item);
        if (!item.name.empty()) SetAccessibleName(*control, FromUtf8(item.name));
    }
    dialog->SetClientSize(dialog->ConvertDialogToPixels(wxSize(spec.width, spec.height)));
    if (spec.at && owner && owner->IsShown())
        dialog->Move(owner->ClientToScreen(dialog->ConvertDialogToPixels(wxPoint(spec.at->x, spec.at->y))));
    else
        dialog->CentreOnParent();
    return dialog;
}

void MainFrame::ShowInfoDialog(const InfoDialogTemplate& spec) {
    wxDialog* dialog = CreateInfoDialog(this, spec);
    dialog->ShowModal();
    dialog->Destroy();
}

}  // namespace earloop
