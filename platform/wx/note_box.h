#pragma once
// The Note box on wxWidgets: a modeless tool window (a frame: GTK would
// centre a dialog over its owner), always on top and owned by
// the main frame, with the drawn controls of the main window, one native check
// box and a panel that shows the staff picture. Its clicks reach
// Application::NoteBoxCommand; it carries the main window's accelerator table,
// so the program's keys work while it is active.
//
// Ownership: the dialog is a child of the owner frame; Destroy (or the
// frame's destruction) ends it. GUI thread only.

#include <wx/bitmap.h>
#include <wx/frame.h>

#include <string>
#include <vector>

#include "platform/wx/classic_controls.h"
#include "ports/note_box_port.h"


namespace earloop {

class Application;

class WxNoteBox : public NoteBoxPort, private ClassicControlEvents {
public:
    explicit WxNoteBox(wxFrame& owner);
    ~WxNoteBox() override;
    WxNoteBox(const WxNoteBox&) = delete;
    WxNoteBox& operator=(const WxNoteBox&) = delete;
    // Events reach `app` from now on.
    void Attach(Application* app) { app_ = app; }
    // The open box, for tests; null while none is open.
    wxFrame* Box() const { return dialog_; }
    wxWindow* ControlWindow(int id) const;

    Rect OwnerFrame() override;
    void Create(Rect frame, const std::string& title, const std::vector<NoteBoxControlSpec>& controls,
                const std::vector<Accelerator>& keys) override;
    void Show() override;
    void Destroy() override;
    void SetText(int id, const std::string& utf8) override;
    void Check(int id, bool checked) override;
    bool IsChecked(int id) override;
    void Enable(int id, bool enabled) override;
    void PresentPicture(const FrameBuffer& picture, Point at) override;

private:
    // ClassicControlEvents
    void OnControlCommand(int id) override;
    void OnSliderNotice(ControlHandle, SliderNotice, int) override {}
    void OnDrawItem(ControlHandle, bool) override {}

    struct Entry {
        int id;
        wxWindow* window;
    };

    wxFrame& owner_;
    Application* app_ = nullptr;
    wxFrame* dialog_ = nullptr;
    wxWindow* picturePanel_ = nullptr;
    wxBitmap picture_;  // what the picture panel shows
    std::vector<Entry> controls_;
    wxFont font_;
};

}  // namespace earloop
