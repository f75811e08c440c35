#pragma once
// The main window's record: the handles of its child controls and the values
// its creation keeps for the shutdown.

#include <array>
#include <cstdint>

#include "ports/audio_ports.h"
#include "ports/window_port.h"

namespace earloop {

// The child controls in creation order. Several frames and labels share an id
// (two groups are 60, three controls are 0), so the program addresses controls
// by their place in this list.
enum class Ctl : int {
    Play, Pause, Keep, FastForward, Rewind, Stop, LiveInput, RangeDown, RangeUp,
    PositionSlider,
    MarkGroup, MarkSet, RepeatSet, MarkClear, RepeatClear,
    PitchAdjustGroup, PitchAdjustLabel, PitchAdjustDown, PitchAdjustUp, CalibrationReadout,
    TuningMeter, TuneLabel, FineLabel,
    SamplingGroup, SamplingCoarse, SamplingNormal, SamplingPrecision,
    PlayVolumeGroup, WaveLabel, MidiLabel, WaveVolumeSlider, MidiVolumeSlider,
    PitchShiftGroup, ShiftDown, ShiftUp, ShiftReadout,
    ChannelGroup, VocalCanceller, LeftLabel, RightLabel,
    SlowRateGroup, SpeedScale, SpeedSlider, SpeedTo100, SpeedTo1,
    Count
};
inline constexpr int kControlCount = static_cast<int>(Ctl::Count);

struct ControlRow {
    Ctl ctl;
    ControlSpec spec;
};

struct SliderSetup {
    Ctl ctl;
    int minimum, maximum, tickFrequency, pageSize, position;
};

// The controls of the main window, in creation order, with their client
// rectangles, captions and the state they have right after creation.
const std::array<ControlRow, kControlCount>& MainWindowControls();
// Range, ticks, page size and position each slider is given at creation.
const std::array<SliderSetup, 4>& MainWindowSliders();

// The frame is sized so that this client area (above the status bar) holds
// every control whole.
inline constexpr int kClientWidth = 744;
inline constexpr int kClientHeight = 412;

// Right edges of the status bar parts; the last part reaches the window's edge.
inline constexpr int kStatusFileEdge = 440;
inline constexpr int kStatusTimeEdgeNew = 595;
inline constexpr int kStatusTimeEdgeOld = 612;

struct MainWindow {
    std::array<ControlHandle, kControlCount> controls{};
    ControlHandle operator[](Ctl ctl) const { return controls[static_cast<int>(ctl)]; }

    // Platform version class. Layout and look details pick between 6 and the
    // old values 0 to 2; the platforms we build for all count as 6.
    int osVersionCode = 6;
    bool Old() const { return osVersionCode >= 0 && osVersionCode <= 2; }

    // Volume of output device 0 before the program changed it, given back at exit.
    PackedVolume waveOutVolumeAtStart = 0;
    bool waveOutVolumeTaken = false;
};

}  // namespace earloop
