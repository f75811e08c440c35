#include "resources/menu_and_keys.h"

#include "ports/control_ids.h"

namespace earloop {

const std::vector<MenuSpec>& MainMenu() {
    namespace id = ControlId;
    static const std::vector<MenuSpec> menus = {
        {"File(&F)", {{"Open(&O)", id::Open, {}}, {"Record(R)", id::Record, {}},
                      {"Export(&E)...", id::Export, {}}, {}, {"Exit(&X)", id::Exit, {}}}},
        {"Options(&O)",
         {{"Setting(&S)", id::Setting, {}},
          {"Display Notes(&D)", id::DisplayNotes, {}},
          {"Full quality(&F)", id::FullQuality, {}, true},
          {},
          {"Volume Control(&V)",
           0,
           {{"Play Volume(&P)", id::PlayVolumeControl, {}}, {"Record Volume(&R)", id::RecordVolumeControl, {}}}}}},
        {"Help(&H)",
         {{"Help(&H)", id::Help, {}}, {"This Application(&T)", id::ThisApplication, {}}, {"About(&A)...", id::About, {}}}},
    };
    return menus;
}

const std::vector<Accelerator>& AcceleratorTable() {
    namespace id = ControlId;
    static const std::vector<Accelerator> table = {
        {Key::Enter, false, id::Play},
        {Key::Down, false, id::Pause},
        {Key::Up, false, id::Keep},
        {Key::Right, false, id::FastForward},
        {Key::Left, false, id::Rewind},
        {Key::Space, false, id::MarkSet},
        {Key::Space, true, id::RepeatSet},
        {Key::NumpadMultiply, false, id::MarkClear},
        {Key::NumpadMultiply, true, id::RepeatClear},
        {Key::NumpadAdd, false, id::MarkLater},
        {Key::NumpadAdd, true, id::RepeatLater},
        {Key::NumpadSubtract, false, id::MarkEarlier},
        {Key::NumpadSubtract, true, id::RepeatEarlier},
        {Key::NumpadDivide, false, id::VocalCanceller},
        {Key::NumpadDecimal, false, id::LiveInput},
        {Key::Delete, false, id::CloseNoteBox},
        {Key::Numpad0, false, id::Stop},
        {Key::Numpad1, false, id::ChooseCoarse},
        {Key::Numpad2, false, id::ChooseNormal},
        {Key::Numpad3, false, id::ChoosePrecision},
        {Key::Numpad4, false, id::PitchAdjustDown},
        {Key::Numpad5, false, id::PitchAdjustReset},
        {Key::Numpad6, false, id::PitchAdjustUp},
        {Key::Numpad7, false, id::ShiftDown},
        {Key::Numpad8, false, id::ShiftReset},
        {Key::Numpad9, false, id::ShiftUp},
        {Key::PageUp, false, id::SpeedUp10},
        {Key::PageDown, false, id::SpeedDown10},
        {Key::Home, false, id::SpeedTo100},
        {Key::End, false, id::SpeedTo1},
        {Key::Insert, false, id::OpenNoteBox},
    };
    return table;
}

}  // namespace earloop
