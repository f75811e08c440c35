#pragma once
// The Setting dialog: a modal dialog with a notebook of pages of the
// toolkit's own controls and the buttons OK, Cancel and "Default". The
// program describes its layout in dialog units and works its controls by
// page and id while it runs (ids repeat from page to page).

#include <string>
#include <vector>

#include "picture/frame_buffer.h"

namespace earloop {

enum class SettingPage { PlayMode, Midi, WaveFile, WaveIn, NoteBox };
inline constexpr int kSettingPageCount = 5;

struct SettingControl {
    SettingPage page;
    int id;
    friend bool operator==(SettingControl, SettingControl) = default;
};

enum class SettingControlKind {
    GroupBox,      // a frame with its caption
    Label,
    CentredLabel,
    PushButton,
    CheckBox,
    RadioButton,
    DropDownList,  // a list that only chooses
    EditableList,  // a list whose edit field also takes typed text
    ReadOnlyEdit,
};

struct SettingControlSpec {
    int id = 0;
    SettingControlKind kind = SettingControlKind::Label;
    // UTF-8. Lists and edits show none: theirs is the name the desktop's
    // accessibility tree gives them, the caption of the label beside them.
    std::string caption;
    Rect rect;  // dialog units of the page (of the dialog for its buttons)
    bool startsGroup = false;  // radios from this one up to the next such one form one group
};

struct SettingPageSpec {
    std::string tab;
    std::vector<SettingControlSpec> controls;  // in creation and Tab order
};

struct SettingDialogSpec {
    std::string title;
    int width = 0, height = 0;  // dialog units of the client area
    Rect notebook;
    std::vector<SettingControlSpec> buttons;  // ids 1 OK (the default button), 2 Cancel, and the others
    std::vector<SettingPageSpec> pages;       // in SettingPage order
};

// The open dialog as the program works it. A call that names no control of
// the right kind does nothing (or answers empty, unchecked, -1).
class SettingDialog {
public:
    virtual ~SettingDialog() = default;
    virtual void Enable(SettingControl control, bool enabled) = 0;
    // Every control of the page.
    virtual void EnablePage(SettingPage page, bool enabled) = 0;
    // A label's caption, an edit's text or the edit field of an editable list.
    virtual void SetText(SettingControl control, const std::string& utf8) = 0;
    virtual std::string Text(SettingControl control) = 0;
    // A check box, or a radio button (which unchecks the others of its
    // group; a radio cannot be unchecked by itself).
    virtual void Check(SettingControl control, bool checked) = 0;
    virtual bool IsChecked(SettingControl control) = 0;
    // A list's entries, none of them selected.
    virtual void SetEntries(SettingControl list, const std::vector<std::string>& entries) = 0;
    // Entry `entry` (-1 for none) selected; an editable list shows it in its field.
    virtual void Select(SettingControl list, int entry) = 0;
    virtual int Selection(SettingControl list) = 0;
    // Ends the modal run once the current event has been handled.
    virtual void Close() = 0;
};

// What the user does in the dialog.
class SettingEvents {
public:
    virtual ~SettingEvents() = default;
    // Before the dialog is shown: the pages fill themselves.
    virtual void Opened(SettingDialog& dialog) = 0;
    // A click on a button, check box or radio button of a page (boxes and
    // radios have already checked themselves), or a new choice in one of its lists.
    virtual void Changed(SettingDialog& dialog, SettingControl control) = 0;
    // OK (1), Cancel (2) or another of the dialog's buttons; the close box
    // and Escape press Cancel.
    virtual void ButtonPressed(SettingDialog& dialog, int id) = 0;
};

}  // namespace earloop
