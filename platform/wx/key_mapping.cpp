#include "platform/wx/key_mapping.h"

#include <wx/defs.h>

namespace earloop {

std::vector<int> KeyCodesOf(Key key) {
    switch (key) {
    case Key::Enter: return {WXK_RETURN, WXK_NUMPAD_ENTER};
    case Key::Up: return {WXK_UP};
    case Key::Down: return {WXK_DOWN};
    case Key::Left: return {WXK_LEFT};
    case Key::Right: return {WXK_RIGHT};
    case Key::Space: return {WXK_SPACE};
    case Key::PageUp: return {WXK_PAGEUP};
    case Key::PageDown: return {WXK_PAGEDOWN};
    case Key::Home: return {WXK_HOME};
    case Key::End: return {WXK_END};
    case Key::Insert: return {WXK_INSERT};
    case Key::Delete: return {WXK_DELETE};
    case Key::Numpad0: return {WXK_NUMPAD0, WXK_NUMPAD_INSERT};
    case Key::Numpad1: return {WXK_NUMPAD1, WXK_NUMPAD_END};
    case Key::Numpad2: return {WXK_NUMPAD2, WXK_NUMPAD_DOWN};
    case Key::Numpad3: return {WXK_NUMPAD3, WXK_NUMPAD_PAGEDOWN};
    case Key::Numpad4: return {WXK_NUMPAD4, WXK_NUMPAD_LEFT};
    case Key::Numpad5: return {WXK_NUMPAD5, WXK_NUMPAD_BEGIN};
    case Key::Numpad6: return {WXK_NUMPAD6, WXK_NUMPAD_RIGHT};
    case Key::Numpad7: return {WXK_NUMPAD7, WXK_NUMPAD_HOME};
    case Key::Numpad8: return {WXK_NUMPAD8, WXK_NUMPAD_UP};
    case Key::Numpad9: return {WXK_NUMPAD9, WXK_NUMPAD_PAGEUP};
    case Key::NumpadMultiply: return {WXK_NUMPAD_MULTIPLY};
    case Key::NumpadAdd: return {WXK_NUMPAD_ADD};
    case Key::NumpadSubtract: return {WXK_NUMPAD_SUBTRACT};
    case Key::NumpadDivide: return {WXK_NUMPAD_DIVIDE};
    case Key::NumpadDecimal: return {WXK_NUMPAD_DECIMAL, WXK_NUMPAD_DELETE};
    }
    return {};
}

namespace {
constexpr int kHighCommands = 40000;
constexpr int kToolkitShift = 10000;
}  // namespace

int ToolkitCommandId(int commandId) { return commandId >= kHighCommands ? commandId - kToolkitShift : commandId; }

int ProgramCommandId(int toolkitId) {
    return toolkitId >= kHighCommands - kToolkitShift && toolkitId < kHighCommands ? toolkitId + kToolkitShift : toolkitId;
}

std::vector<wxAcceleratorEntry> AcceleratorEntries(const std::vector<Accelerator>& table) {
    std::vector<wxAcceleratorEntry> entries;
    for (const Accelerator& a : table)
        for (int code : KeyCodesOf(a.key))
            entries.emplace_back(a.shift ? wxACCEL_SHIFT : wxACCEL_NORMAL, code, ToolkitCommandId(a.commandId));
    return entries;
}

}  // namespace earloop
