#pragma once
// Helpers of the window tests: letting the toolkit draw, and reading back
// what the screen shows.

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/window.h>

namespace earloop::testing {

// Lets the toolkit deliver what is queued (map, paint, pointer events). A nested
// event loop runs the toolkit's frame clock, which draws; a bare wxYield may not.
inline void Settle(int milliseconds = 60) {
    wxGUIEventLoop loop;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    timer.StartOnce(milliseconds);
    loop.Run();
}

// What the screen shows of a window's client area.
inline wxImage Shown(wxWindow* window) {
    const wxSize size = window->GetClientSize();
    wxClientDC screen(window);
    wxBitmap grab(size, 24);
    wxMemoryDC(grab).Blit(0, 0, size.x, size.y, &screen, 0, 0);
    return grab.ConvertToImage();
}

}  // namespace earloop::testing
