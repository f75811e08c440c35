#pragma once
#include <vector>

#include "ports/window_port.h"

namespace earloop {

// The main window's menu bar, in display order.
const std::vector<MenuSpec>& MainMenu();

// The keyboard shortcuts of the main window and the Note box.
const std::vector<Accelerator>& AcceleratorTable();

}  // namespace earloop
