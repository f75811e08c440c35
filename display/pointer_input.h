#pragma once
// Where the pointer is on the main window: the areas that answer a press, the
// keyboard key under a point, and what the window remembers of the pointer.

#include <cstdint>

#include "picture/frame_buffer.h"

namespace earloop {

// What the window remembers between pointer messages.
struct PointerState {
    Point last;             // client pixels, stored by every handler that looks at the point
    bool leftDown = false;  // a left press in the client area, until its release
    // The key under the pointer; a point on no key keeps it. 69 (A) until a
    // key is pressed, the note the MIDI output starts with.
    std::uint8_t toneNote = 69;
};

// The spectrum strip and the keyboard picture below it (all bounds strict).
bool InKeyboardArea(Point p);
// The waveform overview (all bounds strict).
bool InOverview(Point p);

// The MIDI note of the keyboard key under `p` for `analysisRange` 2 to 4
// (3: notes 36 to 95, middle C at x 250 to 265; each step up lowers the
// keyboard an octave); `previous` where `p` is on no key or on a key's edge.
std::uint8_t NoteAtPoint(Point p, int analysisRange, std::uint8_t previous);

}  // namespace earloop
