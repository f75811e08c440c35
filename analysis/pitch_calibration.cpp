#include "analysis/pitch_calibration.h"

namespace earloop {

std::optional<int> CalibrationStepsFor(int hz) {
    struct Band {
        int upTo, steps;
    };
    static constexpr Band kBands[] = {{432, -6}, {435, -5}, {438, -4}, {439, -3}, {441, -2}, {443, -1},
                                      {444, 0},  {449, 1},  {450, 2},  {455, 3},  {459, 4},  {460, 5}};
    if (hz < kLowestReferencePitch || hz > kHighestReferencePitch) return std::nullopt;
    for (const Band& band : kBands)
        if (hz <= band.upTo) return band.steps;
    return std::nullopt;
}

std::string ReferenceLabel(int referencePitch) { return "A=\n" + std::to_string(referencePitch) + "Hz"; }

std::optional<std::string> PitchAdjustLabel(int note) {
    static constexpr const char* kLabels[12] = {
        "  Pitch Adj. [C] ", "  Pitch Adj. [C#]", "  Pitch Adj. [D] ", "  Pitch Adj. [D#]",
        "  Pitch Adj. [E] ", "  Pitch Adj. [F] ", "  Pitch Adj. [F#]", "  Pitch Adj. [G] ",
        "  Pitch Adj. [G#]", "  Pitch Adj. [A] ", "  Pitch Adj. [B] ", "  Pitch Adj. [H] ",
    };
    const int pitchClass = (note <= 47 ? note : note - 12 * ((note - 36) / 12)) & 0xFF;
    if (pitchClass < 36 || pitchClass > 47) return std::nullopt;
    return kLabels[pitchClass - 36];
}

}  // namespace earloop
