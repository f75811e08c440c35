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

// Lets a button or an entry be as small as the rectangle a dialog template
// gives it: the theme's minimum height and padding are made for larger
// layouts, and GTK would cut the caption off inside the smaller rectangle.
void FitThemeToTemplate(wxWindow& control);

}  // namespace earloop
