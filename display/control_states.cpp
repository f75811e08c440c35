#include "display/control_states.h"

#include <cstdio>

namespace earloop {

namespace {
// Glyph offsets follow from the button sizes and the 25-pixel glyphs.
const std::array<TransportSpec, kTransportCount> kTransportSpecs = {{
    {Ctl::Play, 0, 14, 30, 5},
    {Ctl::Stop, 2, 15, 48, 5},
    {Ctl::Pause, 4, 16, 30, 5},
    {Ctl::Keep, 6, 17, 30, 25},
    {Ctl::FastForward, 8, 18, 30, 5},
    {Ctl::Rewind, 10, 19, 30, 5},
    {Ctl::LiveInput, 12, 20, 8, 5},
}};
}  // namespace

const TransportSpec& TransportButtonSpec(Transport t) { return kTransportSpecs[static_cast<int>(t)]; }

void ControlSwitches::ShowCreationState() {
    for (int i = 0; i < kTransportCount; ++i) {
        const TransportSpec& spec = kTransportSpecs[i];
        const bool enabled = MainWindowControls()[static_cast<int>(spec.ctl)].spec.enabled;
        states_.transport[i] = {enabled ? spec.enabledGlyph : spec.disabledGlyph, false, false};
    }
}

void ControlSwitches::SetTransportButtons(const TransportRow& states) {
    for (int i = 0; i < kTransportCount; ++i) {
        const TransportSpec& spec = kTransportSpecs[i];
        TransportButton& button = states_.transport[i];
        const ButtonState state = states[i];
        Enable(spec.ctl, state == ButtonState::On);
        // Drawn pressed: checked for those who cannot see the face.
        window_.CheckControl(main_[spec.ctl], state == ButtonState::Latched);
        button.glyph = state == ButtonState::Off ? spec.disabledGlyph : spec.enabledGlyph;
        button.latched = state == ButtonState::Latched;
        button.available = state == ButtonState::On;
    }
}

void ControlSwitches::SetGroupEnables(const GroupEnables& e) {
    states_.pitchAdjust = e.pitchAdjust;
    Enable(Ctl::PitchAdjustDown, e.pitchAdjust);
    Enable(Ctl::PitchAdjustUp, e.pitchAdjust);

    states_.samplingTime = e.samplingTime;
    for (Ctl c : {Ctl::SamplingCoarse, Ctl::SamplingNormal, Ctl::SamplingPrecision, Ctl::SamplingGroup})
        Enable(c, e.samplingTime);

    states_.pitchShift = e.pitchShift;
    for (Ctl c : {Ctl::ShiftDown, Ctl::ShiftUp, Ctl::PitchShiftGroup, Ctl::ShiftReadout}) Enable(c, e.pitchShift);

    states_.vocalCanceller = e.vocalCanceller;
    for (Ctl c : {Ctl::VocalCanceller, Ctl::LeftLabel, Ctl::RightLabel}) Enable(c, e.vocalCanceller);

    states_.markPoint = e.markPoint;
    for (Ctl c : {Ctl::MarkSet, Ctl::MarkClear, Ctl::MarkGroup}) Enable(c, e.markPoint);
}

void ControlSwitches::SetSliderEnables(const SliderEnables& e) {
    for (Ctl c : {Ctl::PositionSlider, Ctl::WaveVolumeSlider, Ctl::MidiVolumeSlider, Ctl::SpeedSlider})
        Enable(c, false);

    states_.positionSlider = e.position;
    Enable(Ctl::PositionSlider, e.position);

    states_.waveVolumeSlider = e.waveVolume;
    Enable(Ctl::WaveVolumeSlider, e.waveVolume);

    states_.midiVolumeSlider = e.midiVolume;
    Enable(Ctl::MidiVolumeSlider, e.midiVolume);
    Enable(Ctl::PlayVolumeGroup, e.midiVolume);

    states_.slowRate = e.slowRate;
    for (Ctl c : {Ctl::SpeedSlider, Ctl::SlowRateGroup, Ctl::SpeedScale, Ctl::SpeedTo100, Ctl::SpeedTo1})
        Enable(c, e.slowRate);
}

void ControlSwitches::SetControlMode(ControlMode mode, bool stereo) {
    switch (mode) {
    case ControlMode::Loading:
        SetGroupEnables({false, false, false, false, false});
        SetSliderEnables({false, false, false, false});
        break;
    case ControlMode::WaveLoaded:
        SetGroupEnables({true, true, true, stereo, true});
        SetSliderEnables({true, true, true, true});
        break;
    case ControlMode::NoWave:
        SetGroupEnables({true, true, false, false, false});
        SetSliderEnables({false, true, true, false});
        break;
    }
}

void ControlSwitches::ShowSamplingTimes(int rate) {
    // The length of 2048 frames in milliseconds, rounded.
    const int longest = (20480000 / rate + 5) / 10;
    char caption[32];
    std::snprintf(caption, sizeof caption, "%dms(Coarse)", longest / 4);
    window_.SetControlText(main_[Ctl::SamplingCoarse], caption);
    std::snprintf(caption, sizeof caption, "%dms(Normal)", longest / 2);
    window_.SetControlText(main_[Ctl::SamplingNormal], caption);
    std::snprintf(caption, sizeof caption, "%dms(Precision)", longest);
    window_.SetControlText(main_[Ctl::SamplingPrecision], caption);
}

}  // namespace earloop
