// The analysis as the player runs it at the play position: a tone's peak on
// the pitch scale, and the notes and chords of real instrument sounds.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "analysis/chord_naming.h"
#include "app/application.h"
#include "fakes/app_harness.h"
#include "fakes/sample_bytes.h"
#include "ports/control_ids.h"
#include "synth/gm_render.h"

namespace earloop {
namespace {

namespace cid = ControlId;

struct Listener : testing::AppHarness {
    // `samples` loaded and played for `ms`.
    Listener(const std::vector<std::int16_t>& samples, std::uint16_t channels, std::uint32_t rate, int choice, int ms) {
        EXPECT_TRUE(Start());
        Load(samples, channels, rate);
        app.Command(cid::SamplingCoarse + choice - 1);
        app.Command(cid::Play);
        for (int t = 0; t < ms; t += 100) {
            waveOut.Play(app.Samples().outputFormat.nAvgBytesPerSec / 10);
            app.Timer(kPositionTimerId);
        }
    }
    std::vector<int> Notes() const {
        std::vector<int> notes;
        for (const DetectedNote& n : app.Notes().detectedNotes) notes.push_back(n.midiNote);
        return notes;
    }
};

TEST(Analysis, A440PeaksAtItsStepAnOctaveOfStepsApartInTheOtherRanges) {
    // As a file at 44.1 kHz, which the load takes down to the working rate.
    Listener l(testing::Tone(88200, 1, 440.0, 0.0, 44100.0), 1, 44100, 3, 1000);
    const auto peak = [&] {
        const auto& levels = l.app.Spectrum().pitchLevel;
        return std::max_element(levels.begin(), levels.end()) - levels.begin();
    };
    const auto normal = peak();
    EXPECT_NEAR(normal, 332, 1);
    EXPECT_TRUE(l.Notes().empty()) << "a lone peak yields no note";
    l.app.Command(cid::RangeUp);  // the keyboard an octave higher: range 2
    EXPECT_NEAR(peak(), normal - 120, 1) << "two steps share a bin there";
    l.app.Command(cid::RangeDown);
    l.app.Command(cid::RangeDown);  // range 4
    EXPECT_EQ(peak(), normal + 120);
}

TEST(Analysis, InstrumentChordsAreNamedFromTheirNotes) {
    struct Case {
        const char* what;
        int program;
        std::vector<int> notes;
        const char* chord;  // must appear in the chord text
    };
    const Case cases[] = {
        {"piano C major", 0, {48, 52, 55, 60}, " C"},
        {"guitar A minor", 24, {45, 52, 57, 60, 64}, " Am"},
        {"strings G7", 48, {43, 47, 50, 53}, " G7"},
    };
    for (const Case& c : cases) {
        const auto sound = testing::RenderGmNotes({c.program, c.notes, 2.0});
        ASSERT_TRUE(sound) << "TimGM6mb.sf2 is missing: scripts/install-deps.sh installs it";
        Listener l(*sound, 2, 44100, 3, 800);
        std::set<int> classes;
        for (int note : l.Notes()) classes.insert(note % 12);
        for (int note : c.notes) EXPECT_TRUE(classes.count(note % 12)) << c.what << ": " << note << " not found";
        const std::vector<int> notes = l.Notes();
        const std::string chord = NameChords(notes, 5, ChordMode::Simple, AccidentalStyle::Sharps);
        EXPECT_NE(chord.find(c.chord), std::string::npos) << c.what << ": \"" << chord << "\"";
    }
}

}  // namespace
}  // namespace earloop
