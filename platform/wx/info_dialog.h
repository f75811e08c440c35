#pragma once
// The information dialogs ("INFAPLI", "ABOUTBOX") on wxWidgets: the toolkit's
// own controls at the template's places, converted from dialog units by the
// toolkit with the program's font.

#include <wx/dialog.h>

#include "ports/dialog_port.h"

namespace earloop {

// Built and placed, not shown. `owner` is the main window, whose client area
// a template's position counts from.
wxDialog* CreateInfoDialog(wxWindow* owner, const InfoDialogTemplate& spec);

}  // namespace earloop
