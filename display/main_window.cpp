#include "display/main_window.h"

#include "ports/control_ids.h"

namespace earloop {

namespace {
using K = ControlKind;

ControlSpec Make(int id, K kind, const char* caption, Rect rect, bool enabled = true, bool checked = false,
                 bool startsGroup = false) {
    return {id, kind, caption, rect, enabled, checked, startsGroup};
}

// What a screen reader says for a control whose caption is a picture, a sign,
// nothing or a word that says little without the frame around it; `toggles`
// for a button that stays in while its mode is on.
ControlSpec Spoken(ControlSpec spec, const char* name, bool toggles = false) {
    spec.spokenName = name;
    spec.toggles = toggles;
    return spec;
}
constexpr bool kToggles = true;
}  // namespace

const std::array<ControlRow, kControlCount>& MainWindowControls() {
    namespace id = ControlId;
    static const std::array<ControlRow, kControlCount> rows = {{
        {Ctl::Play, Spoken(Make(id::Play, K::OwnerDrawnButton, "", {567, 0, 85, 35}, false), "Play", kToggles)},
        {Ctl::Pause, Spoken(Make(id::Pause, K::OwnerDrawnButton, "", {567, 37, 85, 35}, false), "Pause", kToggles)},
        {Ctl::Keep, Spoken(Make(id::Keep, K::OwnerDrawnButton, "", {654, 0, 85, 72}, false), "Keep", kToggles)},
        {Ctl::FastForward, Spoken(Make(id::FastForward, K::OwnerDrawnButton, "", {654, 74, 85, 35}, false), "Fast forward")},
        {Ctl::Rewind, Spoken(Make(id::Rewind, K::OwnerDrawnButton, "", {567, 74, 85, 35}, false), "Rewind")},
        {Ctl::Stop, Spoken(Make(id::Stop, K::OwnerDrawnButton, "", {611, 111, 128, 35}), "Stop")},
        {Ctl::LiveInput, Spoken(Make(id::LiveInput, K::OwnerDrawnButton, "", {567, 111, 42, 35}), "Live input", kToggles)},
        {Ctl::RangeDown, Spoken(Make(id::RangeDown, K::PushButton, "", {2, 301, 7, 108}), "Keyboard range down")},
        {Ctl::RangeUp, Spoken(Make(id::RangeUp, K::PushButton, "", {610, 301, 7, 108}), "Keyboard range up")},
        {Ctl::PositionSlider, Spoken(Make(id::PositionSlider, K::Slider, "", {5, 127, 558, 20}), "Position")},
        {Ctl::MarkGroup, Make(id::MarkGroup, K::GroupBox, " Mark Point ", {140, 150, 151, 57})},
        {Ctl::MarkSet, Spoken(Make(id::MarkSet, K::PushButton, "Set", {148, 165, 33, 17}, false), "Set mark")},
        {Ctl::RepeatSet, Spoken(Make(id::RepeatSet, K::PushButton, "Rept", {148, 186, 33, 17}, false), "Set repeat end")},
        {Ctl::MarkClear, Spoken(Make(id::MarkClear, K::PushButton, "Clear", {251, 165, 33, 17}, false), "Clear mark")},
        {Ctl::RepeatClear, Spoken(Make(id::RepeatClear, K::PushButton, "Clear", {251, 186, 33, 17}, false), "Clear repeat end")},
        {Ctl::PitchAdjustGroup, Spoken(Make(id::PitchAdjustGroup, K::GroupBox, "", {620, 275, 117, 65}), "Pitch adjust")},
        {Ctl::PitchAdjustLabel, Make(id::PitchAdjustLabel, K::Label, "  Pitch Adj. [A]", {630, 279, 90, 15})},
        {Ctl::PitchAdjustDown, Spoken(Make(id::PitchAdjustDown, K::PushButton, "Down", {626, 298, 33, 20}), "Pitch adjust down")},
        {Ctl::PitchAdjustUp, Spoken(Make(id::PitchAdjustUp, K::PushButton, "Up", {699, 298, 33, 20}), "Pitch adjust up")},
        {Ctl::CalibrationReadout, Make(id::CalibrationReadout, K::Label, "A=\n440Hz", {664, 295, 34, 28})},
        {Ctl::TuningMeter, Spoken(Make(0, K::ProgressBar, "", {655, 325, 48, 7}), "Tuning")},
        {Ctl::TuneLabel, Make(0, K::Label, "Tune", {626, 322, 25, 12})},
        {Ctl::FineLabel, Make(0, K::Label, "Fine", {707, 322, 25, 12})},
        {Ctl::SamplingGroup, Make(id::SamplingGroup, K::GroupBox, " Sampling Time ", {615, 211, 122, 64}, true, false, true)},
        {Ctl::SamplingCoarse, Make(id::SamplingCoarse, K::RadioButton, "", {623, 226, 100, 15}, false)},
        {Ctl::SamplingNormal, Make(id::SamplingNormal, K::RadioButton, "", {623, 241, 100, 15}, false, true)},
        {Ctl::SamplingPrecision, Make(id::SamplingPrecision, K::RadioButton, "", {623, 256, 105, 15}, false)},
        {Ctl::PlayVolumeGroup, Make(id::VolumeGroupId, K::GroupBox, " Play Volume", {620, 343, 117, 67}, true, false, true)},
        {Ctl::WaveLabel, Make(id::WaveLabel, K::Label, "wave", {628, 355, 35, 20})},
        {Ctl::MidiLabel, Make(id::MidiLabel, K::Label, "midi", {628, 381, 35, 20})},
        {Ctl::WaveVolumeSlider, Spoken(Make(id::WaveVolumeSlider, K::Slider, "", {630, 365, 100, 15}), "Wave volume")},
        {Ctl::MidiVolumeSlider, Spoken(Make(id::MidiVolumeSlider, K::Slider, "", {630, 391, 100, 15}), "MIDI volume")},
        {Ctl::PitchShiftGroup, Make(id::PitchShiftGroup, K::GroupBox, " Pitch Shift ", {431, 150, 125, 57}, true, false, true)},
        {Ctl::ShiftDown, Spoken(Make(id::ShiftDown, K::PushButton, "Down", {439, 173, 31, 20}, false), "Shift down")},
        {Ctl::ShiftUp, Spoken(Make(id::ShiftUp, K::PushButton, "Up", {517, 173, 31, 20}, false), "Shift up")},
        {Ctl::ShiftReadout, Make(id::ShiftReadout, K::Label, "Shift 0", {476, 178, 40, 17}, false)},
        {Ctl::ChannelGroup, Spoken(Make(id::ChannelGroup, K::GroupBox, "", {561, 144, 176, 65}, true, false, true), "Channels")},
        {Ctl::VocalCanceller, Spoken(Make(id::VocalCanceller, K::PushButton, "+", {570, 174, 19, 15}, false), "Vocal canceller", kToggles)},
        {Ctl::LeftLabel, Make(id::LeftLabel, K::Label, "Left", {569, 158, 20, 15}, false)},
        {Ctl::RightLabel, Make(id::RightLabel, K::Label, "Right", {566, 192, 27, 15}, false)},
        {Ctl::SlowRateGroup, Make(id::VolumeGroupId, K::GroupBox, " Slow Rate = 100%", {296, 150, 130, 57}, true, false, true)},
        {Ctl::SpeedScale, Make(id::SpeedScale, K::Label, "1        50      100", {316, 168, 98, 10}, false)},
        {Ctl::SpeedSlider, Spoken(Make(id::SpeedSlider, K::Slider, "", {311, 182, 100, 15}, false), "Slow rate")},
        {Ctl::SpeedTo100, Spoken(Make(id::SpeedTo100, K::PushButton, ">", {411, 174, 10, 20}, false), "Speed 100%")},
        {Ctl::SpeedTo1, Spoken(Make(id::SpeedTo1, K::PushButton, "<", {301, 174, 10, 20}, false), "Speed 1%")},
    }};
    return rows;
}

const std::array<SliderSetup, 4>& MainWindowSliders() {
    static const std::array<SliderSetup, 4> sliders = {{
        {Ctl::PositionSlider, 0, 540, 5, 0, 0},
        {Ctl::WaveVolumeSlider, 0, 100, 10, 10, 0},
        {Ctl::MidiVolumeSlider, 0, 100, 10, 10, 0},
        {Ctl::SpeedSlider, 1, 100, 10, 10, 100},
    }};
    return sliders;
}

}  // namespace earloop
