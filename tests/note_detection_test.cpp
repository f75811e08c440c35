#include "analysis/note_detection.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <optional>
#include <vector>

namespace earloop {
namespace {

struct Span { int from, to; double level; };  // levels from..to inclusive

std::array<double, kPitchSteps> Levels(std::initializer_list<Span> spans) {
    std::array<double, kPitchSteps> levels{};
    for (const Span& s : spans)
        for (int i = s.from; i <= s.to; ++i) levels[i] = s.level;
    return levels;
}

std::vector<int> Centres(const std::vector<DetectedNote>& notes) {
    std::vector<int> centres;
    for (const DetectedNote& note : notes) centres.push_back(note.centre);
    return centres;
}

TEST(DetectNotes, HalfHeightEdgesGiveCentreNoteAndMark) {
    // A plateau of 1000 with a shoulder of exactly half height after it (not
    // yet an edge), and a weaker spike kept last, so the plateau is the one note.
    struct Case { int range, calibration, from, to, midiNote, offCentre, centre, tune; } cases[] = {
        {3, 0, 331, 334, 69, 1, 332, 0},     // edges 330 and 336
        {3, -2, 331, 334, 69, 0, 334, 100},  // A = 440 Hz: mid-band
        {3, -5, 331, 334, 69, 1, 337, 0},
        {2, 0, 331, 334, 81, 1, 332, 0},
        {4, 0, 331, 334, 57, 1, 332, 0},
        {3, 50, 3, 3, 36, 1, 0, 0},          // edges 2 and 5, held at the bottom
        {3, -50, 597, 597, 96, 1, 600, 0},   // edges 596 and 599, held at the top
    };
    for (const Case& c : cases) {
        const auto levels = Levels({{c.from, c.to, 1000}, {c.to + 1, c.to + 1, 500}, {450, 450, 500}});
        const auto result = DetectNotes(levels, AnalysisParameters{.analysisRange = c.range}, c.calibration);
        ASSERT_TRUE(result) << c.centre;
        ASSERT_EQ(result->detectedNotes.size(), 1u) << c.centre;
        const DetectedNote& note = result->detectedNotes[0];
        EXPECT_EQ((std::array{note.midiNote, note.offCentre, note.height, note.centre}),
                  (std::array{c.midiNote, c.offCentre, 1000, c.centre}));
        EXPECT_EQ(result->tuneValue, c.tune) << c.centre;
        // The sorted list holds only centres strictly inside the scale.
        EXPECT_EQ(Centres(result->sortedNotes), c.centre % 600 ? std::vector{c.centre} : std::vector<int>{});
    }
}

TEST(DetectNotes, RankingGateAndLastKeptPeak) {
    // A lone spike at p has edges p - 1 and p + 1, so centre p - 1.
    struct Case {
        const char* what;
        std::array<double, kPitchSteps> levels;
        bool found;
        std::vector<int> detected, sorted;
        std::optional<int> tune;
    } cases[] = {
        {"levels at the clip level are silence", Levels({{100, 100, 200.9}, {300, 300, 150}}), false, {}, {}, {}},
        {"a flat stretch from the bottom is no peak", Levels({{1, 5, 1000}}), false, {}, {}, {}},
        {"a single peak is the last kept and leaves the gauge", Levels({{100, 100, 201}}), true, {}, {}, {}},
        {"of equal heights only the lower one ranks", Levels({{100, 100, 1000}, {200, 200, 1000}, {300, 300, 500}}),
         true, {99}, {99}, 0},
        {"rank by height, sort by centre, tune 100 - 33",
         Levels({{122, 122, 900}, {106, 106, 800}, {116, 116, 700}, {398, 398, 250}, {399, 399, 280}, {400, 400, 300}}),
         true, {121, 105, 115}, {105, 115, 121}, 67},  // the rise 398..400 is one peak
        {"no edge below the top drops the peak: none kept gives 100", Levels({{598, 598, 1000}, {599, 599, 600}}),
         true, {}, {}, 100},
        {"a wide plateau is searched from its middle", Levels({{100, 249, 1000}}), true, {}, {}, {}},
        {"edges 99 steps away are in reach", Levels({{202, 398, 1000}, {300, 300, 1001}}), true, {}, {}, {}},
        {"edges 100 steps away are out of reach", Levels({{201, 399, 1000}, {300, 300, 1001}}), true, {}, {}, 100},
        {"two peaks of one hump share a centre, sorted once",
         Levels({{101, 101, 1000}, {102, 102, 900}, {103, 103, 950}, {104, 105, 600}, {400, 400, 300}}), true,
         {102, 102}, {102}, 0},
    };
    for (const Case& c : cases) {
        const auto result = DetectNotes(c.levels, AnalysisParameters{}, 0);
        ASSERT_EQ(result.has_value(), c.found) << c.what;
        if (!result) continue;
        EXPECT_EQ(Centres(result->detectedNotes), c.detected) << c.what;
        EXPECT_EQ(Centres(result->sortedNotes), c.sorted) << c.what;
        EXPECT_EQ(result->tuneValue, c.tune) << c.what;
    }
}

TEST(DetectNotes, FifteenPeaksAtMostAreRanked) {
    std::array<double, kPitchSteps> levels{};
    for (int i = 0; i < 20; ++i) levels[20 * i + 15] = 1000 - 10 * i;  // centres 14, 34, ...: mid-band
    const auto result = DetectNotes(levels, AnalysisParameters{}, 0);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->detectedNotes.size(), 14u);  // the 15th ranked (860) is the last kept
    EXPECT_EQ(result->detectedNotes.back().height, 870);
    EXPECT_EQ(result->tuneValue, 100);
}

}  // namespace
}  // namespace earloop
