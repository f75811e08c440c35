#pragma once
// Chord naming: the texts of the Note box's "Chord" group. The chord text
// (left of the "/") names every chord that the pitch classes of the strongest
// detected notes form, one per root that matches; the bass text (right of the
// "/") names the lowest detected note. Pure functions: the caller shows the
// texts. Only pitch classes count, not how often or in which octave they occur.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/note_detection.h"

namespace earloop {

// The chord analysis mode chosen on the Setting dialog; every run starts Simple.
enum class ChordMode {
    Simple = 0,  // C, C6, C7, Cm, Cm6, Cm7, Caug, Cdim, the fifth and two guesses
    Normal = 1,  // adds CM7, CmM7, Csus4 and C7sus4
};

// How the five black keys are spelled.
enum class AccidentalStyle {
    Sharps = 0,  // "C#", "D#", "F#", "G#", "A#"
    Flats = 1,   // "Db", "Eb", "Gb", "Ab", "Bb"
};

// Notes at or above this MIDI number are drawn and sounded but not named.
inline constexpr int kHighestNamedNote = 83;

// Ends each chord of the chord text.
inline constexpr std::string_view kChordSeparator = " \n\r";
// The chord text when no root matches.
inline constexpr std::string_view kNoChord = "   ---";

// The two-character name of a pitch class 0..11 (0 is C); natural notes have
// a leading blank (" C", "C#" or "Db").
std::string_view NoteName(int pitchClass, AccidentalStyle style);

// How often each pitch class lies above a root: intervals[i] counts the notes
// i semitones above it (modulo the octave); only zero or not matters.
using Intervals = std::array<int, 12>;

// The chord on `root` (pitch class 0..11) that the first matching rule names,
// in the Note box's spelling (" C7", " C6 = Am7", " C(m)7 ? "); nullopt when
// no rule matches.
std::optional<std::string> MatchChord(int root, const Intervals& intervals, ChordMode mode, AccidentalStyle style);

// The chord text from `midiNotes`, the detected notes strongest first: the
// first `displayCount` of them, notes above kHighestNamedNote passed over,
// then each root in pitch-class order from C whose class occurs, every chord
// found followed by kChordSeparator; kNoChord when none is found.
std::string NameChords(std::span<const int> midiNotes, int displayCount, ChordMode mode, AccidentalStyle style);

// The bass text from the lowest detected note: its name, or "( " name " )"
// when it lies off the centre of its band.
std::string NameBassNote(int midiNote, bool offCentre, AccidentalStyle style);

// The bass and chord texts of one detection, as the Note box shows them: the
// bass from the lowest note, the chord from the strongest; both stay as they
// were (nullopt) when the detection found no note.
struct ChordTexts {
    std::optional<std::string> bass;
    std::optional<std::string> chord;
};
ChordTexts NameDetectedChord(const NoteDetection& found, int displayCount, ChordMode mode, AccidentalStyle style);

}  // namespace earloop
