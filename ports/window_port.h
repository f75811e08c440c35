#pragma once
// What the program asks of its main window: child controls addressed by the
// handle their creation returned, the status bar, the menu and accelerators,
// and the presentation of the client-area pictures the display code draws.

#include <string>
#include <vector>

#include "picture/frame_buffer.h"

namespace earloop {

enum class ControlKind {
    OwnerDrawnButton,  // face drawn by the program (PresentControl), reports a command
    PushButton,        // reports a command
    RadioButton,       // checks itself (unchecking its group) and reports a command
    GroupBox,          // frame with a caption; a group box may start a radio group
    Label,             // static text, possibly several lines
    Slider,            // horizontal trackbar with tick marks; reports scroll notices
    ProgressBar,
};

struct ControlSpec {
    int id = 0;  // command id reported by buttons and radios; not unique for frames and labels
    ControlKind kind = ControlKind::Label;
    std::string caption;  // UTF-8
    Rect rect;            // client pixels
    bool enabled = true;
    bool checked = false;
    bool startsGroup = false;  // radios after this control, up to the next such control, form one group
    // What a screen reader says for a control whose caption is a picture, a
    // sign, nothing or a word that needs its frame; empty: the caption.
    std::string spokenName{};
    // A button that stays in (checked) while what it starts goes on.
    bool toggles = false;
};

// Index of the control in creation order.
using ControlHandle = int;

// Scroll notices of a slider, named after the trackbar notification codes the
// program's slider handling distinguishes.
enum class SliderNotice { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom, EndScroll };

struct MenuItemSpec {
    std::string text;              // with '&' before the mnemonic; empty for a separator
    int id = 0;                    // command id; 0 for a separator or a submenu
    std::vector<MenuItemSpec> submenu;
    bool checkable = false;        // shows a check mark, set by WindowPort::CheckMenuItem
};

struct MenuSpec {
    std::string title;  // with '&' before the mnemonic
    std::vector<MenuItemSpec> items;
};

// Physical keys of the accelerator table. Numeric-keypad keys are distinct
// from the main keys, whatever the NumLock state.
enum class Key {
    Enter, Up, Down, Left, Right, Space, PageUp, PageDown, Home, End, Insert, Delete,
    Numpad0, Numpad1, Numpad2, Numpad3, Numpad4, Numpad5, Numpad6, Numpad7, Numpad8, Numpad9,
    NumpadMultiply, NumpadAdd, NumpadSubtract, NumpadDivide, NumpadDecimal,
};

struct Accelerator {
    Key key;
    bool shift;
    int commandId;
};

class WindowPort {
public:
    virtual ~WindowPort() = default;

    virtual ControlHandle CreateControl(const ControlSpec& spec) = 0;
    virtual void EnableControl(ControlHandle control, bool enabled) = 0;
    virtual void ShowControl(ControlHandle control, bool shown) = 0;
    virtual void SetControlText(ControlHandle control, const std::string& utf8) = 0;
    virtual void CheckControl(ControlHandle control, bool checked) = 0;
    virtual void SetSliderRange(ControlHandle slider, int minimum, int maximum) = 0;
    virtual void SetSliderTicks(ControlHandle slider, int tickFrequency, int pageSize) = 0;
    virtual void SetSliderPosition(ControlHandle slider, int position) = 0;
    virtual void SetProgressRange(ControlHandle bar, int minimum, int maximum) = 0;
    virtual void SetProgressValue(ControlHandle bar, int value) = 0;
    // The face of an owner-drawn button, the size of its rectangle.
    virtual void PresentControl(ControlHandle button, const FrameBuffer& face) = 0;
    // A readout the program draws into the client picture itself: `utf8` is
    // shown in `area` now. A screen reader finds it as a label described by
    // `name`, one label for each name.
    virtual void DescribeDrawnText(const std::string& name, Rect area, const std::string& utf8) = 0;

    // Right edges of the parts in client pixels; -1 reaches the window's right edge.
    virtual void CreateStatusBar(const std::vector<int>& rightEdges) = 0;
    virtual void SetStatusText(int part, const std::string& utf8) = 0;

    virtual void SetIcon(const FrameBuffer& icon) = 0;
    virtual void SetMenu(const std::vector<MenuSpec>& menus) = 0;
    // Sets or clears the check mark of a checkable menu item.
    virtual void CheckMenuItem(int commandId, bool checked) = 0;
    // False when the table could not be installed; the keys then do nothing.
    virtual bool SetAccelerators(const std::vector<Accelerator>& table) = 0;

    // Copies `area` of the client-area picture to the screen.
    virtual void Present(const FrameBuffer& client, Rect area) = 0;
    // Asks for a repaint of `area`; the toolkit answers with Application::Paint.
    virtual void Invalidate(Rect area) = 0;

    virtual void Show() = 0;
    virtual void EnableWindow(bool enabled) = 0;
    // Brings the window in front of the others and gives it the keyboard.
    virtual void Raise() = 0;
    // Files dropped on the window arrive as Application::DropFiles.
    virtual void AcceptDroppedFiles() = 0;
    // The wait cursor over the whole program while `busy`. Calls nest: the
    // previous cursor returns when every `true` has had its `false`.
    virtual void SetBusyCursor(bool busy) = 0;
    // The close request of the window frame: the window is destroyed and
    // Application::Destroy runs.
    virtual void RequestClose() = 0;
};

}  // namespace earloop
