#pragma once
// The drawn controls and the readouts drawn on the main window, in the
// desktop's accessibility tree. GTK hands ATK objects to screen readers and
// automation tools (through the AT-SPI bridge); wx's own accessibility layer
// is for Windows only, so the objects are made here. Every drawn control is a
// widget of its own and gets an object that tells its name, role, enabled and
// checked state and value, and clicks it on request. The readouts are pixels
// of the canvas, so they become labels among the canvas's children.
//
// The objects ask the controls only while they live; GUI thread only.

#include <wx/window.h>

#include <string>

#include "ports/window_port.h"

namespace earloop {

class ClassicControl;

// A caption or readout as a screen reader gets it: its lines joined by
// spaces, without the padding that places it.
std::string SpokenText(const std::string& utf8);

// Gives the control's widget its accessible object; called once, when the
// control is made.
void ExposeControl(ClassicControl& control);
// The control is going: its object answers nothing more about it.
void ForgetControl(ClassicControl& control);
// Tell a listening screen reader what changed.
void AnnounceName(ClassicControl& control);
void AnnounceChecked(ClassicControl& control);
void AnnounceValue(ClassicControl& control);

// A window the program draws readouts on; called once, when it is made.
void ExposeCanvas(wxWindow& canvas);
// The readout `name` of `canvas` shows `utf8` in `area` (client pixels) now.
void ShowDrawnText(wxWindow& canvas, const std::string& name, Rect area, const std::string& utf8);

}  // namespace earloop
