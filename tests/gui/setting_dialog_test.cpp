// The real Setting dialog under Xvfb: every page's controls whole inside the
// page, the port's calls on the toolkit's controls, the clicks they report,
// the names the accessibility tree reads and the Tab order.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include "platform/wx/main_frame.h"
#include "platform/wx/setting_dialog.h"
#include "settings/setting_dialog.h"

// Last: Xlib's macros (None, ...) would break the headers above.
#include <gdk/gdkx.h>

namespace earloop {
namespace {

namespace sid = SettingId;
using Kind = SettingControlKind;

// Runs the dialog over a frame and calls `whileOpen` once it is shown;
// records what the dialog reports, and closes it on OK and Cancel.
struct Session : SettingEvents {
    std::function<void(WxSettingDialog&)> whileOpen;
    std::vector<SettingControl> changed;
    std::vector<int> pressed;

    void Run() {
        auto* frame = new MainFrame();
        frame->RunSetting(SettingDialogLayout(), *this);
        frame->Destroy();
    }
    void Opened(SettingDialog& dialog) override {
        auto& real = static_cast<WxSettingDialog&>(dialog);
        real.Window().CallAfter([this, &real] {
            Settle();
            whileOpen(real);
            real.Close();
        });
    }
    void Changed(SettingDialog&, SettingControl control) override { changed.push_back(control); }
    void ButtonPressed(SettingDialog& dialog, int id) override {
        pressed.push_back(id);
        if (id == sid::Ok || id == sid::Cancel) dialog.Close();
    }
    static void Settle() {
        for (int i = 0; i < 20; ++i) {
            wxYield();
            wxTheApp->ProcessIdle();
        }
    }
};

GtkWidget* Widget(wxWindow* window) { return static_cast<GtkWidget*>(window->GetHandle()); }

std::string AccessibleName(wxWindow* window) {
    const char* name = atk_object_get_name(gtk_widget_get_accessible(Widget(window)));
    return name ? name : "";
}

wxSize LeastSize(wxWindow* window) {
    int width = 0, height = 0;
    gtk_widget_get_preferred_width(Widget(window), &width, nullptr);
    gtk_widget_get_preferred_height(Widget(window), &height, nullptr);
    return {width, height};
}


TEST(SettingDialog, EveryControlOfEveryPageIsWholeInsideItsPageAndTheButtonsFit) {
    Session session;
    session.whileOpen = [](WxSettingDialog& dialog) {
        const SettingDialogSpec& layout = SettingDialogLayout();
        wxNotebook* notebook = dialog.Notebook();
        ASSERT_EQ(notebook->GetPageCount(), layout.pages.size());
        for (std::size_t p = 0; p < layout.pages.size(); ++p) {
            EXPECT_EQ(notebook->GetPageText(p).utf8_string(), layout.pages[p].tab);
            notebook->SetSelection(p);
            Session::Settle();
            wxWindow* page = notebook->GetPage(p);
            const wxRect area(page->GetClientSize());
            const wxWindowList& children = page->GetChildren();
            ASSERT_EQ(children.size(), layout.pages[p].controls.size()) << "page " << p;
            std::vector<wxRect> drawn;
            for (std::size_t c = 0; c < children.size(); ++c) {
                const SettingControlSpec& spec = layout.pages[p].controls[c];
                wxWindow* window = children[c];
                const std::string what = "page " + std::to_string(p) + " \"" + spec.caption + "\"";
                const wxRect rect = window->GetRect();
                EXPECT_TRUE(area.Contains(rect)) << what << " reaches out of the page";
                if (spec.kind == Kind::GroupBox) continue;
                // What GTK needs to draw the control whole, with the dialog's style.
                const wxSize least = LeastSize(window);
                EXPECT_LE(least.x, rect.width) << what;
                EXPECT_LE(least.y, rect.height) << what;
                if (spec.kind == Kind::DropDownList || spec.kind == Kind::EditableList) {
                    EXPECT_LE(rect.height, dialog.Pixels(spec.rect).height) << what;
                }
                // What it draws (centred in its rectangle) overlaps nothing else drawn.
                const wxRect content(rect.x, rect.y + (rect.height - least.y) / 2, rect.width, least.y);
                for (const wxRect& other : drawn) EXPECT_FALSE(content.Intersects(other)) << what << " overlaps a control";
                drawn.push_back(content);
            }
        }
        const wxRect client(dialog.Window().GetClientSize());
        for (const SettingControlSpec& spec : layout.buttons) {
            wxWindow* button = dialog.ButtonWindow(spec.id);
            ASSERT_NE(button, nullptr);
            EXPECT_TRUE(client.Contains(button->GetRect())) << spec.caption;
            EXPECT_LE(LeastSize(button).x, button->GetSize().x) << spec.caption;
            EXPECT_LE(LeastSize(button).y, button->GetSize().y) << spec.caption;
            EXPECT_EQ(button->GetRect(), dialog.Pixels(spec.rect)) << spec.caption;
        }
        EXPECT_TRUE(client.Contains(notebook->GetRect()));
        // Every tab shows, with no arrows to scroll them into view.
        GtkNotebook* tabs = GTK_NOTEBOOK(Widget(notebook));
        gtk_notebook_set_scrollable(tabs, FALSE);
        EXPECT_LE(LeastSize(notebook).x, notebook->GetSize().x);
        gtk_notebook_set_scrollable(tabs, TRUE);
        EXPECT_EQ(static_cast<wxButton*>(dialog.ButtonWindow(sid::Ok))->GetId(), wxID_OK);
    };
    session.Run();
}

TEST(SettingDialog, PortCallsChangeTheToolkitsControlsAndTheirClicksComeBack) {
    Session session;
    session.whileOpen = [&session](WxSettingDialog& dialog) {
        using enum SettingPage;
        const SettingControl ffRw{PlayMode, sid::FfRwList}, keepStep{PlayMode, sid::KeepStepList},
            automatic{PlayMode, sid::Automatic}, single{PlayMode, sid::SingleMode}, dual{PlayMode, sid::DoubleMode},
            instrument{Midi, sid::InstrumentList}, value{Midi, sid::CalibrationValue},
            sizeLine{WaveFile, sid::FormatLines[0]};
        dialog.SetEntries(ffRw, FfRwStepEntries());
        dialog.SetText(ffRw, "15");
        EXPECT_EQ(dialog.Text(ffRw), "15");
        EXPECT_EQ(dialog.Selection(ffRw), -1);
        dialog.Select(ffRw, 19);
        EXPECT_EQ(dialog.Text(ffRw), "60");
        dialog.SetEntries(keepStep, KeepStepEntries());
        dialog.Select(keepStep, 2);
        EXPECT_EQ(dialog.Selection(keepStep), 2);
        dialog.Select(keepStep, 7);
        EXPECT_EQ(dialog.Selection(keepStep), -1);

        dialog.Check(dual, true);
        EXPECT_FALSE(dialog.IsChecked(single));
        dialog.Check(single, true);
        dialog.Check(single, false);
        EXPECT_TRUE(dialog.IsChecked(single));
        EXPECT_FALSE(dialog.IsChecked(dual));
        dialog.Check(automatic, true);
        EXPECT_TRUE(dialog.IsChecked(automatic));

        dialog.SetText(sizeLine, "File Size : 176400 bytes & more");
        EXPECT_EQ(dialog.Text(sizeLine), "File Size : 176400 bytes & more");
        dialog.SetText(value, " +  3");
        EXPECT_EQ(static_cast<wxStaticText*>(dialog.ControlWindow(value))->GetLabel(), " +  3");

        dialog.EnablePage(Midi, false);
        for (wxWindow* child : dialog.Notebook()->GetPage(1)->GetChildren()) EXPECT_FALSE(child->IsEnabled());
        dialog.Enable(dual, false);
        EXPECT_FALSE(dialog.ControlWindow(dual)->IsEnabled());
        EXPECT_TRUE(dialog.ControlWindow(single)->IsEnabled());
        // Ids of another page or of nothing address nothing.
        EXPECT_EQ(dialog.ControlWindow({WaveIn, sid::FfRwList}), nullptr);
        EXPECT_EQ(dialog.Selection(instrument), -1);

        // Captions and list names as the accessibility tree reads them.
        EXPECT_EQ(AccessibleName(dialog.ControlWindow(automatic)), "Automatic");
        EXPECT_EQ(AccessibleName(dialog.ControlWindow(ffRw)), "FF/RW step at Play mode [sec]");
        EXPECT_EQ(AccessibleName(dialog.ControlWindow(instrument)), "Select MIDI Instrument");
        EXPECT_EQ(AccessibleName(dialog.ControlWindow({WaveFile, sid::FileName})), "File Name :");

        // Tab, pressed on the keyboard, goes through the page's controls in
        // their order (from the FF/RW list's field to its button first), to
        // the checked mode radio only, and on to the dialog's buttons.
        GtkWidget* top = Widget(&dialog.Window());
        XSetInputFocus(GDK_WINDOW_XDISPLAY(gtk_widget_get_window(top)), GDK_WINDOW_XID(gtk_widget_get_window(top)),
                       RevertToParent, CurrentTime);
        Session::Settle();
        dialog.ControlWindow(ffRw)->SetFocus();
        Session::Settle();
        wxWindow* const order[] = {dialog.ControlWindow(ffRw),
                                   dialog.ControlWindow(keepStep),
                                   dialog.ControlWindow(automatic),
                                   dialog.ControlWindow(single),
                                   dialog.ControlWindow({PlayMode, sid::MarkStepList}),
                                   dialog.ControlWindow({PlayMode, sid::VocalCanceller}),
                                   dialog.ButtonWindow(sid::Default)};
        wxUIActionSimulator keyboard;
        GtkWidget* previous = gtk_window_get_focus(GTK_WINDOW(top));
        for (wxWindow* next : order) {
            keyboard.Char(WXK_TAB);
            Session::Settle();
            GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top));
            EXPECT_TRUE(focus && (focus == Widget(next) || gtk_widget_is_ancestor(focus, Widget(next))))
                << next->GetLabel().utf8_string();
            EXPECT_NE(focus, previous);
            previous = focus;
        }

        // The toolkit's notices of a click reach the program as the control's page and id.
        wxWindow* box = dialog.ControlWindow(automatic);
        wxCommandEvent click(wxEVT_CHECKBOX, box->GetId());
        click.SetEventObject(box);
        box->ProcessWindowEvent(click);
        wxWindow* plus = dialog.ControlWindow({Midi, sid::CalibrationUp});
        wxCommandEvent press(wxEVT_BUTTON, plus->GetId());
        press.SetEventObject(plus);
        plus->ProcessWindowEvent(press);
        EXPECT_EQ(session.changed, (std::vector<SettingControl>{automatic, {Midi, sid::CalibrationUp}}));

        wxWindow* defaults = dialog.ButtonWindow(sid::Default);
        wxCommandEvent pressDefault(wxEVT_BUTTON, defaults->GetId());
        pressDefault.SetEventObject(defaults);
        defaults->ProcessWindowEvent(pressDefault);
        // The close box presses Cancel, which ends the dialog.
        wxCloseEvent close(wxEVT_CLOSE_WINDOW, dialog.Window().GetId());
        close.SetEventObject(&dialog.Window());
        dialog.Window().ProcessWindowEvent(close);
    };
    session.Run();
    EXPECT_EQ(session.pressed, (std::vector<int>{sid::Default, sid::Cancel}));
}

}  // namespace
}  // namespace earloop
