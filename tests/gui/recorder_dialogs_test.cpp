// The recorder's modal dialogs, driven from inside their own modal loops:
// each step is queued with CallAfter, and keys, clicks and the close box go
// through GTK as the X server's would.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gui/window_capture.h"
#include "platform/wx/gtk_widgets.h"
#include "platform/wx/main_frame.h"

namespace earloop {
namespace {

using testing::Settle;

// The classic dialogs' control ids, written out here.
constexpr int kRecordText = 1009, kRecordVolume = 1072, kStart = 1023, kFinish = 1025;
constexpr int kRecordedText = 1039, kTakeName = 1038;

void Later(std::function<void()> step) { wxTheApp->CallAfter(std::move(step)); }

wxDialog* OpenDialog(const wxString& title) {
    for (wxWindow* top : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxDialog*>(top); dialog && dialog->GetTitle() == title) return dialog;
    return nullptr;
}

// Ends any modal dialog a failed step left open, so that a fault fails the
// test instead of hanging it.
struct Watchdog {
    wxTimer timer;
    Watchdog() {
        timer.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
            for (wxWindow* top : wxTopLevelWindows)
                if (auto* dialog = dynamic_cast<wxDialog*>(top); dialog && dialog->IsModal()) {
                    ADD_FAILURE() << "\"" << dialog->GetTitle() << "\" was left open";
                    dialog->EndModal(wxID_CANCEL);
                }
        });
        timer.StartOnce(20000);
    }
};

// An event as GTK receives it from the X server, for the dialog's window.
void Deliver(wxWindow* top, GdkEventType type, guint keyval = 0) {
    GdkEvent* event = gdk_event_new(type);
    GdkWindow* window = gtk_widget_get_window(top->GetHandle());
    if (type == GDK_DELETE) {
        event->any.window = GDK_WINDOW(g_object_ref(window));
    } else {
        event->key.window = GDK_WINDOW(g_object_ref(window));
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_window_get_display(window)), keyval,
                                              &keys, &count))
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        g_free(keys);
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_window_get_display(window))));
    }
    gtk_main_do_event(event);
    gdk_event_free(event);
}

void PressKey(wxWindow* top, guint keyval) {
    Deliver(top, GDK_KEY_PRESS, keyval);
    Deliver(top, GDK_KEY_RELEASE, keyval);
}

// What a window manager does to a new dialog; GTK moves the focus by Tab
// only in the active window (Xvfb runs no window manager).
void Activate(wxWindow* top) {
    top->Raise();
    Settle(100);
}

void Click(wxWindow* button) { gtk_button_clicked(GTK_BUTTON(button->GetHandle())); }

wxWindow* Focused(wxWindow* top) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->GetHandle()));
    for (wxWindow* child : top->GetChildren())
        if (child->GetHandle() == focus) return child;
    return nullptr;
}

// Every control shows its whole best size inside the client area; the
// others lie inside the group box, and none covers another.
void ExpectLaidOut(wxDialog* dialog) {
    const wxRect client(dialog->GetClientSize());
    wxRect group;
    std::vector<wxWindow*> inside;
    for (wxWindow* child : dialog->GetChildren()) {
        const wxSize best = child->GetBestSize(), size = child->GetSize();
        EXPECT_TRUE(size.x >= best.x && size.y >= best.y)
            << child->GetLabel() << ": " << size.x << "x" << size.y << " for " << best.x << "x" << best.y;
        EXPECT_TRUE(client.Contains(child->GetRect())) << child->GetLabel();
        if (dynamic_cast<wxStaticBox*>(child))
            group = child->GetRect();
        else
            inside.push_back(child);
    }
    for (std::size_t i = 0; i < inside.size(); ++i)
        for (std::size_t j = i + 1; j < inside.size(); ++j)
            EXPECT_FALSE(inside[i]->GetRect().Intersects(inside[j]->GetRect()))
                << inside[i]->GetLabel() << " and " << inside[j]->GetLabel();
    // The Save as dialog's group holds only the recorded text.
    const std::size_t grouped = dialog->FindWindow(kRecordedText) ? 1 : inside.size();
    for (std::size_t i = 0; i < grouped; ++i) EXPECT_TRUE(group.Contains(inside[i]->GetRect())) << inside[i]->GetLabel();
}

struct WindowFixture : ::testing::Test {
    MainFrame* frame = new MainFrame();
    Watchdog watchdog;
    void SetUp() override {
        frame->Show();
        Settle();
    }
    void TearDown() override {
        frame->Destroy();
        Settle(30);
    }
};

// Logs what reaches the program and answers as the recorder does.
struct ScriptedRecorder : RecorderEvents {
    std::vector<std::string> log;
    int ticks = 0;
    // What a test adds after the answer.
    std::function<void(RecorderDialog&)> afterOpened = [](RecorderDialog&) {}, afterStart = afterOpened,
                                         afterTick = afterOpened;

    void Opened(RecorderDialog& d) override {
        log.push_back(OpenDialog("Varar WAVE Recorder")->IsShown() ? "opened shown" : "opened");
        d.EnableButton(RecorderButton::Finish, false);
        afterOpened(d);
    }
    void StartPressed(RecorderDialog& d) override {
        log.push_back("start");
        d.SetText("Now Recording");
        d.EnableButton(RecorderButton::Start, false);
        d.EnableButton(RecorderButton::Finish, true);
        afterStart(d);
    }
    void FinishPressed(RecorderDialog& d) override {
        log.push_back("finish");
        d.StopTimer();
        d.Close();
    }
    void RecordVolumePressed(RecorderDialog&) override { log.push_back("volume"); }
    void ClosePressed(RecorderDialog& d) override {
        log.push_back("close");
        d.Close();
    }
    void TimerTick(RecorderDialog& d) override {
        log.push_back("tick");
        d.SetText("Now Recording - - 3." + std::to_string(ticks++) + " sec");
        afterTick(d);
    }
};

using RecorderWindow = WindowFixture;

TEST_F(RecorderWindow, StartTicksAndFinishReachTheProgramWhileItsOwnTimersRunOn) {
    ScriptedRecorder recorder;
    // The program's device notices arrive through a timer of its own.
    wxTimer pump;
    int pumpTicks = 0;
    pump.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { ++pumpTicks; });
    pump.Start(10);
    wxDialog* dialog = nullptr;
    recorder.afterStart = [&](RecorderDialog& d) {
        const wxWindow* start = dialog->FindWindow(kStart);
        EXPECT_FALSE(start->IsEnabled());
        EXPECT_EQ(dialog->GetDefaultItem(), dialog->FindWindow(kFinish));
        EXPECT_EQ(dialog->FindWindow(kRecordText)->GetLabel(), "Now Recording");
        ExpectLaidOut(dialog);  // FINISH as the default button still fits
        d.StartTimer(20);
    };
    // After three ticks the program stops the timer; a fourth never comes.
    recorder.afterTick = [&](RecorderDialog& d) {
        if (recorder.ticks < 3) return;
        d.StopTimer();
        Later([&] {
            Settle(60);
            EXPECT_EQ(dialog->FindWindow(kRecordText)->GetLabel(), "Now Recording - - 3.2 sec");
            EXPECT_GT(pumpTicks, 3);
            Click(dialog->FindWindow(kRecordVolume));
            Click(dialog->FindWindow(kFinish));
        });
    };
    Later([&] {
        dialog = OpenDialog("Varar WAVE Recorder");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->IsModal());
        EXPECT_EQ(dialog->GetParent(), frame);
        EXPECT_EQ(dialog->FindWindow(kRecordText)->GetLabel(), " Push [START] Button for Recording.");
        for (auto [id, caption] : {std::pair{kRecordVolume, "Rec.Vol."}, {kStart, "START"}, {kFinish, "FINISH"}}) {
            EXPECT_EQ(dialog->FindWindow(id)->GetLabel(), caption);
            EXPECT_EQ(AccessibleName(*dialog->FindWindow(id)).utf8_string(), caption);
        }
        EXPECT_FALSE(dialog->FindWindow(kFinish)->IsEnabled());
        EXPECT_EQ(dialog->GetDefaultItem(), dialog->FindWindow(kStart));
        ExpectLaidOut(dialog);
        // Tab goes round the buttons that can be pressed.
        Activate(dialog);
        dialog->FindWindow(kStart)->SetFocus();
        PressKey(dialog, GDK_KEY_Tab);
        EXPECT_EQ(Focused(dialog), dialog->FindWindow(kRecordVolume));
        PressKey(dialog, GDK_KEY_Tab);
        EXPECT_EQ(Focused(dialog), dialog->FindWindow(kStart));
        Click(dialog->FindWindow(kStart));
    });
    frame->RunRecorder(recorder);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"opened", "start", "tick", "tick", "tick", "volume", "finish"}));
    EXPECT_EQ(OpenDialog("Varar WAVE Recorder"), nullptr);
}

TEST_F(RecorderWindow, TheCloseBoxAndEscapeCloseItAndNothingReachesTheProgramAfterClose) {
    for (const bool escape : {false, true}) {
        ScriptedRecorder recorder;
        Later([&] {
            wxDialog* dialog = OpenDialog("Varar WAVE Recorder");
            if (escape)
                PressKey(dialog, GDK_KEY_Escape);
            else
                Deliver(dialog, GDK_DELETE);
        });
        frame->RunRecorder(recorder);
        EXPECT_EQ(recorder.log, (std::vector<std::string>{"opened", "close"})) << (escape ? "Escape" : "close box");
    }

    // START fails and closes it; a second press queued behind it is dropped.
    ScriptedRecorder failing;
    failing.afterStart = [](RecorderDialog& d) { d.Close(); };
    Later([&] {
        wxDialog* dialog = OpenDialog("Varar WAVE Recorder");
        Click(dialog->FindWindow(kStart));
        Click(dialog->FindWindow(kFinish));
    });
    frame->RunRecorder(failing);
    EXPECT_EQ(failing.log, (std::vector<std::string>{"opened", "start"}));

    // Closed while it opens: it is never shown.
    ScriptedRecorder closing;
    closing.afterOpened = [](RecorderDialog& d) { d.Close(); };
    frame->RunRecorder(closing);
    EXPECT_EQ(closing.log, (std::vector<std::string>{"opened"}));
}

using TakeNameWindow = WindowFixture;

const std::string kRecorded = " Recorded Time : 3.27 sec\n 16 bit, 2 channel, 11025 Hz/Sec";

TEST_F(TakeNameWindow, OkWaitsForAnEditAndGivesTheTypedNameAndEnterPressesIt) {
    wxDialog* dialog = nullptr;
    wxTextCtrl* name = nullptr;
    Later([&] {
        dialog = OpenDialog("Save as ...");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->IsModal());
        EXPECT_EQ(dialog->GetPosition(), frame->ClientToScreen(dialog->ConvertDialogToPixels(wxPoint(100, 70))));
        EXPECT_EQ(dialog->FindWindow(kRecordedText)->GetLabel(), wxString::FromUTF8(kRecorded));
        name = dynamic_cast<wxTextCtrl*>(dialog->FindWindow(kTakeName));
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(AccessibleName(*name).utf8_string(), "Save as");
        EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(name->GetHandle())), 1024);
        wxWindow* ok = dialog->FindWindow(wxID_OK);
        EXPECT_EQ(ok->GetLabel(), "OK");
        EXPECT_EQ(dialog->GetDefaultItem(), ok);
        std::vector<wxString> captions;
        for (wxWindow* child : dialog->GetChildren()) captions.push_back(child->GetLabel());
        EXPECT_EQ(captions, (std::vector<wxString>{"Recorded as WAVE format", wxString::FromUTF8(kRecorded),
                                                   "Save as . .", "", "OK"}));
        ExpectLaidOut(dialog);
        EXPECT_FALSE(ok->IsEnabled());
        EXPECT_EQ(Focused(dialog), name);
        PressKey(dialog, GDK_KEY_Return);  // nothing yet
        Later([&, ok] {
            EXPECT_TRUE(dialog->IsModal()) << "Enter pressed the disabled OK";
            name->SetValue(wxString::FromUTF8("ギター練習 1"));
            EXPECT_TRUE(ok->IsEnabled());
            Activate(dialog);
            PressKey(dialog, GDK_KEY_Tab);
            EXPECT_EQ(Focused(dialog), ok);
            PressKey(dialog, GDK_KEY_Tab);
            EXPECT_EQ(Focused(dialog), name);
            PressKey(dialog, GDK_KEY_Return);
        });
    });
    EXPECT_EQ(frame->AskTakeName(kRecorded), "ギター練習 1");
    EXPECT_EQ(OpenDialog("Save as ..."), nullptr);
}

TEST_F(TakeNameWindow, TheCloseBoxAndEscapeGiveNoNameEvenWithOkEnabled) {
    for (const bool escape : {false, true}) {
        Later([&] {
            wxDialog* dialog = OpenDialog("Save as ...");
            dynamic_cast<wxTextCtrl*>(dialog->FindWindow(kTakeName))->SetValue("take");
            if (escape)
                PressKey(dialog, GDK_KEY_Escape);
            else
                Deliver(dialog, GDK_DELETE);
        });
        EXPECT_EQ(frame->AskTakeName(kRecorded), std::nullopt) << (escape ? "Escape" : "close box");
    }
}

}  // namespace
}  // namespace earloop
