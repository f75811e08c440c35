#pragma once
// The child controls of the main window, drawn by us in the look of classic
// 3D desktop controls at exactly the small rectangles of the window's fixed
// layout. GTK's own buttons, radios and sliders have minimum sizes larger than
// many of those rectangles (a GTK slider needs about 28 pixels of height, ours
// are 15 and 20), so these controls paint and handle the mouse themselves.
//
// None of them ever takes the keyboard focus: the main window's accelerator
// keys must keep working whatever the user clicked last.
//
// Ownership: every control is an ordinary wx child of its parent and is
// destroyed with it. The events sink passed at creation must outlive the
// controls. GUI thread only.

#include <wx/font.h>
#include <wx/window.h>

#include <optional>
#include <string>

#include "picture/frame_buffer.h"
#include "ports/window_port.h"

namespace earloop {

// What the controls report to the window that owns them. Each call is made
// from the control's mouse handler, after the control has updated its own
// state (a radio is checked, a slider's position has moved).
struct ClassicControlEvents {
    virtual ~ClassicControlEvents() = default;
    // A push button, owner-drawn button or radio was clicked (released inside).
    virtual void OnControlCommand(int id) = 0;
    // A slider moved or finished moving; `position` is its position after the move.
    virtual void OnSliderNotice(ControlHandle slider, SliderNotice notice, int position) = 0;
    // An owner-drawn button needs its face for the given pressed state; the
    // answer is a SetFace call (through the window's PresentControl).
    virtual void OnDrawItem(ControlHandle button, bool pressed) = 0;
};

// Common base of all the drawn controls. The operations that do not apply to a
// kind (a slider range on a label, say) are ignored.
class ClassicControl : public wxWindow {
public:
    ClassicControl(wxWindow* parent, const ControlSpec& spec, ControlHandle handle,
                   ClassicControlEvents& events, const wxFont& font);
    ~ClassicControl() override;

    ControlKind Kind() const { return kind_; }
    int CommandId() const { return id_; }
    ControlHandle Handle() const { return handle_; }
    // True when this control starts a radio group (it and the radios after it).
    bool StartsGroup() const { return startsGroup_; }

    // UTF-8 caption; "\n" separates the lines of a label.
    virtual void SetCaption(const std::string& utf8);
    const std::string& Caption() const { return caption_; }

    virtual void SetChecked(bool checked);
    bool IsChecked() const { return checked_; }

    // What a screen reader says for the control: its spoken name, else its
    // caption on one line.
    std::string AccessibleName() const;
    // A button that stays in (checked) while what it started goes on.
    bool Toggles() const { return toggles_; }
    // A slider's or progress bar's range and value; none for the other kinds.
    struct Gauge {
        int minimum, maximum, value;
    };
    virtual std::optional<Gauge> Reading() const { return std::nullopt; }
    // Does what a click with the mouse does; nothing while disabled or hidden.
    void Click();

    virtual void SetSliderRange(int minimum, int maximum) { (void)minimum, (void)maximum; }
    virtual void SetSliderTicks(int tickFrequency, int pageSize) { (void)tickFrequency, (void)pageSize; }
    virtual void SetSliderPosition(int position) { (void)position; }
    virtual int SliderPosition() const { return 0; }
    // Moves a slider's thumb as a finished drag does, with its notices.
    virtual void MoveThumb(int position) { (void)position; }

    virtual void SetProgressRange(int minimum, int maximum) { (void)minimum, (void)maximum; }
    virtual void SetProgressValue(int value) { (void)value; }

    // The face of an owner-drawn button, its exact pixels, the size of the button.
    virtual void SetFace(const FrameBuffer& face) { (void)face; }

    // Draws the control as it looks now; the paint handler and tests use it.
    virtual void Render(wxDC& dc) = 0;

    bool Enable(bool enable = true) override;
    bool Show(bool show = true) override;
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

protected:
    ClassicControlEvents& Events() { return events_; }
    bool Pressed() const { return pressed_; }
    // Mouse capture helpers shared by the clickable kinds: a press arms the
    // control, moves track whether the pointer is still inside, and a release
    // inside reports a click through OnClicked.
    void EnableClicking();
    virtual void OnPressedChanged() { Refresh(false); }
    virtual void OnClicked() {}
    // Ends a press or drag in progress without reporting it as a click
    // (the control was disabled or hidden, or lost the mouse capture).
    virtual void CancelTracking();

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void SetPressed(bool pressed);

    ControlKind kind_;
    int id_;
    ControlHandle handle_;
    bool startsGroup_;
    ClassicControlEvents& events_;
    std::string caption_;
    std::string spokenName_;
    bool toggles_;
    bool checked_ = false;
    bool armed_ = false;    // the left button went down on this control and is still held
    bool pressed_ = false;  // armed and the pointer is inside
};

// The font of all the controls' captions: a sans-serif face at about 11 pixels,
// the size the layout's rectangles were made for.
wxFont ClassicGuiFont();
// The font of the program's dialogs of toolkit controls: the same face at
// 9 points, the size their dialog units were laid out with.
wxFont ClassicDialogFont();

// Creates the control described by `spec` at `spec.rect` (client pixels of
// `parent`). Controls are stacked in creation order, later ones on top, so a
// group box is created before the controls inside it; a group box covers only
// its frame and caption, never the area it encloses.
ClassicControl* CreateClassicControl(wxWindow* parent, const ControlSpec& spec, ControlHandle handle,
                                     ClassicControlEvents& events, const wxFont& font);

// The face colour of the controls, also the colour of the window behind them.
wxColour ClassicFaceColour();

// A FrameBuffer (packed RGB) as a bitmap of the same size.
wxBitmap BitmapFromFrameBuffer(const FrameBuffer& picture);

}  // namespace earloop
