#pragma once
// Which controls are enabled for each state of the program, and the
// availability flags the commands test before they act, so that a disabled
// button and its key behave alike.

#include <array>

#include "display/main_window.h"
#include "ports/window_port.h"

namespace earloop {

enum class Transport : int { Play, Stop, Pause, Keep, FastForward, Rewind, LiveInput, Count };
inline constexpr int kTransportCount = static_cast<int>(Transport::Count);

// 0: disabled, grey glyph; 1: enabled; 2: disabled but drawn pressed (latched).
enum class ButtonState : int { Off = 0, On = 1, Latched = 2 };

struct TransportButton {
    int glyph = 0;          // index into the transport glyphs
    bool latched = false;   // drawn pressed
    bool available = false; // the command acts
};

struct ControlStates {
    std::array<TransportButton, kTransportCount> transport{};
    bool pitchAdjust = false;
    bool samplingTime = false;
    bool pitchShift = false;
    bool vocalCanceller = false;
    bool markPoint = false;
    bool positionSlider = false;
    bool waveVolumeSlider = false;
    bool midiVolumeSlider = false;
    bool slowRate = false;

    const TransportButton& operator[](Transport t) const { return transport[static_cast<int>(t)]; }
};

// The transport buttons after each transport command; arguments of
// SetTransportButtons in the order play, stop, pause, keep, ff, rw, live.
using TransportRow = std::array<ButtonState, kTransportCount>;
namespace transport_row {
using B = ButtonState;
inline constexpr TransportRow kPlaying{B::Latched, B::On, B::On, B::On, B::On, B::On, B::Off};
inline constexpr TransportRow kPaused{B::On, B::On, B::Latched, B::On, B::On, B::On, B::Off};
inline constexpr TransportRow kKeeping{B::On, B::On, B::On, B::Latched, B::On, B::On, B::Off};
inline constexpr TransportRow kStoppedLoaded{B::On, B::On, B::Off, B::Off, B::Off, B::Off, B::On};
inline constexpr TransportRow kStoppedNoWave{B::Off, B::On, B::Off, B::Off, B::Off, B::Off, B::On};
inline constexpr TransportRow kLiveInput{B::Off, B::On, B::Off, B::Off, B::Off, B::Off, B::Latched};
inline constexpr TransportRow kAllOff{B::Off, B::Off, B::Off, B::Off, B::Off, B::Off, B::Off};
}  // namespace transport_row

struct TransportSpec {
    Ctl ctl;
    int enabledGlyph;
    int disabledGlyph;
    int glyphX, glyphY;  // where the glyph sits in the button
};
const TransportSpec& TransportButtonSpec(Transport t);

struct GroupEnables {
    bool pitchAdjust, samplingTime, pitchShift, vocalCanceller, markPoint;
};
struct SliderEnables {
    bool position, waveVolume, midiVolume, slowRate;
};

enum class ControlMode { Loading = 0, WaveLoaded = 1, NoWave = 2 };

class ControlSwitches {
public:
    ControlSwitches(WindowPort& window, const MainWindow& mainWindow, ControlStates& states)
        : window_(window), main_(mainWindow), states_(states) {}

    // The glyphs of the buttons as created (grey where disabled); no button
    // is available until the first SetTransportButtons.
    void ShowCreationState();
    // Arguments in the order play, stop, pause, keep, ff, rw, live.
    void SetTransportButtons(const TransportRow& states);
    void SetGroupEnables(const GroupEnables& enables);
    void SetSliderEnables(const SliderEnables& enables);
    // `stereo` matters only for WaveLoaded: the vocal canceller needs two channels.
    void SetControlMode(ControlMode mode, bool stereo = false);
    // Captions of the Sampling Time radios for the working rate.
    void ShowSamplingTimes(int rate);

private:
    void Enable(Ctl ctl, bool enabled) { window_.EnableControl(main_[ctl], enabled); }

    WindowPort& window_;
    const MainWindow& main_;
    ControlStates& states_;
};

}  // namespace earloop
