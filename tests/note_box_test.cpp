// The Note box: staff placement and drawing, the calibration table and
// labels, and the box's life over the application object.

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "analysis/pitch_calibration.h"
#include "display/note_box.h"
#include "fakes/app_harness.h"
#include "ports/control_ids.h"
#include "resources/menu_and_keys.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

constexpr auto kSharps = AccidentalStyle::Sharps;
constexpr auto kFlats = AccidentalStyle::Flats;

TEST(StaffPlacement, OctaveBlocksBandsAndSpellingsOfEachRange) {
    const struct { int centre, range; AccidentalStyle style; std::optional<StaffEntry> expected; } cases[] = {
        {0, 3, kSharps, StaffEntry{207, 9}},  {5, 3, kSharps, StaffEntry{207, 0}}, {10, 3, kSharps, StaffEntry{207, 9}},
        {11, 3, kSharps, StaffEntry{207, 10}}, {15, 3, kFlats, StaffEntry{203, 2}}, {115, 3, kSharps, StaffEntry{183, 0}},
        {119, 3, kSharps, StaffEntry{183, 9}}, {120, 3, kSharps, StaffEntry{179, 9}}, {335, 3, kSharps, StaffEntry{99, 0}},
        {332, 3, kSharps, StaffEntry{99, 9}},  {65, 3, kSharps, StaffEntry{195, 1}}, {65, 3, kFlats, StaffEntry{191, 2}},
        {5, 4, kSharps, StaffEntry{235, 0}},   {485, 4, kSharps, StaffEntry{91, 0}}, {485, 2, kSharps, StaffEntry{35, 0}},
        {5, 2, kSharps, StaffEntry{179, 0}},   {245, 2, kSharps, StaffEntry{91, 0}}, {600, 3, kSharps, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StaffPlacement(c.centre, c.range, c.style), c.expected) << c.centre << " range " << c.range;
}

TEST(Calibration, StepsOfEveryBandEdgeAndTheReadout) {
    const std::pair<int, std::optional<int>> cases[] = {
        {429, std::nullopt}, {430, -6}, {432, -6}, {433, -5}, {435, -5}, {436, -4}, {438, -4}, {439, -3},
        {440, -2}, {441, -2}, {442, -1}, {443, -1}, {444, 0}, {445, 1}, {449, 1}, {450, 2}, {451, 3},
        {455, 3}, {456, 4}, {459, 4}, {460, 5}, {461, std::nullopt},
    };
    for (const auto& [hz, steps] : cases) EXPECT_EQ(CalibrationStepsFor(hz), steps) << hz;
    EXPECT_EQ(ReferenceLabel(437), "A=\n437Hz");
}

TEST(PitchAdjustLabel, KeysFoldIntoTheOctaveFrom36) {
    const std::pair<int, std::optional<std::string>> cases[] = {
        {69, "  Pitch Adj. [A] "}, {60, "  Pitch Adj. [C] "}, {36, "  Pitch Adj. [C] "}, {46, "  Pitch Adj. [B] "},
        {47, "  Pitch Adj. [H] "}, {95, "  Pitch Adj. [H] "}, {255, "  Pitch Adj. [D#]"}, {35, std::nullopt}, {0, std::nullopt},
    };
    for (const auto& [note, label] : cases) EXPECT_EQ(PitchAdjustLabel(note), label) << note;
}

TEST(NoteBoxFrame, RightOfTheWindowOrOverItsLeftEdgeAsHighAsIt) {
    EXPECT_EQ(NoteBoxFrame({100, 50, 750, 488}, 0), (Rect{850, 50, 175, 488}));
    EXPECT_EQ(NoteBoxFrame({100, 50, 750, 488}, 1), (Rect{100, 50, 175, 488}));
    EXPECT_EQ(NoteBoxFrame({0, 0, 750, 300}, 0), (Rect{750, 0, 107, 300}));
}

// Glyph cells that each mark only their own column i of row 0, so every draw
// shows as one pixel: glyph i drawn at (x, y) colours (x + i, y).
std::vector<FrameBuffer> MarkerGlyphs() {
    std::vector<FrameBuffer> glyphs;
    for (int i = 0; i < kNoteGlyphCount; ++i) {
        glyphs.emplace_back(kNoteGlyphWidth, kNoteGlyphHeight, kTransparentColour);
        glyphs.back().SetPixel(i, 0, {static_cast<std::uint8_t>(100 + i), 1, 2});
    }
    return glyphs;
}

using Draw = std::tuple<int, int, int>;  // x, y, glyph
std::set<Draw> DrawsIn(const FrameBuffer& area) {
    std::set<Draw> draws;
    for (int y = 0; y < area.Height(); ++y)
        for (int x = 0; x < area.Width(); ++x)
            if (const Rgb p = area.Pixel(x, y); p.g == 1 && p.b == 2) draws.insert({x - (p.r - 100), y, p.r - 100});
    return draws;
}

TEST(DrawStaffNotes, LowestFirstSecondsSideBySideLedgerLinesAndEqualHeightsOnce) {
    using E = std::optional<StaffEntry>;
    const struct { std::vector<E> entries; int count; std::set<Draw> expected; } cases[] = {
        // C, D, E below the bass staff: D beside C, E back in the column.
        {{StaffEntry{199, 0}, StaffEntry{207, 0}, StaffEntry{203, 0}}, 3,
         {{70, 199, 8}, {70, 207, 8}, {70, 207, 0}, {80, 199, 8}, {80, 203, 4}, {70, 199, 0}}},
        {{StaffEntry{199, 0}, StaffEntry{207, 0}, StaffEntry{203, 0}}, 1, {{70, 199, 8}, {70, 199, 0}}},
        // Equal heights once, the first ranked; an entry off the staff is passed over.
        {{E{}, StaffEntry{150, 1}, StaffEntry{150, 0}}, 3, {{70, 150, 1}}},
        // Middle C, and a grey note above the treble staff with grey ledger lines.
        {{StaffEntry{119, 0}, StaffEntry{63, 9}}, 2, {{70, 119, 8}, {70, 119, 0}, {70, 71, 17}, {70, 63, 17}, {70, 63, 9}}},
        // A second between a sharp note and a flat one: the upper one's glyph +4.
        {{StaffEntry{100, 1}, StaffEntry{96, 11}}, 2, {{70, 100, 1}, {80, 96, 15}}},
        {{StaffEntry{235, 0}}, 5, {{70, 199, 8}, {70, 207, 8}, {70, 215, 8}, {70, 223, 8}, {70, 231, 8}, {70, 235, 0}}},
    };
    const FrameBuffer staff(kStaffWidth, kStaffHeight, {255, 255, 255});
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        FrameBuffer area;
        ClearStaffArea(area, staff);
        DrawStaffNotes(area, cases[i].entries, cases[i].count, MarkerGlyphs());
        EXPECT_EQ(DrawsIn(area), cases[i].expected) << "case " << i;
    }
}

struct Harness : testing::AppHarness {
    explicit Harness(bool midiDevice = true) {
        if (!midiDevice) midiOut.failing.insert(kMidiMapper);
        EXPECT_TRUE(Start());
    }
    std::string Text(int id) { return noteBox.Find(id) ? noteBox.Find(id)->text : "(none)"; }
    bool Enabled(int id) { return noteBox.Find(id) && noteBox.Find(id)->enabled; }
};

TEST(NoteBox, InsertOpensOneBoxBesideTheWindowAndDeleteClosesIt) {
    Harness h(false);
    h.noteBox.owner = {20, 30, 750, 488};
    h.app.Command(ControlId::DisplayNotes);
    h.app.Command(ControlId::OpenNoteBox);
    EXPECT_EQ(h.noteBox.creations, 1);
    EXPECT_TRUE(h.noteBox.shown);
    EXPECT_TRUE(h.app.NoteBox().open);
    EXPECT_EQ(h.noteBox.frame, (Rect{770, 30, 175, 488}));
    EXPECT_EQ(h.noteBox.keys.size(), AcceleratorTable().size());
    EXPECT_EQ(h.Text(NoteBoxId::ChordGroup), "Chord ( Simple mode )");
    EXPECT_EQ(h.Text(NoteBoxId::Count), "5 notes");
    EXPECT_TRUE(h.noteBox.Find(NoteBoxId::Sharps)->checked);
    // Without MIDI the sounding controls stay off.
    for (int id : {NoteBoxId::MidiGroup, NoteBoxId::PlayNotes, NoteBoxId::BaseNote}) EXPECT_FALSE(h.Enabled(id)) << id;
    // The staff is shown at once, with both staves in range 3.
    EXPECT_EQ(h.noteBox.picture.Crop({kStaffAt.x, kStaffAt.y, kStaffShownWidth, kStaffShownHeight}),
              h.app.View().Pictures().staffBoth.Crop({0, 0, kStaffShownWidth, kStaffShownHeight}));
    // The longest analysis block, kept after closing.
    EXPECT_EQ(h.app.Analysis().blockMode, 3);
    EXPECT_TRUE(h.Control(Ctl::SamplingPrecision).checked);
    EXPECT_FALSE(h.Control(Ctl::SamplingNormal).checked);

    h.app.Command(ControlId::CloseNoteBox);
    EXPECT_FALSE(h.noteBox.exists);
    EXPECT_FALSE(h.app.NoteBox().open);
    EXPECT_EQ(h.app.Analysis().blockMode, 3);
    h.app.Command(ControlId::OpenNoteBox);
    EXPECT_EQ(h.noteBox.creations, 2);
}

TEST(NoteBox, ItsControlsCountAndSpellAndItsCloseButtonsCloseIt) {
    Harness h;
    h.app.Command(ControlId::OpenNoteBox);
    for (int i = 0; i < 6; ++i) h.app.NoteBoxCommand(NoteBoxId::Fewer);
    EXPECT_EQ(h.app.NoteBox().displayCount, 1);
    EXPECT_EQ(h.Text(NoteBoxId::Count), "1 notes");
    for (int i = 0; i < 20; ++i) h.app.NoteBoxCommand(NoteBoxId::More);
    EXPECT_EQ(h.app.NoteBox().displayCount, 15);
    EXPECT_EQ(h.Text(NoteBoxId::Count), "15 notes");
    h.app.NoteBoxCommand(NoteBoxId::Flats);
    EXPECT_EQ(h.app.NoteBox().accidentalStyle, kFlats);

    for (int close : {NoteBoxId::Ok, NoteBoxId::Cancel}) {
        h.app.NoteBoxCommand(close);
        EXPECT_FALSE(h.noteBox.exists);
        EXPECT_FALSE(h.app.NoteBox().open);
        // Every opening starts again from sharps and five notes.
        h.app.Command(ControlId::OpenNoteBox);
        EXPECT_EQ(h.app.NoteBox().displayCount, 5);
        EXPECT_EQ(h.app.NoteBox().accidentalStyle, kSharps);
    }
    h.app.Destroy();
    EXPECT_FALSE(h.noteBox.exists);
}

TEST(NoteBox, TheSettingOpensItOverTheWindowsLeftEdge) {
    testing::AppHarness h;
    h.files.Add("/opt/earloop/earloop.ini", "[NOTEBOX]\nNoteBox Pos=1\n");
    ASSERT_TRUE(h.Start());
    h.noteBox.owner = {20, 30, 750, 300};
    h.app.Command(ControlId::OpenNoteBox);
    EXPECT_EQ(h.noteBox.frame, (Rect{20, 30, 107, 300}));
}

TEST(NoteBox, DetectedNotesGoOnTheStaffWithTheirBassAndChordTexts) {
    Harness h;
    NoteDetection found;  // G4, C4, E4, strongest first
    found.detectedNotes = {{67, 0, 90, 315}, {60, 0, 80, 245}, {64, 0, 70, 285}};
    found.sortedNotes = {found.detectedNotes[1], found.detectedNotes[2], found.detectedNotes[0]};
    h.app.ShowDetectedNotes(found);  // closed: only the staff places
    EXPECT_EQ(h.app.NoteBox().staff[1], (StaffEntry{119, 0}));
    EXPECT_EQ(h.noteBox.creations, 0);

    h.app.Command(ControlId::OpenNoteBox);
    h.app.ShowDetectedNotes(found);
    EXPECT_EQ(h.app.NoteBox().staff[0], (StaffEntry{103, 0}));
    EXPECT_EQ(h.app.NoteBox().staff[2], (StaffEntry{111, 0}));
    EXPECT_FALSE(h.app.NoteBox().staff[3].has_value());
    EXPECT_EQ(h.Text(NoteBoxId::BassText), NameBassNote(60, false, kSharps));
    EXPECT_EQ(h.Text(NoteBoxId::ChordText), NameChords(std::vector{67, 60, 64}, 5, ChordMode::Simple, kSharps));
    EXPECT_NE(h.Text(NoteBoxId::ChordText), std::string(kNoChord));
    EXPECT_NE(h.noteBox.picture.Crop({kStaffAt.x, kStaffAt.y, kStaffShownWidth, kStaffShownHeight}),
              h.app.View().Pictures().staffBoth.Crop({0, 0, kStaffShownWidth, kStaffShownHeight}));
    // A new staff blanks the texts before its notes are named.
    h.app.ClearStaff();
    EXPECT_EQ(h.Text(NoteBoxId::BassText), " ");
}

TEST(NoteBox, WhileOpenALoadAndAStopChooseTheLongestBlockAndALoadTakesABackTo440) {
    Harness h;
    h.app.Command(ControlId::OpenNoteBox);
    h.app.Command(ControlId::PitchAdjustUp);
    EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, "A=\n441Hz");
    h.LoadRamp(11025, 2);
    EXPECT_EQ(h.app.Calibration().referencePitch, 440);
    EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, "A=\n440Hz");
    EXPECT_EQ(h.app.Analysis().blockMode, 3);
    EXPECT_TRUE(h.Control(Ctl::SamplingPrecision).checked);
    h.app.Command(ControlId::ChooseNormal);
    EXPECT_EQ(h.app.Analysis().blockMode, 2);
    h.app.Command(ControlId::Stop);
    EXPECT_EQ(h.app.Analysis().blockMode, 3);
    EXPECT_EQ(h.Text(NoteBoxId::PlayNotes), "ON");
}

TEST(PitchAdjust, AKeyPressedOnTheKeyboardNamesItsKeyAndARightClickOpensTheBox) {
    Harness h;
    const std::pair<Point, std::string> presses[] = {{{255, 380}, "  Pitch Adj. [C] "}, {{245, 250}, "  Pitch Adj. [H] "}};
    for (const auto& [at, label] : presses) {
        h.app.MouseDown(at);
        h.app.MouseUp(at);
        EXPECT_EQ(h.Control(Ctl::PitchAdjustLabel).text, label);
    }
    h.app.RightButtonUp({255, 380});
    h.app.RightButtonUp({255, 380});
    EXPECT_EQ(h.noteBox.creations, 1);
    EXPECT_TRUE(h.app.NoteBox().open);
}

TEST(PitchAdjust, StepsBetween430And460AndBackTo440WithTheReadout) {
    Harness h;
    const struct { int command, times, pitch, steps; bool downEnabled, upEnabled; } cases[] = {
        {ControlId::PitchAdjustDown, 12, 430, -6, false, true},
        {ControlId::PitchAdjustUp, 1, 431, -6, true, true},
        {ControlId::PitchAdjustReset, 1, 440, -2, true, true},
        // From either end the reset opens both ways again.
        {ControlId::PitchAdjustDown, 10, 430, -6, false, true},
        {ControlId::PitchAdjustReset, 1, 440, -2, true, true},
        {ControlId::PitchAdjustUp, 25, 460, 5, true, false},
        {ControlId::PitchAdjustReset, 1, 440, -2, true, true},
        {ControlId::PitchAdjustDown, 1, 439, -3, true, true},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < c.times; ++i) h.app.Command(c.command);
        EXPECT_EQ(h.app.Calibration().referencePitch, c.pitch) << c.command;
        EXPECT_EQ(h.app.Calibration().calibrationSteps, c.steps) << c.pitch;
        EXPECT_EQ(h.Control(Ctl::CalibrationReadout).text, ReferenceLabel(c.pitch));
        EXPECT_EQ(h.Control(Ctl::PitchAdjustDown).enabled, c.downEnabled) << c.pitch;
        EXPECT_EQ(h.Control(Ctl::PitchAdjustUp).enabled, c.upEnabled) << c.pitch;
    }
}

}  // namespace
}  // namespace earloop
