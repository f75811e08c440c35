// The drawn controls in a real window: clicks and drags go through the X
// server (XTest), and pixels are read back from the X server's screen.
// X11 headers come last: they define macros such as None and Bool.

#include "platform/wx/classic_controls.h"

#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "gui/window_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <ostream>
#include <ranges>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace earloop {

static void PrintTo(SliderNotice n, std::ostream* os) { *os << "SliderNotice " << static_cast<int>(n); }

namespace {

using K = ControlKind;
using Log = std::vector<std::string>;
using Notice = std::tuple<ControlHandle, SliderNotice, int>;  // slider, notice, position

struct Recorder : ClassicControlEvents {
    void OnControlCommand(int id) override { log.push_back("command " + std::to_string(id)); }
    void OnSliderNotice(ControlHandle s, SliderNotice n, int at) override { notices.emplace_back(s, n, at); }
    void OnDrawItem(ControlHandle b, bool pressed) override { log.push_back("draw " + std::to_string(b) + (pressed ? " pressed" : " released")); }
    Log log;
    std::vector<Notice> notices;
};

using testing::Settle;

bool IsDark(const wxImage& i, int x, int y) { return i.GetRed(x, y) + i.GetGreen(x, y) + i.GetBlue(x, y) < 3 * 128; }

// Rows of the image that hold dark (text) pixels, as runs [first, last].
std::vector<std::pair<int, int>> InkBands(const wxImage& image) {
    std::vector<std::pair<int, int>> bands;
    for (int y = 0, inBand = 0; y < image.GetHeight(); ++y) {
        const bool ink = std::ranges::any_of(std::views::iota(0, image.GetWidth()), [&](int x) { return IsDark(image, x, y); });
        if (ink && !inBand) bands.emplace_back(y, y);
        if ((inBand = ink)) bands.back().second = y;
    }
    return bands;
}

class ClassicControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame_ = new wxFrame(nullptr, wxID_ANY, "controls", wxPoint(0, 0), wxDefaultSize, wxBORDER_NONE);
        frame_->SetClientSize(760, 440);
        // The controls live on a window of their own, as in the main window (a frame stretches a sole child).
        client_ = new wxWindow(frame_, wxID_ANY, wxPoint(0, 0), wxSize(760, 440));
        frame_->Show();
        Settle(150);
    }
    void TearDown() override { frame_->Destroy(), Settle(30); }

    ClassicControl* Create(const ControlSpec& spec) {
        return CreateClassicControl(client_, spec, handles_++, events_, ClassicGuiFont());
    }

    static wxPoint At(wxWindow* control, int x, int y) { return control->ClientToScreen(wxPoint(x, y)); }
    static wxPoint Centre(wxWindow* w) { return w->ClientToScreen(wxPoint() + w->GetClientSize() / 2); }
    void MoveTo(wxPoint screen) { sim_.MouseMove(screen), Settle(30); }
    void Press() { sim_.MouseDown(), Settle(30); }
    void Release() { sim_.MouseUp(), Settle(30); }
    void Click(wxPoint screen) { MoveTo(screen), Press(), Release(); }
    // Notches of the mouse wheel over `control` (positive: away from the user).
    static void Wheel(wxWindow* control, int notches) {
        wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
        wheel.SetEventObject(control);
        wheel.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
        wheel.m_wheelDelta = 120;
        wheel.m_wheelRotation = notches * 120;
        control->GetEventHandler()->ProcessEvent(wheel);
    }

    // What the window shows now on the X server's screen, as the user sees it.
    wxImage Grab(wxWindow* window) {
        Settle(80);
        const wxPoint at = window->ClientToScreen(wxPoint(0, 0));
        wxImage image(window->GetClientSize());
        Display* display = XOpenDisplay(nullptr);
        XImage* pixels = XGetImage(display, DefaultRootWindow(display), at.x, at.y, image.GetWidth(),
                                   image.GetHeight(), AllPlanes, ZPixmap);
        for (int i = 0, w = image.GetWidth(); pixels && i < w * image.GetHeight(); ++i) {
            const unsigned long p = XGetPixel(pixels, i % w, i / w);
            image.SetRGB(i % w, i / w, (p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
        }
        if (pixels) XDestroyImage(pixels);
        XCloseDisplay(display);
        return image;
    }

    wxFrame* frame_ = nullptr;
    wxWindow* client_ = nullptr;
    Recorder events_;
    ControlHandle handles_ = 0;
    wxUIActionSimulator sim_;
};

// A window of radios in two groups beside disabled controls of every clickable kind.
TEST_F(ClassicControlsTest, ClicksReachOnlyEnabledControlsARadioUnchecksOnlyItsGroupAndFacesShowExactly) {
    Create({30, K::GroupBox, " Sampling Time ", {10, 10, 122, 64}, true, false, true});
    auto* coarse = Create({31, K::RadioButton, "46ms(Coarse)", {18, 25, 100, 15}});
    auto* normal = Create({32, K::RadioButton, "93ms(Normal)", {18, 40, 100, 15}, true, true});
    Create({40, K::GroupBox, " Other ", {10, 90, 122, 64}, true, false, true});
    auto* other = Create({41, K::RadioButton, "other", {18, 105, 100, 15}, true, true});
    auto* another = Create({42, K::RadioButton, "another", {18, 120, 100, 15}, false});
    auto* button = Create({40019, K::PushButton, "Set", {148, 165, 33, 17}, false});
    auto* drawn = Create({40010, K::OwnerDrawnButton, "", {567, 0, 85, 35}, false});
    auto* slider = Create({63, K::Slider, "", {311, 182, 100, 15}, false});
    slider->SetSliderPosition(100);
    Settle();
    const auto checked = [&] { return std::vector{coarse->IsChecked(), normal->IsChecked(), other->IsChecked(), another->IsChecked()}; };
    Click(Centre(coarse));
    EXPECT_EQ(checked(), (std::vector{true, false, true, false}));  // only its own group changes
    const std::vector<ClassicControl*> disabled{another, button, drawn, slider};
    for (ClassicControl* control : disabled) Click(Centre(control));
    EXPECT_TRUE(events_.log == Log{"command 31"} && events_.notices.empty());

    // The same clicks reach the controls once they are enabled; each group keeps one checked radio.
    for (ClassicControl* control : disabled) control->Enable(), Click(Centre(control));
    EXPECT_EQ(checked(), (std::vector{true, false, false, true}));
    EXPECT_EQ(events_.log,
              (Log{"command 31", "command 42", "command 40019", "draw 7 pressed", "draw 7 released", "command 40010"}));
    EXPECT_LT(slider->SliderPosition(), 100);

    // An owner-drawn button shows exactly the face it is given.
    FrameBuffer face(85, 35);
    for (std::size_t i = 0; i < face.Bytes().size(); ++i) face.Bytes()[i] = static_cast<std::uint8_t>(i * 37);
    drawn->SetFace(face);
    const wxImage shown = Grab(drawn);
    ASSERT_EQ(shown.GetSize(), wxSize(85, 35));
    EXPECT_TRUE(std::equal(face.Bytes().begin(), face.Bytes().end(), shown.GetData())) << "not the face's pixels";
}

// The window shows its own content inside a frame (the program's readouts);
// the frame must not hide it, nor the button inside it.
TEST_F(ClassicControlsTest, GroupBoxShowsTheWindowInsideAndItsButtonSinksWhileHeld) {
    client_->SetBackgroundColour(*wxRED);
    client_->Refresh();
    Create({20, K::GroupBox, " Mark Point ", {140, 150, 151, 57}});
    auto* button = Create({40019, K::PushButton, "Set", {148, 165, 33, 17}});
    const wxImage image = Grab(client_);
    // Red inside the frame, not on its left and bottom edges nor on the button.
    for (const auto& [x, y, red] : {std::tuple{215, 175, true}, {285, 195, true}, {140, 180, false}, {200, 205, false}, {164, 173, false}})
        EXPECT_EQ(image.GetRed(x, y) == 255 && image.GetGreen(x, y) == 0 && image.GetBlue(x, y) == 0, red) << x << "," << y;
    EXPECT_EQ(InkBands(image.GetSubImage(wxRect(148, 150, 62, 12))).size(), 1u);  // the caption's text

    // Held: a shadow at the top-left edge; raised again (white there) once the pointer leaves.
    MoveTo(Centre(button)), Press();
    EXPECT_LT(Grab(button).GetRed(0, 0), 200);
    MoveTo(At(button, 60, 10));
    EXPECT_EQ(Grab(button).GetRed(0, 0), 255);
    Release();
    EXPECT_TRUE(events_.log.empty());
    Click(Centre(button));
    EXPECT_EQ(events_.log, Log{"command 40019"});
}

TEST_F(ClassicControlsTest, SliderPagesOrTracksTheMouseWithinItsRangeAndShowsItsTicks) {
    auto* slider = Create({63, K::Slider, "", {311, 182, 100, 15}});
    slider->SetSliderRange(1, 100);
    slider->SetSliderTicks(10, 10);
    slider->SetSliderPosition(50);
    const wxImage image = Grab(slider);
    EXPECT_GT(std::ranges::count_if(std::views::iota(0, image.GetWidth()), [&](int x) { return IsDark(image, x, image.GetHeight() - 2); }), 5);

    // A click beside the thumb pages towards the pointer.
    Click(At(slider, 90, 7));
    Click(At(slider, 5, 7));
    using enum SliderNotice;
    EXPECT_EQ(events_.notices,
              (std::vector<Notice>{{0, PageDown, 60}, {0, EndScroll, 60}, {0, PageUp, 50}, {0, EndScroll, 50}}));

    // Dragging the thumb far past the right end, then back past the left end.
    events_.notices.clear();
    const wxPoint thumb = At(slider, 50, 4);
    MoveTo(thumb), Press();
    for (int dx = 0; dx <= 120; dx += 15) MoveTo(thumb + wxSize(dx, 0));
    EXPECT_EQ(slider->SliderPosition(), 100);
    for (int dx = 120; dx >= -120; dx -= 20) MoveTo(thumb + wxSize(dx, 0));
    Release();
    const std::vector<Notice>& n = events_.notices;
    ASSERT_GE(n.size(), 4u);
    EXPECT_TRUE(std::all_of(n.begin(), n.end() - 2, [](const Notice& e) { return std::get<1>(e) == ThumbTrack; }));
    // Tracked between the ends too.
    EXPECT_TRUE(std::any_of(n.begin(), n.end() - 2, [](const Notice& e) { return std::get<2>(e) > 50 && std::get<2>(e) < 100; }));
    EXPECT_EQ(std::vector(n.end() - 2, n.end()), (std::vector<Notice>{{0, ThumbPosition, 1}, {0, EndScroll, 1}}));

    // The wheel steps by lines: two notches towards the user, one away.
    events_.notices.clear();
    Wheel(slider, -2);
    Wheel(slider, 1);
    EXPECT_EQ(events_.notices, (std::vector<Notice>{{0, LineUp, 1}, {0, LineUp, 1}, {0, EndScroll, 1},
                                                    {0, LineDown, 2}, {0, EndScroll, 2}}));
    EXPECT_EQ(slider->SliderPosition(), 2);

    slider->SetSliderPosition(600);
    EXPECT_EQ(slider->SliderPosition(), 100);
    slider->SetSliderRange(1, 40);
    EXPECT_EQ(slider->SliderPosition(), 40);
}

TEST_F(ClassicControlsTest, ReadoutsShowEveryLabelLineWholeAProportionalMeterAndCaptionsFit) {
    auto* label = Create({73, K::Label, "A=\n440Hz", {664, 295, 34, 28}});
    auto* meter = Create({0, K::ProgressBar, "", {655, 325, 48, 7}});
    meter->SetProgressRange(0, 200);
    meter->SetProgressValue(100);
    const auto bands = InkBands(Grab(label));
    ASSERT_EQ(bands.size(), 2u);
    // As tall as each other and clear of the bottom edge: the second line is not clipped.
    EXPECT_NEAR(bands[1].second - bands[1].first, bands[0].second - bands[0].first, 1);
    EXPECT_LT(bands[1].second, 27);

    const wxImage shown = Grab(meter);
    for (const int x : {3, 20, 30, 44}) EXPECT_EQ(shown.GetBlue(x, 3) > 150 && shown.GetRed(x, 3) < 100, x < 24) << x;  // half full

    label->SetCaption("A=");
    EXPECT_EQ(InkBands(Grab(label)).size(), 1u);

    // Captions fit their controls in the GUI font, less the decoration (frame: 10, radio: 16, button: 2).
    client_->SetFont(ClassicGuiFont());
    const std::pair<const char*, int> cases[] = {  // caption, width available to it; the tightest of each kind
        {" Play Speed = 100%", 130 - 10}, {"186ms(Precision)", 105 - 16}, {"Right", 27}, {"Left", 20}, {"Tune", 25},
        {"1        50      100", 98}, {"440Hz", 34}, {"Clear", 33 - 2}, {"Down", 31 - 2}, {">", 10 - 2},
    };
    for (const auto& [text, room] : cases) EXPECT_LE(client_->GetTextExtent(wxString::FromUTF8(text)).x, room) << text;
    // A line of text fits the lowest caption rectangle, the 10-pixel scale under the speed slider.
    EXPECT_LE(client_->GetCharHeight(), 10 + 2);
}

}  // namespace
}  // namespace earloop
