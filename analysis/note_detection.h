#pragma once
// Finding the strongest notes in one pitch-scale spectrum. A pure function:
// the caller stores the lists and the "Tune" gauge value, and makes the calls
// into the Note box, chord naming and MIDI sounding.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "analysis/analysis_parameters.h"
#include "analysis/spectrum.h"

namespace earloop {

// Steps of the pitch scale: tenths of a semitone over five octaves, step 0 lowest.

struct DetectedNote {
    int midiNote = 0;   // centre / 10 + 12 x (6 - analysisRange): 36 for centre 0..9 in range 3
    int offCentre = 0;  // 0 when the centre lies in the middle of its note's band (remainder 4, 5, 6), else 1
    int height = 0;     // gated level of the peak
    int centre = 0;     // pitch position, tenths of a semitone, 0..600
};

struct NoteDetection {
    // In rank order, strongest first; at most 14: of the kept peaks the last is never a note.
    std::vector<DetectedNote> detectedNotes;
    // detectedNotes by ascending centre, each centre once; centres 0 and 600 are left out.
    std::vector<DetectedNote> sortedNotes;
    // The "Tune" gauge, 0..100 (the per cent of notes in the middle of their band);
    // empty when the gauge keeps its value (exactly one peak kept).
    std::optional<int> tuneValue;
};

// Empty when the gated levels hold no peak (silence): the caller silences the
// sounding notes and keeps its lists, gauge and Note box as they are.
// `calibrationSteps` moves every centre down by that many tenths of a semitone
// (-2 when A is 440 Hz).
std::optional<NoteDetection> DetectNotes(std::span<const double, kPitchSteps> pitchLevel,
                                         const AnalysisParameters& parameters, int calibrationSteps);

}  // namespace earloop
