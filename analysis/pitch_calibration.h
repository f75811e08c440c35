#pragma once
// The reference pitch of A that the analysis is calibrated to, and the texts
// the main window shows for it and for a keyboard note.

#include <optional>
#include <string>

namespace earloop {

// The reference pitch of A and the pitch-scale offset it gives the analysis.
struct PitchCalibration {
    int referencePitch = 440;   // Hz, 430 to 460; 440 at start and after every load
    int calibrationSteps = -2;  // tenths of a semitone added to every detected pitch, -6 to 5
};
inline constexpr int kLowestReferencePitch = 430, kHighestReferencePitch = 460, kStandardPitch = 440;

// calibrationSteps for a reference pitch; nullopt outside 430..460 Hz.
std::optional<int> CalibrationStepsFor(int referencePitch);
// The calibration readout of the main window.
std::string ReferenceLabel(int referencePitch);
// The "Pitch Adj." label for a keyboard note; nullopt leaves the label as it is.
std::optional<std::string> PitchAdjustLabel(int note);

}  // namespace earloop
