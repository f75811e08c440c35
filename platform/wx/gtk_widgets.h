#pragma once
// What wxWidgets leaves to GTK on this platform, for the toolkit's own
// controls in the program's dialogs.

#include <wx/string.h>
#include <wx/window.h>

namespace earloop {

// The name the desktop's accessibility tree gives the control (its ATK
// name), for controls that show no caption of their own.
void SetAccessibleName(wxWindow& control, const wxString& name);
// The control's name in the accessibility tree.
wxString AccessibleName(wxWindow& control);

// Lets the buttons, entries, check boxes, radio buttons and tabs of `dialog`
// be as small as the rectangles its template gives them: the default theme
// sizes them for touch (a button is 34 pixels high), and GTK would cut their
// captions off inside the smaller rectangles.
void UseCompactTheme(wxWindow& dialog);

}  // namespace earloop
