// The information dialogs as the toolkit builds them under Xvfb: every item
// at its template's place in dialog units of the program's font, whole,
// named for the accessibility tree, and ended by OK, Escape or the close box.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "help/help_dialogs.h"
#include "platform/wx/gtk_widgets.h"
#include "platform/wx/info_dialog.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

void LetThePaintHappen() {
    for (int i = 0; i < 20; ++i) wxYield();
}

wxString Text(const std::string& utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }

struct Owner {
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(0, 0), wxSize(750, 488));
    Owner() { frame->Show(); }
    ~Owner() { frame->Destroy(); }
};

wxWindow* ItemWindow(wxDialog& dialog, const InfoItem& item) {
    return dialog.FindWindow(item.kind == InfoItemKind::OkButton ? wxID_OK : item.id);
}

TEST(InfoDialog, EveryItemSitsWholeAtItsPlaceInDialogUnitsAndIsNamed) {
    Owner owner;
    const FrameBuffer logo = *RenderPicture(static_cast<int>(PictureId::TitleLogo));
    for (const InfoDialogTemplate& spec : {InstallationDialog("/opt/earloop/"), AboutBox(logo)}) {
        SCOPED_TRACE(spec.title);
        wxDialog* dialog = CreateInfoDialog(owner.frame, spec);
        dialog->Show();
        LetThePaintHappen();
        EXPECT_EQ(dialog->GetTitle(), Text(spec.title));
        const wxSize client = dialog->GetClientSize();
        EXPECT_EQ(client, dialog->ConvertDialogToPixels(wxSize(spec.width, spec.height)));
        // The program's font sets the units: a quarter and an eighth of its character box.
        const wxPoint unit = dialog->ConvertDialogToPixels(wxPoint(4, 8));
        EXPECT_EQ(unit, wxPoint(dialog->GetCharWidth(), dialog->GetCharHeight()));
        EXPECT_EQ(dialog->GetFont().GetPixelSize().GetHeight(), 11);

        for (const InfoItem& item : spec.items) {
            SCOPED_TRACE(item.id);
            wxWindow* control = ItemWindow(*dialog, item);
            ASSERT_NE(control, nullptr);
            const wxRect place(dialog->ConvertDialogToPixels(wxPoint(item.units.x, item.units.y)),
                               dialog->ConvertDialogToPixels(wxSize(item.units.width, item.units.height)));
            const wxRect rect = control->GetRect();
            if (item.kind == InfoItemKind::Picture) {
                EXPECT_EQ(rect, wxRect(place.GetPosition(), wxSize(item.picture.Width(), item.picture.Height())));
            } else {
                EXPECT_EQ(rect, place);
                // What the toolkit needs to draw it whole fits its rectangle.
                const wxSize needs = control->GetBestSize();
                EXPECT_LE(needs.x, rect.width);
                EXPECT_LE(needs.y, rect.height);
                const wxSize text = control->GetTextExtent(Text(item.text));
                EXPECT_LE(text.x, rect.width);
                EXPECT_LE(text.y, rect.height);
            }
            EXPECT_TRUE(wxRect(client).Contains(rect));
            EXPECT_EQ(AccessibleName(*control), Text(item.name.empty() ? item.text : item.name));
        }
        dialog->Destroy();
        LetThePaintHappen();
    }
}

TEST(InfoDialog, TheAboutBoxShowsTheLogoAndSitsOverTheOwnersClientArea) {
    Owner owner;
    const FrameBuffer logo = *RenderPicture(static_cast<int>(PictureId::TitleLogo));
    const InfoDialogTemplate spec = AboutBox(logo);
    wxDialog* dialog = CreateInfoDialog(owner.frame, spec);
    dialog->Show();
    LetThePaintHappen();
    EXPECT_EQ(dialog->GetPosition(), owner.frame->ClientToScreen(dialog->ConvertDialogToPixels(wxPoint(22, 17))));

    wxWindow* picture = dialog->FindWindow(1082);
    ASSERT_NE(picture, nullptr);
    const wxPoint at = picture->GetPosition();
    wxClientDC screen(dialog);
    wxBitmap grab(logo.Width(), logo.Height(), 24);
    wxMemoryDC(grab).Blit(0, 0, logo.Width(), logo.Height(), &screen, at.x, at.y);
    const wxImage shown = grab.ConvertToImage();
    EXPECT_TRUE(std::equal(logo.Bytes().begin(), logo.Bytes().end(), shown.GetData())) << "not the logo's pixels";
    dialog->Destroy();
    LetThePaintHappen();
}

TEST(InfoDialog, OkEscapeAndTheCloseBoxEachEndTheModalRun) {
    Owner owner;
    using Ending = std::function<void(wxDialog&)>;
    const std::vector<std::pair<const char*, Ending>> endings = {
        {"OK", [](wxDialog& d) {
             wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
             click.SetEventObject(d.FindWindow(wxID_OK));
             d.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(click);
         }},
        {"Escape", [](wxDialog& d) {
             wxKeyEvent key(wxEVT_CHAR_HOOK);
             key.m_keyCode = WXK_ESCAPE;
             d.GetEventHandler()->ProcessEvent(key);
         }},
        {"close box", [](wxDialog& d) { d.Close(); }},
    };
    for (const auto& [name, end] : endings) {
        wxDialog* dialog = CreateInfoDialog(owner.frame, InstallationDialog("/opt/earloop/"));
        // A run that is not ended stops after a while, and fails.
        dialog->CallAfter([&, dialog] { end(*dialog); });
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [dialog](wxTimerEvent&) { dialog->EndModal(-1); });
        guard.StartOnce(5000);
        const bool ended = dialog->ShowModal() != -1;
        guard.Stop();
        EXPECT_TRUE(ended) << name;
        dialog->Destroy();
        LetThePaintHappen();
    }
}

}  // namespace
}  // namespace earloop
