#include "display/main_window.h"

#include "ports/control_ids.h"

namespace earloop {

namespace {
using K = ControlKind;

ControlSpec Make(int id, K kind, const char* caption, Rect rect, bool enabled = true, bool checked = false,
                 bool startsGroup = false) {
    return {id, kind, caption, rect, enabled, checked, startsGroup};
}
}  // namespace

const std::array<ControlRow, kControlCount>& MainWindowControls() {
    namespace id = ControlId;
    static const std::array<ControlRow, kControlCount> rows = {{
        {Ctl::Play, Make(id::Play, K::OwnerDrawnButton, "", {567, 0, 85, 35}, false)},
        {Ctl::Pause, Make(id::Pause, K::OwnerDrawnButton, "", {567, 37, 85, 35}, false)},
        {Ctl::Keep, Make(id::Keep, K::OwnerDrawnButton, "", {654, 0, 85, 72}, false)},
        {Ctl::FastForward, Make(id::FastForward, K::OwnerDrawnButton, "", {654, 74, 85, 35}, false)},
        {Ctl::Rewind, Make(id::Rewind, K::OwnerDrawnButton, "", {567, 74, 85, 35}, false)},
        {Ctl::Stop, Make(id::Stop, K::OwnerDrawnButton, "", {611, 111, 128, 35})},
        {Ctl::LiveInput, Make(id::LiveInput, K::OwnerDrawnButton, "", {567, 111, 42, 35})},
        {Ctl::RangeDown, Make(id::RangeDown, K::PushButton, "", {2, 301, 7, 108})},
        {Ctl::RangeUp, Make(id::RangeUp, K::PushButton, "", {610, 301, 7, 108})},
        {Ctl::PositionSlider, Make(id::PositionSlider, K::Slider, "", {5, 127, 558, 20})},
        {Ctl::MarkGroup, Make(id::MarkGroup, K::GroupBox, " Mark Point ", {140, 150, 151, 57})},
        {Ctl::MarkSet, Make(id::MarkSet, K::PushButton, "Set", {148, 165, 33, 17}, false)},
        {Ctl::RepeatSet, Make(id::RepeatSet, K::PushButton, "Rept", {148, 186, 33, 17}, false)},
        {Ctl::MarkClear, Make(id::MarkClear, K::PushButton, "Clear", {251, 165, 33, 17}, false)},
        {Ctl::RepeatClear, Make(id::RepeatClear, K::PushButton, "Clear", {251, 186, 33, 17}, false)},
        {Ctl::PitchAdjustGroup, Make(id::PitchAdjustGroup, K::GroupBox, "", {620, 275, 117, 65})},
        {Ctl::PitchAdjustLabel, Make(id::PitchAdjustLabel, K::Label, "  Pitch Adj. [A]", {630, 279, 90, 15})},
        {Ctl::PitchAdjustDown, Make(id::PitchAdjustDown, K::PushButton, "Down", {626, 298, 33, 20})},
        {Ctl::PitchAdjustUp, Make(id::PitchAdjustUp, K::PushButton, "Up", {699, 298, 33, 20})},
        {Ctl::CalibrationReadout, Make(id::CalibrationReadout, K::Label, "A=\n440Hz", {664, 295, 34, 28})},
        {Ctl::TuningMeter, Make(0, K::ProgressBar, "", {655, 325, 48, 7})},
        {Ctl::TuneLabel, Make(0, K::Label, "Tune", {626, 322, 25, 12})},
        {Ctl::FineLabel, Make(0, K::Label, "Fine", {707, 322, 25, 12})},
        {Ctl::SamplingGroup, Make(id::SamplingGroup, K::GroupBox, " Sampling Time ", {615, 211, 122, 64}, true, false, true)},
        {Ctl::SamplingCoarse, Make(id::SamplingCoarse, K::RadioButton, "", {623, 226, 100, 15}, false)},
        {Ctl::SamplingNormal, Make(id::SamplingNormal, K::RadioButton, "", {623, 241, 100, 15}, false, true)},
        {Ctl::SamplingPrecision, Make(id::SamplingPrecision, K::RadioButton, "", {623, 256, 105, 15}, false)},
        {Ctl::PlayVolumeGroup, Make(id::VolumeGroupId, K::GroupBox, " Play Volume", {620, 343, 117, 67}, true, false, true)},
        {Ctl::WaveLabel, Make(id::WaveLabel, K::Label, "wave", {628, 355, 35, 20})},
        {Ctl::MidiLabel, Make(id::MidiLabel, K::Label, "midi", {628, 381, 35, 20})},
        {Ctl::WaveVolumeSlider, Make(id::WaveVolumeSlider, K::Slider, "", {630, 365, 100, 15})},
        {Ctl::MidiVolumeSlider, Make(id::MidiVolumeSlider, K::Slider, "", {630, 391, 100, 15})},
        {Ctl::PitchShiftGroup, Make(id::PitchShiftGroup, K::GroupBox, " Pitch Shift ", {431, 150, 125, 57}, true, false, true)},
        {Ctl::ShiftDown, Make(id::ShiftDown, K::PushButton, "Down", {439, 173, 31, 20}, false)},
        {Ctl::ShiftUp, Make(id::ShiftUp, K::PushButton, "Up", {517, 173, 31, 20}, false)},
        {Ctl::ShiftReadout, Make(id::ShiftReadout, K::Label, "Shift 0", {476, 178, 40, 17}, false)},
        {Ctl::ChannelGroup, Make(id::ChannelGroup, K::GroupBox, "", {561, 144, 176, 65}, true, false, true)},
        {Ctl::VocalCanceller, Make(id::VocalCanceller, K::PushButton, "+", {570, 174, 19, 15}, false)},
        {Ctl::LeftLabel, Make(id::LeftLabel, K::Label, "Left", {569, 158, 20, 15}, false)},
        {Ctl::RightLabel, Make(id::RightLabel, K::Label, "Right", {566, 192, 27, 15}, false)},
        {Ctl::SlowRateGroup, Make(id::VolumeGroupId, K::GroupBox, " Slow Rate = 100%", {296, 150, 130, 57}, true, false, true)},
        {Ctl::SpeedScale, Make(id::SpeedScale, K::Label, "1        50      100", {316, 168, 98, 10}, false)},
        {Ctl::SpeedSlider, Make(id::SpeedSlider, K::Slider, "", {311, 182, 100, 15}, false)},
        {Ctl::SpeedTo100, Make(id::SpeedTo100, K::PushButton, ">", {411, 174, 10, 20}, false)},
        {Ctl::SpeedTo1, Make(id::SpeedTo1, K::PushButton, "<", {301, 174, 10, 20}, false)},
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
