// The drawn controls in a real window: clicks and drags go through the X
// server (XTest), and pixels are read back from the X server's screen.
// X11 headers come last: they define macros such as None and Bool.

#include "platform/wx/classic_controls.h"

#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace earloop {
namespace {

struct Recorder : ClassicControlEvents {
    struct Notice {
        ControlHandle slider;
        SliderNotice notice;
        int position;
    };
    void OnControlCommand(int id) override {
        log.push_back("command " + std::to_string(id));
        commands.push_back(id);
    }
    void OnSliderNotice(ControlHandle slider, SliderNotice notice, int position) override {
        notices.push_back({slider, notice, position});
    }
    void OnDrawItem(ControlHandle button, bool pressed) override {
        log.push_back("draw " + std::to_string(button) + (pressed ? " pressed" : " released"));
    }
    std::vector<int> commands;
    std::vector<Notice> notices;
    std::vector<std::string> log;
};

// Lets the toolkit deliver what is queued (map, paint, pointer events) for a moment.
// A nested event loop runs the toolkit's frame clock, which draws the
// windows; a bare wxYield does not always get to it.
void Settle(int milliseconds = 60) {
    wxGUIEventLoop loop;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    timer.StartOnce(milliseconds);
    loop.Run();
}

wxImage GrabScreen(wxRect area) {
    wxImage image(area.width, area.height);
    Display* display = XOpenDisplay(nullptr);
    if (!display) return image;
    XImage* pixels = XGetImage(display, DefaultRootWindow(display), area.x, area.y, area.width, area.height,
                               AllPlanes, ZPixmap);
    if (pixels) {
        for (int y = 0; y < area.height; ++y)
            for (int x = 0; x < area.width; ++x) {
                const unsigned long p = XGetPixel(pixels, x, y);
                image.SetRGB(x, y, (p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
            }
        XDestroyImage(pixels);
    }
    XCloseDisplay(display);
    return image;
}

class ClassicControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame_ = new wxFrame(nullptr, wxID_ANY, "controls", wxPoint(0, 0), wxDefaultSize, wxBORDER_NONE);
        frame_->SetClientSize(760, 440);
        // A frame stretches a sole child over its client area, so the
        // controls live on a window of their own, like the main window's.
        client_ = new wxWindow(frame_, wxID_ANY, wxPoint(0, 0), wxSize(760, 440));
        client_->SetBackgroundColour(ClassicFaceColour());
        frame_->Show();
        Settle(150);
    }
    void TearDown() override {
        frame_->Destroy();
        Settle(30);
    }

    ClassicControl* Create(ControlKind kind, Rect rect, int id = 0, std::string caption = {}, bool enabled = true,
                           bool checked = false, bool startsGroup = false) {
        ControlSpec spec;
        spec.id = id;
        spec.kind = kind;
        spec.caption = std::move(caption);
        spec.rect = rect;
        spec.enabled = enabled;
        spec.checked = checked;
        spec.startsGroup = startsGroup;
        return CreateClassicControl(client_, spec, handles_++, events_, ClassicGuiFont());
    }

    wxPoint OnScreen(wxWindow* control, wxPoint at) { return control->ClientToScreen(at); }
    wxPoint Centre(wxWindow* control) {
        const wxSize size = control->GetClientSize();
        return OnScreen(control, wxPoint(size.x / 2, size.y / 2));
    }

    void MoveTo(wxPoint screen) {
        sim_.MouseMove(screen);
        Settle(30);
    }
    void Press() {
        sim_.MouseDown();
        Settle(30);
    }
    void Release() {
        sim_.MouseUp();
        Settle(30);
    }
    void Click(wxPoint screen) {
        MoveTo(screen);
        Press();
        Release();
    }

    // The pixels the window shows now, read from the X server's screen
    // (what the user would see, after the toolkit has drawn).
    wxImage Grab(wxWindow* window, wxSize size = wxDefaultSize) {
        Settle(80);
        if (size == wxDefaultSize) size = window->GetClientSize();
        return GrabScreen(wxRect(window->ClientToScreen(wxPoint(0, 0)), size));
    }

    wxFrame* frame_ = nullptr;
    wxWindow* client_ = nullptr;
    Recorder events_;
    ControlHandle handles_ = 0;
    wxUIActionSimulator sim_;
};

bool IsDark(const wxImage& image, int x, int y) {
    return image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y) < 3 * 128;
}

TEST_F(ClassicControlsTest, RadioClickUnchecksItsGroupOnlyAndReportsItsId) {
    Create(ControlKind::GroupBox, {10, 10, 122, 64}, 30, " Sampling Time ", true, false, true);
    auto* coarse = Create(ControlKind::RadioButton, {18, 25, 100, 15}, 31, "46ms(Coarse)");
    auto* normal = Create(ControlKind::RadioButton, {18, 40, 100, 15}, 32, "93ms(Normal)", true, true);
    auto* precise = Create(ControlKind::RadioButton, {18, 55, 105, 15}, 33, "186ms(Precision)");
    Create(ControlKind::GroupBox, {10, 90, 122, 64}, 40, " Other ", true, false, true);
    auto* other = Create(ControlKind::RadioButton, {18, 105, 100, 15}, 41, "other", true, true);
    auto* another = Create(ControlKind::RadioButton, {18, 120, 100, 15}, 42, "another");
    Settle();

    Click(Centre(coarse));
    EXPECT_TRUE(coarse->IsChecked());
    EXPECT_FALSE(normal->IsChecked());
    EXPECT_FALSE(precise->IsChecked());
    EXPECT_TRUE(other->IsChecked());
    EXPECT_FALSE(another->IsChecked());
    EXPECT_EQ(events_.commands, std::vector<int>{31});

    Click(Centre(another));
    EXPECT_TRUE(another->IsChecked());
    EXPECT_FALSE(other->IsChecked());
    EXPECT_TRUE(coarse->IsChecked());
    EXPECT_EQ(events_.commands, (std::vector<int>{31, 42}));
}

TEST_F(ClassicControlsTest, DisabledRadioIgnoresClick) {
    Create(ControlKind::GroupBox, {10, 10, 122, 64}, 30, " Sampling Time ", true, false, true);
    auto* coarse = Create(ControlKind::RadioButton, {18, 25, 100, 15}, 31, "46ms(Coarse)", false);
    auto* normal = Create(ControlKind::RadioButton, {18, 40, 100, 15}, 32, "93ms(Normal)", false, true);
    Settle();
    Click(Centre(coarse));
    EXPECT_FALSE(coarse->IsChecked());
    EXPECT_TRUE(normal->IsChecked());
    EXPECT_TRUE(events_.commands.empty());
}

TEST_F(ClassicControlsTest, DisabledPushButtonIgnoresClickAndEnabledOneReportsIt) {
    auto* disabled = Create(ControlKind::PushButton, {148, 165, 33, 17}, 40019, "Set", false);
    auto* enabled = Create(ControlKind::PushButton, {251, 165, 33, 17}, 40020, "Clear");
    Settle();
    Click(Centre(disabled));
    EXPECT_TRUE(events_.commands.empty());
    Click(Centre(enabled));
    EXPECT_EQ(events_.commands, std::vector<int>{40020});

    disabled->Enable(true);
    Settle();
    Click(Centre(disabled));
    EXPECT_EQ(events_.commands, (std::vector<int>{40020, 40019}));
}

TEST_F(ClassicControlsTest, PushButtonReleasedOutsideSendsNothingAndLooksSunkenWhileHeld) {
    auto* button = Create(ControlKind::PushButton, {100, 100, 33, 20}, 40017, "Down");
    Settle();
    const wxImage raised = Grab(button);
    MoveTo(Centre(button));
    Press();
    const wxImage sunken = Grab(button);
    // Raised: white top-left edge; held: a shadow there instead.
    EXPECT_EQ(raised.GetRed(0, 0), 255);
    EXPECT_LT(sunken.GetRed(0, 0), 200);
    MoveTo(OnScreen(button, wxPoint(60, 10)));
    Release();
    EXPECT_TRUE(events_.commands.empty());
}

TEST_F(ClassicControlsTest, OwnerDrawnButtonAsksForFacesAndShowsExactlyThePixelsSet) {
    auto* button = Create(ControlKind::OwnerDrawnButton, {567, 0, 85, 35}, 40010);
    FrameBuffer face(85, 35);
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 85; ++x)
            face.SetPixel(x, y, Rgb{static_cast<std::uint8_t>(x * 3), static_cast<std::uint8_t>(y * 7),
                                    static_cast<std::uint8_t>((x + y) % 2 ? 200 : 17)});
    button->SetFace(face);
    const wxImage shown = Grab(button);
    ASSERT_EQ(shown.GetWidth(), 85);
    int wrong = 0;
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 85; ++x) {
            const Rgb want = face.Pixel(x, y);
            if (shown.GetRed(x, y) != want.r || shown.GetGreen(x, y) != want.g || shown.GetBlue(x, y) != want.b)
                ++wrong;
        }
    EXPECT_EQ(wrong, 0);

    Click(Centre(button));
    EXPECT_EQ(events_.log, (std::vector<std::string>{"draw 0 pressed", "draw 0 released", "command 40010"}));
}

TEST_F(ClassicControlsTest, DisabledOwnerDrawnButtonDoesNotRespond) {
    auto* button = Create(ControlKind::OwnerDrawnButton, {567, 0, 85, 35}, 40010, {}, false);
    Settle();
    Click(Centre(button));
    EXPECT_TRUE(events_.log.empty());
}

TEST_F(ClassicControlsTest, SliderDragTracksWithinRangeThenReportsPositionAndEnd) {
    auto* slider = Create(ControlKind::Slider, {630, 365, 100, 15}, 61);
    slider->SetSliderRange(0, 100);
    slider->SetSliderTicks(10, 10);
    slider->SetSliderPosition(50);
    Settle();
    // Grab the thumb at its centre, drag far past the right end, then back
    // past the left end.
    const wxPoint thumb = OnScreen(slider, wxPoint(50, 4));
    MoveTo(thumb);
    Press();
    for (int dx = 0; dx <= 120; dx += 15) MoveTo(thumb + wxSize(dx, 0));
    EXPECT_EQ(slider->SliderPosition(), 100);
    for (int dx = 120; dx >= -120; dx -= 20) MoveTo(thumb + wxSize(dx, 0));
    EXPECT_EQ(slider->SliderPosition(), 0);
    Release();

    ASSERT_GE(events_.notices.size(), 4u);
    bool sawMiddle = false;
    for (std::size_t i = 0; i + 2 < events_.notices.size(); ++i) {
        const auto& n = events_.notices[i];
        EXPECT_EQ(n.notice, SliderNotice::ThumbTrack);
        EXPECT_EQ(n.slider, 0);
        EXPECT_GE(n.position, 0);
        EXPECT_LE(n.position, 100);
        sawMiddle = sawMiddle || (n.position > 50 && n.position < 100);
    }
    EXPECT_TRUE(sawMiddle);
    const auto& last = events_.notices.back();
    const auto& beforeLast = events_.notices[events_.notices.size() - 2];
    EXPECT_EQ(beforeLast.notice, SliderNotice::ThumbPosition);
    EXPECT_EQ(beforeLast.position, 0);
    EXPECT_EQ(last.notice, SliderNotice::EndScroll);
}

TEST_F(ClassicControlsTest, SliderClickBesideThumbPagesTowardsThePointer) {
    auto* slider = Create(ControlKind::Slider, {311, 182, 100, 15}, 63);
    slider->SetSliderRange(1, 100);
    slider->SetSliderTicks(10, 10);
    slider->SetSliderPosition(50);
    Settle();
    Click(OnScreen(slider, wxPoint(90, 7)));
    ASSERT_EQ(events_.notices.size(), 2u);
    EXPECT_EQ(events_.notices[0].notice, SliderNotice::PageDown);
    EXPECT_EQ(events_.notices[0].position, 60);
    EXPECT_EQ(events_.notices[1].notice, SliderNotice::EndScroll);
    EXPECT_EQ(slider->SliderPosition(), 60);

    Click(OnScreen(slider, wxPoint(5, 7)));
    EXPECT_EQ(events_.notices[2].notice, SliderNotice::PageUp);
    EXPECT_EQ(events_.notices[2].position, 50);
}

TEST_F(ClassicControlsTest, SliderPositionIsClampedToItsRange) {
    auto* slider = Create(ControlKind::Slider, {5, 127, 558, 20}, 24);
    slider->SetSliderRange(0, 540);
    slider->SetSliderPosition(600);
    EXPECT_EQ(slider->SliderPosition(), 540);
    slider->SetSliderPosition(-3);
    EXPECT_EQ(slider->SliderPosition(), 0);
    slider->SetSliderPosition(300);
    slider->SetSliderRange(0, 100);
    EXPECT_EQ(slider->SliderPosition(), 100);
}

TEST_F(ClassicControlsTest, DisabledSliderIgnoresTheMouse) {
    auto* slider = Create(ControlKind::Slider, {311, 182, 100, 15}, 63, {}, false);
    slider->SetSliderRange(1, 100);
    slider->SetSliderPosition(100);
    Settle();
    Click(OnScreen(slider, wxPoint(10, 7)));
    EXPECT_TRUE(events_.notices.empty());
    EXPECT_EQ(slider->SliderPosition(), 100);
}

// Rows of the label that hold dark (text) pixels, as runs [first, last].
std::vector<std::pair<int, int>> InkBands(const wxImage& image) {
    std::vector<std::pair<int, int>> bands;
    bool inBand = false;
    for (int y = 0; y < image.GetHeight(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.GetWidth(); ++x) ink = ink || IsDark(image, x, y);
        if (ink && !inBand) bands.emplace_back(y, y);
        if (ink) bands.back().second = y;
        inBand = ink;
    }
    return bands;
}

TEST_F(ClassicControlsTest, LabelShowsEachLineOfItsCaption) {
    auto* label = Create(ControlKind::Label, {664, 295, 34, 28}, 73, "A=\n440Hz");
    const auto bands = InkBands(Grab(label));
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_GE(bands[0].first, 0);
    EXPECT_LE(bands[1].second, 27);  // both lines whole inside 28 pixels
    EXPECT_GT(bands[1].first, bands[0].second + 1);

    label->SetCaption("A=");
    EXPECT_EQ(InkBands(Grab(label)).size(), 1u);
}

TEST_F(ClassicControlsTest, GroupBoxLeavesItsInsideToTheWindowBehindAndDrawsItsCaption) {
    // The window paints its own content inside the frame (the program's
    // readouts); the frame must not hide it.
    client_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(client_);
        dc.SetBrush(*wxRED_BRUSH);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.DrawRectangle(0, 0, 760, 440);
    });
    client_->Refresh();
    auto* group = Create(ControlKind::GroupBox, {140, 150, 151, 57}, 20, " Mark Point ");
    auto* button = Create(ControlKind::PushButton, {148, 165, 33, 17}, 40019, "Set");
    const wxImage image = Grab(client_);
    auto isRed = [&](int x, int y) {
        return image.GetRed(x, y) == 255 && image.GetGreen(x, y) == 0 && image.GetBlue(x, y) == 0;
    };
    EXPECT_TRUE(isRed(215, 175));  // inside the frame
    EXPECT_TRUE(isRed(285, 195));
    EXPECT_FALSE(isRed(140, 180));  // the frame's left edge
    EXPECT_FALSE(isRed(200, 205));  // its bottom edge
    EXPECT_FALSE(isRed(164, 173));  // the button inside it is visible
    int captionInk = 0;
    for (int y = 150; y < 162; ++y)
        for (int x = 148; x < 210; ++x) captionInk += IsDark(image, x, y);
    EXPECT_GT(captionInk, 20);
    Click(Centre(button));
    EXPECT_EQ(events_.commands, std::vector<int>{40019});
    (void)group;
}

TEST_F(ClassicControlsTest, ProgressBarFillsInProportionToItsValue) {
    auto* bar = Create(ControlKind::ProgressBar, {655, 325, 48, 7});
    bar->SetProgressRange(0, 100);
    bar->SetProgressValue(50);
    const wxImage image = Grab(bar);
    auto isFill = [&](int x) { return image.GetBlue(x, 3) > 150 && image.GetRed(x, 3) < 100; };
    EXPECT_TRUE(isFill(3));
    EXPECT_TRUE(isFill(20));
    EXPECT_FALSE(isFill(30));
    EXPECT_FALSE(isFill(44));
}

// Every caption of the main window's layout fits its rectangle in the GUI
// font, with the room the control's decoration takes.
TEST(ClassicGuiFontTest, CaptionsOfTheLayoutFitTheirControls) {
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "fonts");
    frame->SetFont(ClassicGuiFont());
    struct Case {
        const char* text;
        int room;  // width available to the text
        int height;
    };
    const Case cases[] = {
        {" Sampling Time ", 122 - 8 - 2, 64},    {" Play Speed = 100%", 130 - 8 - 2, 57},
        {" Slow Rate = 100%", 130 - 8 - 2, 57},  {" Mark Point ", 151 - 8 - 2, 57},
        {" Pitch Shift ", 125 - 8 - 2, 57},      {" Play Volume", 117 - 8 - 2, 67},
        {"93ms(Normal)", 100 - 16, 15},          {"186ms(Precision)", 105 - 16, 15},
        {"46ms(Coarse)", 100 - 16, 15},          {"Right", 27, 15},
        {"Left", 20, 15},                        {"Tune", 25, 12},
        {"Fine", 25, 12},                        {"wave", 35, 20},
        {"midi", 35, 20},                        {"Shift 0", 40, 17},
        {"  Pitch Adj. [A]", 90, 15},            {"1        50      100", 98, 10},
        {"440Hz", 34, 14},                       {"Clear", 33 - 2, 17},
        {"Rept", 33 - 2, 17},                    {"Down", 31 - 2, 20},
        {">", 10 - 2, 20},
    };
    for (const Case& c : cases) {
        int width = 0, height = 0;
        frame->GetTextExtent(wxString::FromUTF8(c.text), &width, &height);
        EXPECT_LE(width, c.room) << c.text;
        EXPECT_LE(height, c.height + 2) << c.text;
    }
    frame->Destroy();
}

// The controls of the main window at their places, as one picture. With
// EARLOOP_GUI_SNAPSHOT=/some/file.png the picture is saved for a look.
TEST_F(ClassicControlsTest, MainWindowLayoutDrawsEveryControl) {
    struct Item {
        ControlKind kind;
        int id;
        const char* caption;
        Rect rect;
        bool enabled;
        bool checked;
        bool group;
    };
    using K = ControlKind;
    const Item items[] = {
        {K::OwnerDrawnButton, 40010, "", {567, 0, 85, 35}, false, false, false},
        {K::OwnerDrawnButton, 40011, "", {567, 37, 85, 35}, false, false, false},
        {K::OwnerDrawnButton, 40012, "", {654, 0, 85, 72}, false, false, false},
        {K::OwnerDrawnButton, 40013, "", {654, 74, 85, 35}, false, false, false},
        {K::OwnerDrawnButton, 40014, "", {567, 74, 85, 35}, false, false, false},
        {K::OwnerDrawnButton, 40015, "", {611, 111, 128, 35}, true, false, false},
        {K::OwnerDrawnButton, 40018, "", {567, 111, 42, 35}, true, false, false},
        {K::PushButton, 40024, "", {2, 301, 7, 108}, true, false, false},
        {K::PushButton, 40025, "", {610, 301, 7, 108}, true, false, false},
        {K::Slider, 24, "", {5, 127, 558, 20}, true, false, false},
        {K::GroupBox, 20, " Mark Point ", {140, 150, 151, 57}, true, false, false},
        {K::PushButton, 40019, "Set", {148, 165, 33, 17}, false, false, false},
        {K::PushButton, 40041, "Rept", {148, 186, 33, 17}, false, false, false},
        {K::PushButton, 40020, "Clear", {251, 165, 33, 17}, false, false, false},
        {K::PushButton, 40044, "Clear", {251, 186, 33, 17}, false, false, false},
        {K::GroupBox, 70, "", {620, 275, 117, 65}, true, false, false},
        {K::Label, 74, "  Pitch Adj. [A]", {630, 279, 90, 15}, true, false, false},
        {K::PushButton, 40017, "Down", {626, 298, 33, 20}, true, false, false},
        {K::PushButton, 40016, "Up", {699, 298, 33, 20}, true, false, false},
        {K::Label, 73, "A=\n440Hz", {664, 295, 34, 28}, true, false, false},
        {K::ProgressBar, 0, "", {655, 325, 48, 7}, true, false, false},
        {K::Label, 0, "Tune", {626, 322, 25, 12}, true, false, false},
        {K::Label, 0, "Fine", {707, 322, 25, 12}, true, false, false},
        {K::GroupBox, 30, " Sampling Time ", {615, 211, 122, 64}, true, false, true},
        {K::RadioButton, 31, "46ms(Coarse)", {623, 226, 100, 15}, false, false, false},
        {K::RadioButton, 32, "93ms(Normal)", {623, 241, 100, 15}, false, true, false},
        {K::RadioButton, 33, "186ms(Precision)", {623, 256, 105, 15}, false, false, false},
        {K::GroupBox, 60, " Play Volume", {620, 343, 117, 67}, true, false, true},
        {K::Label, 64, "wave", {628, 355, 35, 20}, true, false, false},
        {K::Label, 65, "midi", {628, 381, 35, 20}, true, false, false},
        {K::Slider, 61, "", {630, 365, 100, 15}, true, false, false},
        {K::Slider, 62, "", {630, 391, 100, 15}, true, false, false},
        {K::GroupBox, 80, " Pitch Shift ", {431, 150, 125, 57}, true, false, true},
        {K::PushButton, 40026, "Down", {439, 173, 31, 20}, false, false, false},
        {K::PushButton, 40028, "Up", {517, 173, 31, 20}, false, false, false},
        {K::Label, 84, "Shift 0", {476, 178, 40, 17}, false, false, false},
        {K::GroupBox, 90, "", {561, 144, 176, 65}, true, false, true},
        {K::PushButton, 40023, "+", {570, 174, 19, 15}, false, false, false},
        {K::Label, 92, "Left", {569, 158, 20, 15}, false, false, false},
        {K::Label, 93, "Right", {566, 192, 27, 15}, false, false, false},
        {K::GroupBox, 60, " Slow Rate = 100%", {296, 150, 130, 57}, true, false, true},
        {K::Label, 66, "1        50      100", {316, 168, 98, 10}, false, false, false},
        {K::Slider, 63, "", {311, 182, 100, 15}, false, false, false},
        {K::PushButton, 40021, ">", {411, 174, 10, 20}, false, false, false},
        {K::PushButton, 40022, "<", {301, 174, 10, 20}, false, false, false},
    };
    std::vector<ClassicControl*> controls;
    for (const Item& item : items)
        controls.push_back(Create(item.kind, item.rect, item.id, item.caption, item.enabled, item.checked, item.group));
    for (ClassicControl* control : controls) {
        if (control->CommandId() == 24) control->SetSliderRange(0, 540), control->SetSliderTicks(5, 0);
        if (control->CommandId() == 61 || control->CommandId() == 62)
            control->SetSliderTicks(10, 10), control->SetSliderPosition(control->CommandId() == 61 ? 80 : 35);
        if (control->CommandId() == 63)
            control->SetSliderRange(1, 100), control->SetSliderTicks(10, 10), control->SetSliderPosition(100);
        if (control->Kind() == ControlKind::ProgressBar) control->SetProgressValue(50);
    }
    FrameBuffer stop(128, 35, Rgb{236, 233, 216});
    stop.FrameRect({0, 0, 128, 35}, Rgb{0, 0, 0});
    controls[5]->SetFace(stop);

    const wxImage image = Grab(client_, wxSize(750, 430));
    if (const char* path = std::getenv("EARLOOP_GUI_SNAPSHOT")) image.SaveFile(path, wxBITMAP_TYPE_PNG);
    // Each slider shows its thumb's highlight and tick marks.
    for (ClassicControl* control : controls) {
        if (control->Kind() != ControlKind::Slider) continue;
        const wxRect r = control->GetRect();
        int ink = 0;
        for (int x = r.x; x < r.GetRight(); ++x) ink += IsDark(image, x, r.GetBottom() - 1);
        EXPECT_GT(ink, 5) << "ticks of slider " << control->CommandId();
    }
}

}  // namespace
}  // namespace earloop
