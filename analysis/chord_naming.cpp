#include "analysis/chord_naming.h"

#include <vector>

#include <cstddef>
#include <initializer_list>

namespace earloop {
namespace {

constexpr std::array<std::array<std::string_view, 12>, 2> noteNames = {{
    {" C", "C#", " D", "D#", " E", " F", "F#", " G", "G#", " A", "A#", " B"},
    {" C", "Db", " D", "Eb", " E", " F", "Gb", " G", "Ab", " A", "Bb", " B"},
}};

constexpr unsigned Set(std::initializer_list<int> semitones) {
    unsigned mask = 0;
    for (int s : semitones) { mask |= 1u << s; }
    return mask;
}

// A rule holds when every interval of `has` is present and none of `hasNot`.
// In `suffix`, a digit in braces stands for the name of the note that
// many semitones above the root.
struct Rule {
    bool normalOnly;
    unsigned has;
    unsigned hasNot;
    std::string_view suffix;
};

// Tried in order; the first that holds names the chord, so the richer chords
// come before the triads they contain.
constexpr Rule kRules[] = {
    {false, Set({7}), Set({1, 2, 3, 4, 5, 6, 8, 9, 10, 11}), "5"},
    {false, Set({4, 7, 10}), 0, "7"},
    {false, Set({4, 7, 9}), 0, "6 ={9}m7"},  // with its relative minor seventh
    {true, Set({4, 7, 11}), 0, "M7"},
    {false, Set({4, 7}), 0, " "},
    {false, Set({3, 7, 10}), 0, "m7 ={3}6"},  // with its relative major sixth
    {false, Set({3, 7, 9}), 0, "m6"},
    {true, Set({3, 7, 11}), 0, "mM7"},
    {false, Set({3, 7}), Set({8}), "m"},
    {false, Set({4, 8}), Set({1, 5, 9}), "({0},{4},{8})aug"},
    {false, Set({3, 6}), Set({8, 10}), "({0},{3},{6},{9})dim"},  // the sixth is listed even when not heard
    {true, Set({5, 7, 10}), 0, "7sus4"},
    {true, Set({5, 7}), Set({2}), "sus4"},
    {false, Set({4, 10}), 0, "7 ?"},
    {false, Set({7, 10}), 0, "(m)7 ? "},
};

int PitchClass(int note) { return (note % 12 + 12) % 12; }

}  // namespace

std::string_view NoteName(int pitchClass, AccidentalStyle style) {
    return noteNames[style == AccidentalStyle::Flats][PitchClass(pitchClass)];
}

std::optional<std::string> MatchChord(int root, const Intervals& intervals, ChordMode mode, AccidentalStyle style) {
    unsigned present = 0;
    for (int i = 0; i < 12; ++i) {
        if (intervals[i] != 0) { present |= 1u << i; }
    }
    for (const Rule& rule : kRules) {
        if (rule.normalOnly && mode != ChordMode::Normal) { continue; }
        if ((present & rule.has) != rule.has || (present & rule.hasNot) != 0) { continue; }
        std::string text(NoteName(root, style));
        for (std::size_t i = 0; i < rule.suffix.size(); ++i) {
            if (rule.suffix[i] == '{') {
                text += NoteName(root + (rule.suffix[i + 1] - '0'), style);
                i += 2;
            } else {
                text += rule.suffix[i];
            }
        }
        return text;
    }
    return std::nullopt;
}

std::string NameChords(std::span<const int> midiNotes, int displayCount, ChordMode mode, AccidentalStyle style) {
    std::array<int, 12> pitchClassCount{};
    for (std::size_t i = 0; i < midiNotes.size() && int(i) < displayCount; ++i) {
        if (midiNotes[i] <= kHighestNamedNote) { ++pitchClassCount[PitchClass(midiNotes[i])]; }
    }
    std::string chordText;
    for (int root = 0; root < 12; ++root) {
        if (pitchClassCount[root] == 0) { continue; }
        Intervals intervals;
        for (int i = 0; i < 12; ++i) { intervals[i] = pitchClassCount[(root + i) % 12]; }
        if (auto chord = MatchChord(root, intervals, mode, style)) {
            chordText += *chord;
            chordText += kChordSeparator;
        }
    }
    return chordText.empty() ? std::string(kNoChord) : chordText;
}

std::string NameBassNote(int midiNote, bool offCentre, AccidentalStyle style) {
    const std::string_view name = NoteName(PitchClass(midiNote), style);
    return offCentre ? "( " + std::string(name) + " )" : std::string(name);
}

ChordTexts NameDetectedChord(const NoteDetection& found, int displayCount, ChordMode mode, AccidentalStyle style) {
    ChordTexts texts;
    if (found.detectedNotes.empty()) return texts;
    if (!found.sortedNotes.empty()) {
        const DetectedNote& lowest = found.sortedNotes.front();
        texts.bass = NameBassNote(lowest.midiNote, lowest.offCentre != 0, style);
    }
    std::vector<int> midiNotes;
    for (const DetectedNote& note : found.detectedNotes) midiNotes.push_back(note.midiNote);
    texts.chord = NameChords(midiNotes, displayCount, mode, style);
    return texts;
}

}  // namespace earloop
