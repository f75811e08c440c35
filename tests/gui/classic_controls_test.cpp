// The drawn controls in a real window: clicks and drags go through the X
// server (XTest), and pixels are read back from the X server's screen.
// X11 headers come last: they define macros such as None and Bool.

#include "platform/wx/classic_controls.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
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
#include <set>
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

// What a screen reader gets from the controls' accessible objects, and the
// signals that tell it of every change.
TEST_F(ClassicControlsTest, ScreenReadersReadNameRoleStatesAndValueAndHearOfChanges) {
    ControlSpec playSpec{40010, K::OwnerDrawnButton, "", {0, 0, 85, 35}, false};
    playSpec.spokenName = "Play";
    playSpec.toggles = true;
    auto* play = Create(playSpec);
    auto* group = Create({30, K::GroupBox, " Sampling Time ", {100, 0, 122, 64}, true, false, true});
    auto* coarse = Create({31, K::RadioButton, "46ms(Coarse)", {108, 15, 100, 15}});
    auto* normal = Create({32, K::RadioButton, "93ms(Normal)", {108, 30, 100, 15}, true, true});
    auto* readout = Create({73, K::Label, "A=\n440Hz", {250, 0, 34, 28}});
    ControlSpec speedSpec{63, K::Slider, "", {300, 0, 100, 15}};
    speedSpec.spokenName = "Slow rate";
    auto* speed = Create(speedSpec);
    speed->SetSliderRange(1, 100);
    speed->SetSliderPosition(100);
    Settle();
    const auto atk = [](wxWindow* w) { return gtk_widget_get_accessible(static_cast<GtkWidget*>(w->GetHandle())); };
    const auto has = [&](wxWindow* w, AtkStateType state) {
        AtkStateSet* states = atk_object_ref_state_set(atk(w));
        const bool found = atk_state_set_contains_state(states, state);
        g_object_unref(states);
        return found;
    };
    for (const auto& [control, name, role] : {std::tuple{play, "Play", ATK_ROLE_TOGGLE_BUTTON},
                                              {group, "Sampling Time", ATK_ROLE_GROUPING},
                                              {coarse, "46ms(Coarse)", ATK_ROLE_RADIO_BUTTON},
                                              {readout, "A= 440Hz", ATK_ROLE_LABEL},
                                              {speed, "Slow rate", ATK_ROLE_SLIDER}})
        EXPECT_EQ(std::tuple(std::string(atk_object_get_name(atk(control))), atk_object_get_role(atk(control))),
                  std::tuple(std::string(name), role));
    EXPECT_EQ(std::tuple(has(play, ATK_STATE_ENABLED), has(play, ATK_STATE_CHECKABLE), has(play, ATK_STATE_CHECKED)),
              std::tuple(false, true, false));
    EXPECT_TRUE(has(normal, ATK_STATE_CHECKED) && !has(coarse, ATK_STATE_CHECKED));
    EXPECT_FALSE(has(group, ATK_STATE_CHECKABLE) || ATK_IS_ACTION(atk(group)) || ATK_IS_VALUE(atk(play)));
    gdouble value = 0;
    atk_value_get_value_and_text(ATK_VALUE(atk(speed)), &value, nullptr);
    AtkRange* range = atk_value_get_range(ATK_VALUE(atk(speed)));
    EXPECT_EQ(std::tuple(value, atk_range_get_lower_limit(range), atk_range_get_upper_limit(range)), std::tuple(100.0, 1.0, 100.0));
    atk_range_free(range);

    // Each change is announced: states, names, values.
    Log heard;
    const auto listen = [&heard, &atk](wxWindow* w) {
        g_signal_connect(atk(w), "state-change", G_CALLBACK(+[](AtkObject*, gchar* state, gboolean on, gpointer log) {
                             static_cast<Log*>(log)->push_back(std::string(state) + (on ? " on" : " off"));
                         }), &heard);
        g_signal_connect(atk(w), "notify::accessible-name", G_CALLBACK(+[](GObject* o, GParamSpec*, gpointer log) {
                             static_cast<Log*>(log)->push_back(std::string("name ") + atk_object_get_name(ATK_OBJECT(o)));
                         }), &heard);
        g_signal_connect(atk(w), "notify::accessible-value", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer log) {
                             static_cast<Log*>(log)->push_back("value");
                         }), &heard);
    };
    for (wxWindow* control : {play, coarse, normal, readout, speed}) listen(control);
    play->Enable();
    play->SetChecked(true);
    readout->SetCaption("A=\n441Hz");
    speed->SetSliderPosition(50);
    EXPECT_TRUE(std::ranges::includes(std::set<std::string>(heard.begin(), heard.end()),
                                      std::set<std::string>{"enabled on", "checked on", "name A= 441Hz", "value"}))
        << ::testing::PrintToString(heard);

    // The click action works as a mouse click does, after the call has returned; not on a disabled control.
    heard.clear();
    EXPECT_TRUE(atk_action_do_action(ATK_ACTION(atk(coarse)), 0));
    EXPECT_TRUE(events_.log.empty());
    Settle();
    EXPECT_EQ(events_.log, Log{"command 31"});
    EXPECT_TRUE(has(coarse, ATK_STATE_CHECKED) && !has(normal, ATK_STATE_CHECKED));
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "checked off"), 1) << "the radio left by the click says so";
    play->Enable(false);
    EXPECT_FALSE(atk_action_do_action(ATK_ACTION(atk(play)), 0));

    // A value set moves the slider as a finished drag does.
    events_.notices.clear();
    atk_value_set_value(ATK_VALUE(atk(speed)), 40.2);
    Settle();
    EXPECT_EQ(events_.notices, (std::vector<Notice>{{5, SliderNotice::ThumbPosition, 40}, {5, SliderNotice::EndScroll, 40}}));
    for (wxWindow* control : {play, coarse, normal, readout, speed}) g_signal_handlers_disconnect_by_data(atk(control), &heard);
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
