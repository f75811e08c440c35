#include "platform/wx/classic_controls.h"

#include <wx/dcbuffer.h>
#include <wx/fontenum.h>
#include <wx/image.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/wx/control_accessibles.h"
#include "platform/wx/utf8.h"

namespace earloop {

namespace {

// The classic 3D palette, in the warm tones of the window's own face colour
// (the readouts the program draws on the window use RGB(236,233,216) too).
const wxColour kFace(236, 233, 216);
const wxColour kLight(241, 239, 226);       // inner top-left bevel
const wxColour kHighlight(255, 255, 255);   // outer top-left bevel, etch highlight
const wxColour kShadow(172, 168, 153);      // inner bottom-right bevel, etch shadow
const wxColour kDarkShadow(113, 111, 100);  // outer bottom-right bevel
const wxColour kWindow(255, 255, 255);      // inside of radio indicators and channels
const wxColour kText(0, 0, 0);
const wxColour kGreyText(172, 168, 153);
const wxColour kSelection(49, 106, 197);    // progress bar chunks

// Every stroke is drawn as filled pixel-aligned rectangles: the toolkit's
// device contexts draw lines through an antialiasing renderer, which would
// blur one-pixel bevels into two half-grey ones.
void Fill(wxDC& dc, int x, int y, int w, int h, const wxColour& colour) {
    if (w <= 0 || h <= 0) return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(x, y, w, h);
}

void Pixel(wxDC& dc, int x, int y, const wxColour& colour) { Fill(dc, x, y, 1, 1, colour); }

// One-pixel outline of the rectangle, top-left edges and bottom-right edges
// in their own colours.
void Bevel(wxDC& dc, wxRect r, const wxColour& topLeft, const wxColour& bottomRight) {
    Fill(dc, r.x, r.y, r.width - 1, 1, topLeft);
    Fill(dc, r.x, r.y, 1, r.height - 1, topLeft);
    Fill(dc, r.x, r.GetBottom(), r.width, 1, bottomRight);
    Fill(dc, r.GetRight(), r.y, 1, r.height, bottomRight);
}

void RaisedEdge(wxDC& dc, wxRect r) {
    Bevel(dc, r, kHighlight, kDarkShadow);
    Bevel(dc, r.Deflate(1), kLight, kShadow);
}

void SunkenEdge(wxDC& dc, wxRect r) {
    Bevel(dc, r, kShadow, kHighlight);
    Bevel(dc, r.Deflate(1), kDarkShadow, kLight);
}

// An etched frame: a shadow outline with a highlight outline one pixel
// further down and right.
void EtchedFrame(wxDC& dc, wxRect r) {
    const wxRect shadow(r.x, r.y, r.width - 1, r.height - 1);
    const wxRect light(r.x + 1, r.y + 1, r.width - 1, r.height - 1);
    Bevel(dc, light, kHighlight, kHighlight);
    Bevel(dc, shadow, kShadow, kShadow);
}

// Text in the disabled look of classic controls: a highlight copy one pixel
// down and right under a shadow-coloured copy.
void DrawEmbossedText(wxDC& dc, const wxString& text, int x, int y) {
    dc.SetTextForeground(kHighlight);
    dc.DrawText(text, x + 1, y + 1);
    dc.SetTextForeground(kShadow);
    dc.DrawText(text, x, y);
}

// Lines of a caption: each "\n" starts a new one.
std::vector<wxString> SplitLines(const wxString& text) {
    std::vector<wxString> lines;
    wxString line;
    for (wxUniChar c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    lines.push_back(line);
    return lines;
}

// Distance between the baselines of a label's lines.
int LineStep(wxDC& dc) { return dc.GetCharHeight() + 2; }

// Mouse events on the controls that are mere decoration (labels, group
// boxes) go to the window behind them, as if the control were not there.
void ForwardMouseToParent(wxWindow* window) {
    auto forward = [window](wxMouseEvent& event) {
        wxWindow* parent = window->GetParent();
        if (!parent) return;
        wxMouseEvent copy(event);
        const wxPoint at = window->GetPosition() + event.GetPosition();
        copy.SetPosition(at);
        copy.SetEventObject(parent);
        copy.SetId(parent->GetId());
        parent->GetEventHandler()->ProcessEvent(copy);
    };
    for (const wxEventTypeTag<wxMouseEvent>& type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP,
                             wxEVT_RIGHT_DCLICK, wxEVT_MIDDLE_DOWN, wxEVT_MIDDLE_UP, wxEVT_MOTION})
        window->Bind(type, forward);
}

// ---------------------------------------------------------------------------

class PushButton : public ClassicControl {
public:
    using ClassicControl::ClassicControl;
    void Init() { EnableClicking(); }

    void Render(wxDC& dc) override {
        const wxSize size = GetClientSize();
        const wxRect all(0, 0, size.x, size.y);
        Fill(dc, 0, 0, size.x, size.y, kFace);
        if (Pressed()) {
            SunkenEdge(dc, all);
        } else {
            RaisedEdge(dc, all);
        }
        const wxString text = FromUtf8(Caption());
        if (text.empty()) return;
        dc.SetFont(GetFont());
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        wxSize extent = dc.GetTextExtent(text);
        if (extent.x > size.x - 4) {
            // A caption that would touch the bevel ("Down" in a 31-pixel
            // button) is drawn a pixel smaller.
            dc.SetFont(wxFont(wxFontInfo(wxSize(0, 10)).FaceName(GetFont().GetFaceName())));
            extent = dc.GetTextExtent(text);
        }
        int x = (size.x - extent.x) / 2;
        int y = (size.y - extent.y) / 2;
        if (Pressed()) ++x, ++y;
        dc.SetClippingRegion(1, 1, size.x - 2, size.y - 2);
        if (IsEnabled()) {
            dc.SetTextForeground(kText);
            dc.DrawText(text, x, y);
        } else {
            DrawEmbossedText(dc, text, x, y);
        }
        dc.DestroyClippingRegion();
    }

protected:
    void OnClicked() override { Events().OnControlCommand(CommandId()); }
};

// ---------------------------------------------------------------------------

class OwnerDrawnButton : public ClassicControl {
public:
    using ClassicControl::ClassicControl;
    void Init() { EnableClicking(); }

    void SetFace(const FrameBuffer& face) override {
        face_ = BitmapFromFrameBuffer(face);
        Refresh(false);
        Update();
    }

    void Render(wxDC& dc) override {
        const wxSize size = GetClientSize();
        if (face_.IsOk()) {
            // The face is drawn whole by the program, its 3D edge included;
            // anything it does not cover keeps the face colour.
            if (face_.GetWidth() < size.x || face_.GetHeight() < size.y) Fill(dc, 0, 0, size.x, size.y, kFace);
            dc.DrawBitmap(face_, 0, 0, false);
        } else {
            Fill(dc, 0, 0, size.x, size.y, kFace);
            if (Pressed()) {
                SunkenEdge(dc, wxRect(size));
            } else {
                RaisedEdge(dc, wxRect(size));
            }
        }
    }

protected:
    // The program paints the pressed and released looks itself.
    void OnPressedChanged() override {
        Events().OnDrawItem(Handle(), Pressed());
        Refresh(false);
    }
    void OnClicked() override { Events().OnControlCommand(CommandId()); }

private:
    wxBitmap face_;
};

// ---------------------------------------------------------------------------

class RadioButton : public ClassicControl {
public:
    using ClassicControl::ClassicControl;
    void Init() { EnableClicking(); }

    void Render(wxDC& dc) override {
        const wxSize size = GetClientSize();
        Fill(dc, 0, 0, size.x, size.y, kFace);
        const int top = (size.y - kIndicator) / 2;
        DrawIndicator(dc, 0, top);
        dc.SetFont(GetFont());
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        const wxString text = FromUtf8(Caption());
        const int textX = kIndicator + 4;
        const int textY = (size.y - dc.GetTextExtent(text.empty() ? wxString("X") : text).y) / 2;
        if (IsEnabled()) {
            dc.SetTextForeground(kText);
            dc.DrawText(text, textX, textY);
        } else {
            DrawEmbossedText(dc, text, textX, textY);
        }
    }

protected:
    void OnClicked() override {
        SetChecked(true);
        UncheckGroupSiblings();
        Events().OnControlCommand(CommandId());
    }

private:
    static constexpr int kIndicator = 12;

    // The classic round indicator: a sunken ring two pixels wide ('o' the
    // outer, 'i' the inner pixels) around a white disc ('w'; face-coloured
    // while pressed or disabled), with a dot in the middle when checked.
    void DrawIndicator(wxDC& dc, int left, int top) {
        static const char* const kShape[kIndicator] = {
            "....oooo....", "..ooiiiioo..", ".oiiwwwwiio.", ".oiwwwwwwio.", "oiwwwwwwwwio", "oiwwwwwwwwio",
            "oiwwwwwwwwio", "oiwwwwwwwwio", ".oiwwwwwwio.", ".oiiwwwwiio.", "..ooiiiioo..", "....oooo....",
        };
        const wxColour inside = (Pressed() || !IsEnabled()) ? kFace : kWindow;
        for (int y = 0; y < kIndicator; ++y) {
            for (int x = 0; x < kIndicator; ++x) {
                const bool upperLeft = x + y < kIndicator - 1;
                switch (kShape[y][x]) {
                    case 'o': Pixel(dc, left + x, top + y, upperLeft ? kShadow : kHighlight); break;
                    case 'i': Pixel(dc, left + x, top + y, upperLeft ? kDarkShadow : kLight); break;
                    case 'w': Pixel(dc, left + x, top + y, inside); break;
                    default: break;
                }
            }
        }
        if (!IsChecked()) return;
        const wxColour dot = IsEnabled() ? kText : kShadow;
        Fill(dc, left + 5, top + 4, 2, 4, dot);
        Fill(dc, left + 4, top + 5, 4, 2, dot);
    }

    // Unchecks the other radios of this one's group: the radios from the
    // closest control at or before this one that starts a group, up to the
    // next control that starts one, among the children of the same parent.
    void UncheckGroupSiblings() {
        wxWindow* parent = GetParent();
        if (!parent) return;
        std::vector<ClassicControl*> controls;
        for (wxWindow* child : parent->GetChildren())
            if (auto* control = dynamic_cast<ClassicControl*>(child)) controls.push_back(control);
        const auto self = std::find(controls.begin(), controls.end(), this);
        if (self == controls.end()) return;
        auto first = self;
        while (first != controls.begin() && !(*first)->StartsGroup()) --first;
        for (auto it = first; it != controls.end(); ++it) {
            if (it != first && (*it)->StartsGroup()) break;
            if (*it != this && (*it)->Kind() == ControlKind::RadioButton) (*it)->SetChecked(false);
        }
    }
};

// ---------------------------------------------------------------------------

class Label : public ClassicControl {
public:
    using ClassicControl::ClassicControl;
    void Init() { ForwardMouseToParent(this); }

    void Render(wxDC& dc) override {
        const wxSize size = GetClientSize();
        Fill(dc, 0, 0, size.x, size.y, kFace);
        dc.SetFont(GetFont());
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(IsEnabled() ? kText : kGreyText);
        int y = 0;
        for (const wxString& line : SplitLines(FromUtf8(Caption()))) {
            dc.DrawText(line, 0, y);
            y += LineStep(dc);
        }
    }
};

// ---------------------------------------------------------------------------

class ProgressBar : public ClassicControl {
public:
    using ClassicControl::ClassicControl;

    void SetProgressRange(int minimum, int maximum) override {
        minimum_ = minimum;
        maximum_ = maximum;
        SetProgressValue(value_);
    }
    void SetProgressValue(int value) override {
        value_ = std::clamp(value, minimum_, std::max(minimum_, maximum_));
        Refresh(false);
        AnnounceValue(*this);
    }
    std::optional<Gauge> Reading() const override { return Gauge{minimum_, maximum_, value_}; }

    void Render(wxDC& dc) override {
        const wxSize size = GetClientSize();
        Fill(dc, 0, 0, size.x, size.y, kFace);
        Bevel(dc, wxRect(size), kShadow, kHighlight);
        const int innerWidth = size.x - 4, innerHeight = size.y - 4;
        if (innerWidth <= 0 || innerHeight <= 0 || maximum_ <= minimum_) return;
        const int filled = static_cast<int>(static_cast<long long>(value_ - minimum_) * innerWidth /
                                            (maximum_ - minimum_));
        // Chunks two thirds as wide as the bar is high, with a gap between.
        const int chunk = std::max(2, innerHeight * 2 / 3);
        for (int x = 0; x < filled; x += chunk + 1)
            Fill(dc, 2 + x, 2, std::min(chunk, filled - x), innerHeight, kSelection);
    }

private:
    int minimum_ = 0, maximum_ = 100, value_ = 0;
};

// ---------------------------------------------------------------------------

// A horizontal trackbar with its tick marks below the channel and a thumb
// pointing down at them. Clicking beside the thumb pages towards the pointer
// (repeating while the button is held); dragging the thumb tracks it.
class Slider : public ClassicControl {
public:
    using ClassicControl::ClassicControl;
    void Init() {
        repeat_.SetOwner(this);
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) { OnRepeat(); });
        Bind(wxEVT_LEFT_DOWN, &Slider::OnDown, this);
        Bind(wxEVT_LEFT_DCLICK, &Slider::OnDown, this);
        Bind(wxEVT_MOTION, &Slider::OnMove, this);
        Bind(wxEVT_LEFT_UP, &Slider::OnUp, this);
        Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { Finish(false); });
        Bind(wxEVT_MOUSEWHEEL, &Slider::OnWheel, this);
    }

    void SetSliderRange(int minimum, int maximum) override {
        minimum_ = minimum;
        maximum_ = std::max(minimum, maximum);
        Place(position_);
    }
    void SetSliderTicks(int tickFrequency, int pageSize) override {
        tickFrequency_ = tickFrequency;
        pageSize_ = pageSize;
        Refresh(false);
    }
    void SetSliderPosition(int position) override { Place(position); }
    void MoveThumb(int position) override {
        if (!IsEnabled() || drag_ != Drag::None) return;
        Place(position);
        Notify(SliderNotice::ThumbPosition);
        Notify(SliderNotice::EndScroll);
    }
    int SliderPosition() const override { return position_; }
    std::optional<Gauge> Reading() const override { return Gauge{minimum_, maximum_, position_}; }

    void Render(wxDC& dc) override {
        const Geometry g = Layout();
        const wxSize size = GetClientSize();
        Fill(dc, 0, 0, size.x, size.y, kFace);
        // Channel: a sunken groove across the thumb's travel.
        const wxRect channel(g.left - 2, g.channelTop, g.right - g.left + 5, 4);
        Fill(dc, channel.x, channel.y, channel.width, channel.height, kWindow);
        SunkenEdge(dc, channel);
        // Tick marks at every multiple of the frequency from the minimum,
        // and always at both ends.
        const wxColour tick = kText;
        if (tickFrequency_ > 0)
            for (long long v = minimum_; v <= maximum_; v += tickFrequency_) Fill(dc, XOf(static_cast<int>(v)), g.tickTop, 1, 2, tick);
        Fill(dc, XOf(minimum_), g.tickTop, 1, 2, tick);
        Fill(dc, XOf(maximum_), g.tickTop, 1, 2, tick);
        DrawThumb(dc, g, XOf(position_));
    }

private:
    // Moves the thumb, within the range; shown at the next paint.
    void Place(int position) {
        position_ = std::clamp(position, minimum_, maximum_);
        Refresh(false);
        AnnounceValue(*this);
    }

public:

    // The thumb's centre column for a position, for tests and hit testing.
    int XOf(int position) const {
        const Geometry g = Layout();
        if (maximum_ == minimum_) return g.left;
        return g.left + static_cast<int>(std::lround(static_cast<double>(position - minimum_) * (g.right - g.left) /
                                                      (maximum_ - minimum_)));
    }

protected:
    void CancelTracking() override {
        repeat_.Stop();
        drag_ = Drag::None;
        if (HasCapture()) ReleaseMouse();
    }

private:
    struct Geometry {
        int thumbWidth, thumbTop, bodyBottom, tip, channelTop, tickTop, left, right;
    };

    // Proportions of a classic trackbar, scaled to the control's height so
    // that a 15-pixel and a 20-pixel slider both show the whole thumb and ticks.
    Geometry Layout() const {
        const wxSize size = GetClientSize();
        Geometry g{};
        g.thumbWidth = size.y >= 18 ? 11 : 9;
        g.thumbTop = 1;
        g.tip = std::max(g.thumbTop + g.thumbWidth / 2 + 2, size.y - 5);
        g.bodyBottom = g.tip - g.thumbWidth / 2;
        g.channelTop = g.thumbTop + (g.bodyBottom - g.thumbTop) / 2 - 1;
        g.tickTop = size.y - 3;
        g.left = g.thumbWidth / 2 + 3;
        g.right = std::max(g.left, size.x - 1 - g.left);
        return g;
    }

    wxRect ThumbRect() const {
        const Geometry g = Layout();
        return wxRect(XOf(position_) - g.thumbWidth / 2, g.thumbTop, g.thumbWidth, g.tip - g.thumbTop + 1);
    }

    void DrawThumb(wxDC& dc, const Geometry& g, int centre) {
        const int half = g.thumbWidth / 2;
        const int x0 = centre - half, x1 = centre + half;
        // Body and the pointed end, filled row by row.
        for (int y = g.thumbTop; y <= g.tip; ++y) {
            const int inset = y <= g.bodyBottom ? 0 : y - g.bodyBottom;
            for (int x = x0 + inset; x <= x1 - inset; ++x) {
                // A disabled thumb is dithered, as classic trackbars show it.
                const bool dither = !IsEnabled() && ((x + y) & 1);
                Pixel(dc, x, y, dither ? kHighlight : kFace);
            }
        }
        // Edges: highlight on the top and left, shadows on the right and the
        // right-hand slope of the point.
        Fill(dc, x0, g.thumbTop, x1 - x0, 1, kHighlight);
        Fill(dc, x0, g.thumbTop, 1, g.bodyBottom - g.thumbTop + 1, kHighlight);
        Fill(dc, x1, g.thumbTop, 1, g.bodyBottom - g.thumbTop + 1, kDarkShadow);
        Fill(dc, x1 - 1, g.thumbTop + 1, 1, g.bodyBottom - g.thumbTop, kShadow);
        for (int i = 1; i <= half; ++i) {
            Pixel(dc, x0 + i, g.bodyBottom + i, kHighlight);
            Pixel(dc, x1 - i, g.bodyBottom + i, kDarkShadow);
            if (i < half) Pixel(dc, x1 - i - 1, g.bodyBottom + i, kShadow);
        }
    }

    int PositionAt(int x) const {
        const Geometry g = Layout();
        if (g.right == g.left) return minimum_;
        const double v = minimum_ + static_cast<double>(x - g.left) * (maximum_ - minimum_) / (g.right - g.left);
        return std::clamp(static_cast<int>(std::lround(v)), minimum_, maximum_);
    }

    void Notify(SliderNotice notice) { Events().OnSliderNotice(Handle(), notice, position_); }

    void OnDown(wxMouseEvent& event) {
        if (!IsEnabled() || drag_ != Drag::None) return;
        CaptureMouse();
        mouseX_ = event.GetX();
        const wxRect thumb = ThumbRect();
        if (thumb.Contains(event.GetPosition())) {
            drag_ = Drag::Thumb;
            grab_ = event.GetX() - XOf(position_);
            return;
        }
        drag_ = Drag::Paging;
        pageDirection_ = event.GetX() < XOf(position_) ? -1 : 1;
        Page();
        repeat_.StartOnce(400);
    }

    void OnMove(wxMouseEvent& event) {
        mouseX_ = event.GetX();
        if (drag_ != Drag::Thumb) return;
        const int position = PositionAt(event.GetX() - grab_);
        if (position == position_) return;
        Place(position);
        Update();
        Notify(SliderNotice::ThumbTrack);
    }

    void OnUp(wxMouseEvent&) {
        if (drag_ == Drag::None) return;
        Finish(true);
    }

    // Ends a drag or a paging press with the notices a release sends.
    void Finish(bool releaseCapture) {
        const Drag drag = drag_;
        drag_ = Drag::None;
        repeat_.Stop();
        if (releaseCapture && HasCapture()) ReleaseMouse();
        if (drag == Drag::Thumb) Notify(SliderNotice::ThumbPosition);
        if (drag != Drag::None) Notify(SliderNotice::EndScroll);
    }

    // One page towards the pointer; paging stops once the thumb reaches it.
    void Page() {
        const int centre = XOf(position_);
        const int half = Layout().thumbWidth / 2;
        if (pageDirection_ < 0 ? mouseX_ >= centre - half : mouseX_ <= centre + half) return;
        Place(position_ + pageDirection_ * pageSize_);
        Update();
        Notify(pageDirection_ < 0 ? SliderNotice::PageUp : SliderNotice::PageDown);
    }

    // The wheel moves the thumb by line steps, as the arrow keys move a
    // focused trackbar (here they belong to the transport). Turned away from
    // the user it raises the value, as GTK's own sliders do.
    void OnWheel(wxMouseEvent& event) {
        if (!IsEnabled() || drag_ != Drag::None || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) return;
        const int steps = event.GetWheelRotation() / std::max(1, event.GetWheelDelta());
        for (int i = 0; i < std::abs(steps); ++i) {
            const int direction = steps > 0 ? 1 : -1;
            Place(position_ + direction * kLineSize);
            Notify(direction > 0 ? SliderNotice::LineDown : SliderNotice::LineUp);
        }
        if (steps == 0) return;
        Refresh(false);
        Notify(SliderNotice::EndScroll);
    }

    void OnRepeat() {
        if (drag_ != Drag::Paging) return;
        Page();
        if (drag_ == Drag::Paging) repeat_.StartOnce(100);
    }

    enum class Drag { None, Thumb, Paging };
    static constexpr int kLineSize = 1;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
    int tickFrequency_ = 1, pageSize_ = 20;
    Drag drag_ = Drag::None;
    int grab_ = 0;           // pointer column minus thumb centre when the drag began
    int pageDirection_ = 0;  // -1 towards the minimum, +1 towards the maximum
    int mouseX_ = 0;
    wxTimer repeat_;
};

// ---------------------------------------------------------------------------

class GroupBox;

// One strip of a group box's frame. A group box is several windows, each
// covering only a piece of the frame, so that whatever the program draws
// inside the frame, and the controls in it, stay visible.
class GroupEdge : public wxWindow {
public:
    GroupEdge(wxWindow* parent, GroupBox* owner) : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxSize(1, 1), wxBORDER_NONE), owner_(owner) {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, &GroupEdge::OnPaint, this);
        ForwardMouseToParent(this);
    }
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent&);
    wxWeakRef<GroupBox> owner_;
};

class GroupBox : public ClassicControl {
public:
    GroupBox(wxWindow* parent, const ControlSpec& spec, ControlHandle handle, ClassicControlEvents& events,
             const wxFont& font)
        : ClassicControl(parent, spec, handle, events, font), frame_(spec.rect.x, spec.rect.y, spec.rect.width, spec.rect.height) {}

    void Init() {
        ForwardMouseToParent(this);
        for (int i = 0; i < 4; ++i) edges_.emplace_back(new GroupEdge(GetParent(), this));
        Arrange();
    }

    ~GroupBox() override {
        for (auto& edge : edges_)
            if (edge) edge->Destroy();
    }

    void SetCaption(const std::string& utf8) override {
        ClassicControl::SetCaption(utf8);
        Arrange();
        for (auto& edge : edges_)
            if (edge) edge->Refresh(false);
    }

    bool Enable(bool enable) override {
        const bool changed = ClassicControl::Enable(enable);
        for (auto& edge : edges_)
            if (edge) edge->Refresh(false);
        return changed;
    }

    bool Show(bool show) override {
        const bool changed = ClassicControl::Show(show);
        Arrange();
        return changed;
    }

    void Render(wxDC& dc) override { RenderFrame(dc, frame_.GetPosition() - GetPosition()); }

    // Draws the whole frame with its top-left corner at `origin` of `dc`.
    void RenderFrame(wxDC& dc, wxPoint origin) {
        const Metrics m = Measure();
        const wxRect etched(origin.x, origin.y + m.lineOffset, frame_.width, frame_.height - m.lineOffset);
        EtchedFrame(dc, etched);
        if (m.captionWidth == 0) return;
        Fill(dc, origin.x + kCaptionIndent, origin.y, m.captionWidth, m.captionHeight, kFace);
        dc.SetFont(GetFont());
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(IsEnabled() ? kText : kGreyText);
        dc.DrawText(FromUtf8(Caption()), origin.x + kCaptionIndent, origin.y);
    }

private:
    static constexpr int kCaptionIndent = 8;

    struct Metrics {
        int captionWidth, captionHeight, lineOffset;
    };

    Metrics Measure() const {
        const wxString caption = FromUtf8(Caption());
        const int height = GetCharHeight();
        Metrics m{};
        m.captionHeight = height;
        m.captionWidth = caption.empty() ? 0 : std::min(GetTextExtent(caption).x, frame_.width - kCaptionIndent - 2);
        m.lineOffset = height / 2;
        return m;
    }

    // Places this window over the caption (or the top line when there is no
    // caption) and the strips over the rest of the frame.
    void Arrange() {
        const Metrics m = Measure();
        const int lineY = frame_.y + m.lineOffset;
        const int bottom = frame_.GetBottom() + 1;
        std::vector<wxRect> pieces;
        if (m.captionWidth > 0) {
            const int captionRight = frame_.x + kCaptionIndent + m.captionWidth;
            SetSize(frame_.x, frame_.y, captionRight - frame_.x, std::max(m.captionHeight, m.lineOffset + 2));
            pieces.emplace_back(captionRight, lineY, frame_.GetRight() + 1 - captionRight, 2);
        } else {
            SetSize(frame_.x, lineY, frame_.width, 2);
            pieces.emplace_back(0, 0, 0, 0);
        }
        pieces.emplace_back(frame_.x, lineY, 2, bottom - lineY);
        pieces.emplace_back(frame_.GetRight() - 1, lineY, 2, bottom - lineY);
        pieces.emplace_back(frame_.x, bottom - 2, frame_.width, 2);
        for (std::size_t i = 0; i < edges_.size(); ++i) {
            if (!edges_[i]) continue;
            const wxRect& piece = pieces[i];
            edges_[i]->SetSize(piece.width > 0 ? piece : wxRect(frame_.x, frame_.y, 1, 1));
            edges_[i]->Show(piece.width > 0 && IsShown());
        }
        Refresh(false);
    }

    friend class GroupEdge;
    wxRect frame_;  // the whole frame, in the parent's client pixels
    std::vector<wxWeakRef<GroupEdge>> edges_;
};

void GroupEdge::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    if (owner_) owner_->RenderFrame(dc, owner_->frame_.GetPosition() - GetPosition());
}

// The first face name installed from a list of sans-serif faces with the
// metrics of the classic GUI font; fontconfig falls back for the last.
wxString GuiFaceName() {
    for (const char* face : {"Liberation Sans", "Arial", "Nimbus Sans", "Nimbus Sans L", "FreeSans"})
        if (wxFontEnumerator::IsValidFacename(face)) return face;
    return "DejaVu Sans";
}

}  // namespace

// ---------------------------------------------------------------------------

ClassicControl::ClassicControl(wxWindow* parent, const ControlSpec& spec, ControlHandle handle,
                               ClassicControlEvents& events, const wxFont& font)
    : wxWindow(parent, wxID_ANY, wxPoint(spec.rect.x, spec.rect.y), wxSize(spec.rect.width, spec.rect.height),
               wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
      kind_(spec.kind),
      id_(spec.id),
      handle_(handle),
      startsGroup_(spec.startsGroup),
      events_(events),
      caption_(spec.caption),
      spokenName_(spec.spokenName),
      toggles_(spec.toggles),
      checked_(spec.checked) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetFont(font);
    SetBackgroundColour(kFace);
    Bind(wxEVT_PAINT, &ClassicControl::OnPaint, this);
    if (!spec.enabled) wxWindow::Enable(false);
    ExposeControl(*this);
}

ClassicControl::~ClassicControl() { ForgetControl(*this); }

void ClassicControl::SetCaption(const std::string& utf8) {
    if (utf8 == caption_) return;
    caption_ = utf8;
    Refresh(false);
    AnnounceName(*this);
}

void ClassicControl::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Refresh(false);
    AnnounceChecked(*this);
}

std::string ClassicControl::AccessibleName() const {
    return spokenName_.empty() ? SpokenText(caption_) : spokenName_;
}

void ClassicControl::Click() {
    if (IsEnabled() && IsShown()) OnClicked();
}

bool ClassicControl::Enable(bool enable) {
    if (!enable) CancelTracking();
    const bool changed = wxWindow::Enable(enable);
    if (changed) Refresh(false);
    return changed;
}

bool ClassicControl::Show(bool show) {
    if (!show) CancelTracking();
    return wxWindow::Show(show);
}

void ClassicControl::EnableClicking() {
    Bind(wxEVT_LEFT_DOWN, &ClassicControl::OnLeftDown, this);
    // A quick second click counts as another press, as on classic buttons.
    Bind(wxEVT_LEFT_DCLICK, &ClassicControl::OnLeftDown, this);
    Bind(wxEVT_MOTION, &ClassicControl::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &ClassicControl::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &ClassicControl::OnCaptureLost, this);
}

void ClassicControl::CancelTracking() {
    if (!armed_) return;
    armed_ = false;
    if (HasCapture()) ReleaseMouse();
    SetPressed(false);
}

void ClassicControl::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    Render(dc);
}

void ClassicControl::OnLeftDown(wxMouseEvent&) {
    if (!IsEnabled() || armed_) return;
    armed_ = true;
    CaptureMouse();
    SetPressed(true);
}

void ClassicControl::OnMotion(wxMouseEvent& event) {
    if (!armed_) return;
    SetPressed(wxRect(GetClientSize()).Contains(event.GetPosition()));
}

void ClassicControl::OnLeftUp(wxMouseEvent& event) {
    if (!armed_) return;
    armed_ = false;
    if (HasCapture()) ReleaseMouse();
    const bool inside = wxRect(GetClientSize()).Contains(event.GetPosition());
    SetPressed(false);
    if (inside) OnClicked();
}

void ClassicControl::OnCaptureLost(wxMouseCaptureLostEvent&) {
    armed_ = false;
    SetPressed(false);
}

void ClassicControl::SetPressed(bool pressed) {
    if (pressed == pressed_) return;
    pressed_ = pressed;
    OnPressedChanged();
}

// ---------------------------------------------------------------------------

wxFont ClassicGuiFont() {
    static const wxString face = GuiFaceName();
    // 11 pixels high: the size of the classic 8-point GUI font the layout's
    // rectangles were measured with.
    return wxFont(wxFontInfo(wxSize(0, 11)).FaceName(face));
}

wxFont ClassicDialogFont() { return wxFont(wxFontInfo(9).FaceName(ClassicGuiFont().GetFaceName())); }

wxColour ClassicFaceColour() { return kFace; }

wxBitmap BitmapFromFrameBuffer(const FrameBuffer& picture) {
    if (picture.Empty()) return wxBitmap();
    wxImage image(picture.Width(), picture.Height(), false);
    const auto& bytes = picture.Bytes();
    std::copy(bytes.begin(), bytes.end(), image.GetData());
    return wxBitmap(image, 24);
}

ClassicControl* CreateClassicControl(wxWindow* parent, const ControlSpec& spec, ControlHandle handle,
                                     ClassicControlEvents& events, const wxFont& font) {
    switch (spec.kind) {
        case ControlKind::PushButton: {
            auto* control = new PushButton(parent, spec, handle, events, font);
            control->Init();
            return control;
        }
        case ControlKind::OwnerDrawnButton: {
            auto* control = new OwnerDrawnButton(parent, spec, handle, events, font);
            control->Init();
            return control;
        }
        case ControlKind::RadioButton: {
            auto* control = new RadioButton(parent, spec, handle, events, font);
            control->Init();
            return control;
        }
        case ControlKind::GroupBox: {
            auto* control = new GroupBox(parent, spec, handle, events, font);
            control->Init();
            return control;
        }
        case ControlKind::Label: {
            auto* control = new Label(parent, spec, handle, events, font);
            control->Init();
            return control;
        }
        case ControlKind::Slider: {
            auto* control = new Slider(parent, spec, handle, events, font);
            control->Init();
            return control;
        }
        case ControlKind::ProgressBar:
            return new ProgressBar(parent, spec, handle, events, font);
    }
    return nullptr;
}

}  // namespace earloop
