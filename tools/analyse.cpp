#include "tools/analyse.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/chord_naming.h"
#include "analysis/note_detection.h"
#include "analysis/pitch_calibration.h"
#include "analysis/spectrum.h"
#include "tools/arguments.h"
#include "tools/console_wave.h"

namespace earloop {

namespace {

struct AnalyseRequest {
    std::string file;
    std::uint32_t everyMs = 100;
    int choice = 3;  // the Note box's choice: the longest block
    int range = 3;
    ChordMode chordMode = ChordMode::Simple;
    AccidentalStyle accidentals = AccidentalStyle::Sharps;
    int displayCount = 5;
    int referenceHz = 440;
};

std::optional<std::string> Parse(int argc, char** argv, AnalyseRequest& request) {
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            if (!request.file.empty()) return "more than one file: " + arg;
            request.file = arg;
            continue;
        }
        if (arg == "--flats") {
            request.accidentals = AccidentalStyle::Flats;
            continue;
        }
        static constexpr const char* kValued[] = {"--every", "--choice", "--range", "--chord-mode", "--notes",
                                                  "--reference"};
        if (std::find(std::begin(kValued), std::end(kValued), arg) == std::end(kValued)) return "unknown option " + arg;
        if (i + 1 >= argc) return arg + " needs a value";
        const std::string value = argv[++i];
        if (arg == "--every") {
            const auto ms = InRange(value, 1, 3600000);
            if (!ms) return "--every must be a whole number of milliseconds from 1";
            request.everyMs = static_cast<std::uint32_t>(*ms);
        } else if (arg == "--choice") {
            const auto choice = InRange(value, 1, 3);
            if (!choice) return "--choice must be 1, 2 or 3";
            request.choice = *choice;
        } else if (arg == "--range") {
            const auto range = InRange(value, 2, 4);
            if (!range) return "--range must be 2, 3 or 4";
            request.range = *range;
        } else if (arg == "--chord-mode") {
            if (value != "simple" && value != "normal") return "--chord-mode must be simple or normal";
            request.chordMode = value == "simple" ? ChordMode::Simple : ChordMode::Normal;
        } else if (arg == "--notes") {
            const auto count = InRange(value, 1, 15);
            if (!count) return "--notes must be a whole number from 1 to 15";
            request.displayCount = *count;
        } else {
            const auto hz = InRange(value, 430, 460);
            if (!hz) return "--reference must be a whole number of hertz from 430 to 460";
            request.referenceHz = *hz;
        }
    }
    if (request.file.empty()) return std::string("no file given");
    return std::nullopt;
}

// A JSON string: quotes, backslashes and control characters escaped.
std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// A Note box text without its padding and blanks: " C( C, E,G#)aug" is "C(C,E,G#)aug".
std::string Plain(std::string_view text) {
    std::string plain;
    for (char c : text)
        if (c != ' ') plain += c;
    return plain;
}

std::string PlainNoteName(int midiNote, AccidentalStyle style) {
    return Plain(NoteName(midiNote % 12, style)) + std::to_string(midiNote / 12 - 1);
}

// Each chord of a chord text once, in its order: " C6 = Am7 \n\r Am7 = C6 \n\r" is C6, Am7.
std::vector<std::string> PlainChords(std::string_view text) {
    std::vector<std::string> chords;
    for (std::size_t at = 0, end; (end = text.find(kChordSeparator, at)) != std::string_view::npos;
         at = end + kChordSeparator.size()) {
        const std::string chord = Plain(text.substr(at, end - at));
        for (std::size_t from = 0, equals; from <= chord.size(); from = equals + 1) {
            equals = std::min(chord.find('=', from), chord.size());
            std::string name = chord.substr(from, equals - from);
            if (std::find(chords.begin(), chords.end(), name) == chords.end()) chords.push_back(std::move(name));
        }
    }
    return chords;
}

// What the Note box shows; a tick that finds nothing new leaves it as it is.
struct Shown {
    std::vector<DetectedNote> notes;
    int tune = 0;
    std::string bass;
    std::string chord;
    std::string bassNote;  // plain
};

void Update(const NoteDetection& found, const AnalyseRequest& request, Shown& shown) {
    shown.notes = found.detectedNotes;
    if (found.tuneValue) shown.tune = *found.tuneValue;
    const ChordTexts texts = NameDetectedChord(found, request.displayCount, request.chordMode, request.accidentals);
    if (texts.bass) {
        shown.bass = *texts.bass;
        shown.bassNote = Plain(NoteName(found.sortedNotes.front().midiNote, request.accidentals));
    }
    if (texts.chord) shown.chord = *texts.chord;
}

// ["a", "b"] of JSON strings.
std::string JsonList(const std::vector<std::string>& texts) {
    std::string list;
    for (const std::string& text : texts) list += (list.empty() ? "" : ", ") + Json(text);
    return "[" + list + "]";
}

void Print(std::uint32_t ms, const Shown& shown, AccidentalStyle style) {
    std::string notes, offCentre;
    std::vector<std::string> names;
    for (const DetectedNote& note : shown.notes) {
        const char* comma = notes.empty() ? "" : ", ";
        notes += comma + ("[" + std::to_string(note.midiNote) + ", " + std::to_string(note.offCentre) + "]");
        // Remainders 4 to 6 of the centre are the middle of the band.
        offCentre += comma + std::to_string(note.centre % 10 - 5);
        names.push_back(PlainNoteName(note.midiNote, style));
    }
    // The Note box's texts last, the plain fields beside what they come from.
    std::printf("{\"ms\": %u, \"notes\": [%s], \"note_names\": %s, \"off_centre\": [%s], \"tune\": %d, "
                "\"bass_note\": %s, \"chords\": %s, \"bass\": %s, \"chord\": %s}\n",
                ms, notes.c_str(), JsonList(names).c_str(), offCentre.c_str(), shown.tune,
                Json(shown.bassNote).c_str(), JsonList(PlainChords(shown.chord)).c_str(), Json(shown.bass).c_str(),
                Json(shown.chord).c_str());
}

int Analyse(const AnalyseRequest& request) {
    ConsoleDialogs dialogs;
    ErrorState error;
    auto image = LoadWaveForTool(request.file, dialogs, error);
    if (!image) return RefuseFile(error);
    const std::uint32_t workBytes = PrepareSamples(*image, dialogs, true);
    const WaveFormatInfo working = WorkingFormat(image->format);
    const WaveSamples wave{std::span(image->bytes.get() + image->dataOffset, workBytes), working.nBlockAlign,
                           working.nChannels, false};

    auto state = std::make_unique<SpectrumState>();
    state->block = SetAnalysisBlock(working.nSamplesPerSec, request.choice, request.range);
    AnalysisParameters parameters;
    parameters.analysisRange = request.range;
    parameters.blockMode = request.choice;
    const int calibrationSteps = CalibrationStepsFor(request.referenceHz).value_or(0);

    Shown shown;
    const std::uint32_t totalMs = LengthMs(workBytes, working);
    for (std::uint64_t ms = 0; ms <= totalMs; ms += request.everyMs) {
        // As Play places a time at no pitch shift: whole frames.
        auto position = static_cast<std::uint32_t>(working.nAvgBytesPerSec * static_cast<double>(ms) * 0.001);
        position -= position % working.nBlockAlign;
        AnalyseWaveAt(wave, position, *state);
        if (auto found = DetectNotes(state->pitchLevel, parameters, calibrationSteps)) Update(*found, request, shown);
        Print(static_cast<std::uint32_t>(ms), shown, request.accidentals);
    }
    return 0;
}

}  // namespace

int AnalyseCommand(int argc, char** argv) {
    AnalyseRequest request;
    if (const auto reason = Parse(argc, argv, request)) return UsageError("analyse", *reason);
    return Analyse(request);
}

}  // namespace earloop
