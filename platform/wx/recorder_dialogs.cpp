// The recorder's two modal dialogs, "Varar WAVE Recorder" and "Save as ...",
// built from native controls at the classic layouts' rectangles, which are
// given in dialog units. GTK's controls carry more padding than the classic
// ones those rectangles were measured for, so the whole layout is stretched,
// one factor per axis, until every control's best size fits its rectangle:
// a caption is never cut, and no control moves onto another.

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/wx/gtk_widgets.h"
#include "platform/wx/main_frame.h"
#include "platform/wx/utf8.h"

namespace earloop {

namespace {

// The classic controls' ids.
constexpr int kRecordTextId = 1009;
constexpr int kStartId = 1023;
constexpr int kFinishId = 1025;
constexpr int kRecordVolumeId = 1072;
constexpr int kTakeNameId = 1038;
constexpr int kRecordedTextId = 1039;
constexpr int kTakeNameLength = 1024;  // characters

// A control and its rectangle in dialog units (left, top, width, height).
struct DialogItem {
    wxWindow* window;
    wxRect units;
};

// Dialog units of `dialog`'s font as pixels, stretched by `stretch` per axis;
// edges are converted, not sizes, so neighbouring rectangles keep their gaps.
class DialogUnits {
public:
    DialogUnits(const wxWindow& dialog, double stretchX, double stretchY)
        : dialog_(dialog), stretchX_(stretchX), stretchY_(stretchY) {}

    wxPoint Point(wxPoint units) const {
        const wxPoint px = dialog_.ConvertDialogToPixels(units);
        return {static_cast<int>(std::lround(px.x * stretchX_)), static_cast<int>(std::lround(px.y * stretchY_))};
    }
    wxRect Rect(const wxRect& units) const {
        return wxRect(Point(units.GetTopLeft()), Point(units.GetTopLeft() + units.GetSize()));
    }

private:
    const wxWindow& dialog_;
    double stretchX_, stretchY_;
};

// Places the items and sizes the client area (`clientUnits`), stretched just
// enough for every item's best size. One pixel more than the exact ratio
// covers the rounding of both edges.
void LayOut(wxDialog& dialog, const std::vector<DialogItem>& items, wxSize clientUnits) {
    const DialogUnits plain(dialog, 1.0, 1.0);
    double stretchX = 1.0, stretchY = 1.0;
    for (const DialogItem& item : items) {
        const wxSize size = plain.Rect(item.units).GetSize();
        const wxSize best = item.window->GetBestSize();
        if (best.x > size.x) stretchX = std::max(stretchX, (best.x + 1.0) / size.x);
        if (best.y > size.y) stretchY = std::max(stretchY, (best.y + 1.0) / size.y);
    }
    const DialogUnits units(dialog, stretchX, stretchY);
    for (const DialogItem& item : items) item.window->SetSize(units.Rect(item.units));
    const wxPoint corner = units.Point(wxPoint(clientUnits.x, clientUnits.y));
    dialog.SetClientSize(corner.x, corner.y);
}

// Escape acts as the close box: the toolkit's default would press a
// dialog's OK button.
void CloseOnEscape(wxDialog& dialog) {
    dialog.Bind(wxEVT_CHAR_HOOK, [&dialog](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE)
            dialog.Close();
        else
            event.Skip();
    });
}

constexpr long kDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;

// "Varar WAVE Recorder": what the user does goes to the events; what the
// program shows comes back through RecorderDialog.
class WxRecorderDialog final : public RecorderDialog {
public:
    WxRecorderDialog(wxWindow* owner, RecorderEvents& events)
        : events_(events), dialog_(owner, wxID_ANY, "Varar WAVE Recorder", wxDefaultPosition, wxDefaultSize, kDialogStyle),
          timer_(&dialog_) {
        auto* group = new wxStaticBox(&dialog_, wxID_ANY, "Record as WAVE format");
        text_ = new wxStaticText(&dialog_, kRecordTextId, " Push [START] Button for Recording.", wxDefaultPosition,
                                 wxDefaultSize, wxST_NO_AUTORESIZE);
        auto* volume = new wxButton(&dialog_, kRecordVolumeId, "Rec.Vol.");
        start_ = new wxButton(&dialog_, kStartId, "START");
        finish_ = new wxButton(&dialog_, kFinishId, "FINISH");
        LayOut(dialog_,
               {{group, {6, 3, 161, 56}},
                {text_, {30, 21, 130, 13}},
                {volume, {13, 39, 38, 14}},
                {start_, {70, 39, 43, 14}},
                {finish_, {117, 39, 43, 14}}},
               {174, 66});
        dialog_.CentreOnParent();

        Forward(volume, &RecorderEvents::RecordVolumePressed);
        Forward(start_, &RecorderEvents::StartPressed);
        Forward(finish_, &RecorderEvents::FinishPressed);
        dialog_.Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Notify(&RecorderEvents::ClosePressed); });
        dialog_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Notify(&RecorderEvents::TimerTick); });
        CloseOnEscape(dialog_);
    }

    // Modal until Close, which Opened may already have called.
    void Run() {
        events_.Opened(*this);
        FocusNextStep();
        if (!closed_) dialog_.ShowModal();
        timer_.Stop();
    }

    void SetText(const std::string& utf8) override { text_->SetLabelText(FromUtf8(utf8)); }

    void EnableButton(RecorderButton button, bool enabled) override {
        (button == RecorderButton::Start ? start_ : finish_)->Enable(enabled);
        FocusNextStep();
    }

    void StartTimer(int periodMs) override { timer_.Start(periodMs); }
    void StopTimer() override { timer_.Stop(); }

    // Nothing more reaches the events once it has been called, not even a
    // tick or a press already queued.
    void Close() override {
        closed_ = true;
        timer_.Stop();
        if (dialog_.IsModal()) dialog_.EndModal(wxID_CANCEL);
    }

private:
    using Handler = void (RecorderEvents::*)(RecorderDialog&);

    // Enter presses START while it can be pressed, then FINISH: each is the
    // default button and holds the focus in its turn (the focus would
    // otherwise rest on "Rec.Vol.", the first control).
    void FocusNextStep() {
        wxButton* next = start_->IsEnabled() ? start_ : finish_;
        next->SetDefault();
        if (next->IsEnabled()) next->SetFocus();
    }

    void Notify(Handler handler) {
        if (!closed_) (events_.*handler)(*this);
    }
    void Forward(wxButton* button, Handler handler) {
        button->Bind(wxEVT_BUTTON, [this, handler](wxCommandEvent&) { Notify(handler); });
    }

    RecorderEvents& events_;
    wxDialog dialog_;
    wxTimer timer_;
    wxStaticText* text_;
    wxButton* start_;
    wxButton* finish_;
    bool closed_ = false;
};

}  // namespace

void MainFrame::RunRecorder(RecorderEvents& events) {
    WxRecorderDialog dialog(this, events);
    dialog.Run();
}

// "Save as ...", at its place relative to the main window's client area.
std::optional<std::string> MainFrame::AskTakeName(const std::string& recordedText) {
    wxDialog dialog(this, wxID_ANY, "Save as ...", wxDefaultPosition, wxDefaultSize, kDialogStyle);
    auto* group = new wxStaticBox(&dialog, wxID_ANY, "Recorded as WAVE format");
    auto* recorded = new wxStaticText(&dialog, kRecordedTextId, wxEmptyString);
    recorded->SetLabelText(FromUtf8(recordedText));
    auto* prompt = new wxStaticText(&dialog, wxID_ANY, "Save as . .");
    auto* name = new wxTextCtrl(&dialog, kTakeNameId);
    name->SetMaxLength(kTakeNameLength);
    SetAccessibleName(*name, "Save as");
    auto* ok = new wxButton(&dialog, wxID_OK, "OK");
    ok->SetDefault();
    ok->Disable();
    LayOut(dialog,
           {{group, {7, 4, 115, 33}},
            {recorded, {10, 16, 108, 19}},
            {prompt, {9, 46, 35, 13}},
            {name, {48, 44, 74, 13}},
            {ok, {72, 63, 50, 14}}},
           {127, 84});
    dialog.Move(ClientToScreen(dialog.ConvertDialogToPixels(wxPoint(100, 70))));

    name->Bind(wxEVT_TEXT, [ok](wxCommandEvent&) { ok->Enable(); });
    dialog.Bind(wxEVT_CLOSE_WINDOW, [&dialog](wxCloseEvent&) { dialog.EndModal(wxID_CANCEL); });
    CloseOnEscape(dialog);
    name->SetFocus();
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    return std::string(name->GetValue().utf8_str());
}

}  // namespace earloop
