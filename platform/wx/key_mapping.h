#pragma once
// The accelerator table in the toolkit's key codes.

#include <wx/accel.h>

#include <vector>

#include "ports/window_port.h"

namespace earloop {

// Every toolkit key code a physical key sends. A numeric-keypad key sends one
// code with NumLock on and another with it off (Numpad 0 and Insert, say);
// both stay the keypad's, distinct from the main keys.
std::vector<int> KeyCodesOf(Key key);

// The toolkit allows menu and accelerator ids only below 0x7FFF; the
// program's commands from 40000 on are moved down by 10000, where no program
// id lies, and moved back when they arrive.
int ToolkitCommandId(int commandId);
int ProgramCommandId(int toolkitId);

// One toolkit entry for each key code of each accelerator.
std::vector<wxAcceleratorEntry> AcceleratorEntries(const std::vector<Accelerator>& table);

}  // namespace earloop
