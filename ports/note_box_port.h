#pragma once
// The Note box: a small modeless window, always on top, owned by the main
// window. It shows the staff picture the program draws and a few controls
// addressed by their ids; its clicks come back as Application::NoteBoxCommand,
// its keys as Application::Command (it carries the main window's accelerators).

#include <string>
#include <vector>

#include "picture/frame_buffer.h"
#include "ports/window_port.h"

namespace earloop {

enum class NoteBoxControlKind { GroupBox, RadioButton, PushButton, CheckBox, Label };

struct NoteBoxControlSpec {
    int id = 0;  // reported by buttons, radios and the check box; -1 for frames and labels nobody addresses
    NoteBoxControlKind kind = NoteBoxControlKind::Label;
    std::string caption;  // UTF-8; "\n" separates the lines of a label
    Rect rect;            // client pixels of the box
    bool startsGroup = false;  // radios after this control, up to the next such control, form one group
    std::string spokenName{};  // what a screen reader says where the caption is a sign; empty: the caption
    bool toggles = false;      // a button that stays in (checked) while its mode is on
};

class NoteBoxPort {
public:
    virtual ~NoteBoxPort() = default;

    // The main window's outer rectangle in screen pixels.
    virtual Rect OwnerFrame() = 0;
    // Builds the box, hidden, with its outer rectangle `frame` in screen
    // pixels, its controls and the keys of the main window.
    virtual void Create(Rect frame, const std::string& title, const std::vector<NoteBoxControlSpec>& controls,
                        const std::vector<Accelerator>& keys) = 0;
    virtual void Show() = 0;
    // Destroys the box; safe from inside one of its own events.
    virtual void Destroy() = 0;

    // The control calls address the first control with `id`; without a box they do nothing.
    virtual void SetText(int id, const std::string& utf8) = 0;
    virtual void Check(int id, bool checked) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    // Shows `picture` at client point `at` of the box.
    virtual void PresentPicture(const FrameBuffer& picture, Point at) = 0;
};

}  // namespace earloop
