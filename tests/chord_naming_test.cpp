#include "analysis/chord_naming.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace earloop {
namespace {

constexpr auto kSimple = ChordMode::Simple, kNormal = ChordMode::Normal;
constexpr auto kSharps = AccidentalStyle::Sharps, kFlats = AccidentalStyle::Flats;

TEST(ChordNaming, EachRuleOnRootC) {
    // "" when no rule matches. Rules marked for both modes are tried in Simple.
    struct Case { ChordMode mode; std::initializer_list<int> heard; const char* name; } cases[] = {
        {kSimple, {0, 7}, " C5"},           {kSimple, {0, 4, 7, 10}, " C7"},
        {kSimple, {0, 4, 7, 9}, " C6 = Am7"}, {kNormal, {0, 4, 7, 11}, " CM7"},
        {kSimple, {0, 4, 7}, " C "},        {kSimple, {0, 3, 7, 10}, " Cm7 =D#6"},
        {kSimple, {0, 3, 7, 9}, " Cm6"},    {kNormal, {0, 3, 7, 11}, " CmM7"},
        {kSimple, {0, 3, 7}, " Cm"},        {kSimple, {0, 4, 8}, " C( C, E,G#)aug"},
        {kSimple, {0, 3, 6}, " C( C,D#,F#, A)dim"}, {kNormal, {0, 5, 7, 10}, " C7sus4"},
        {kNormal, {0, 5, 7}, " Csus4"},     {kSimple, {0, 4, 10}, " C7 ?"},
        {kSimple, {0, 7, 10}, " C(m)7 ? "}, {kSimple, {0}, ""},
        // Simple mode passes over the Normal rules to a later one.
        {kSimple, {0, 4, 7, 11}, " C "},    {kSimple, {0, 3, 7, 11}, " Cm"},
        {kSimple, {0, 5, 7, 10}, " C(m)7 ? "}, {kSimple, {0, 5, 7}, ""},
        // An interval a rule excludes.
        {kSimple, {0, 3, 7, 8}, ""},        {kSimple, {0, 4, 8, 9}, ""},
        {kNormal, {0, 2, 5, 7}, ""},        {kSimple, {0, 3, 6, 10}, ""},
        {kSimple, {0, 7, 11}, ""},
    };
    for (const Case& c : cases) {
        Intervals intervals{};
        for (int i : c.heard) { intervals[i] = 1; }
        EXPECT_EQ(MatchChord(0, intervals, c.mode, kSharps).value_or(""), c.name) << c.name;
    }
}

TEST(ChordNaming, ChordTextsOfDetectedNotes) {
    struct Case { std::vector<int> notes; int displayCount; ChordMode mode; AccidentalStyle style; const char* text; } cases[] = {
        {{60, 64, 67, 69}, 15, kSimple, kSharps, " C6 = Am7 \n\r Am7 = C6 \n\r"},
        {{60, 64, 67, 71}, 15, kNormal, kSharps, " CM7 \n\r"},
        {{60, 64, 67, 71}, 15, kSimple, kSharps, " C  \n\r"},
        {{60, 67}, 15, kSimple, kSharps, " C5 \n\r"},
        {{60, 64, 68}, 15, kSimple, kSharps, " C( C, E,G#)aug \n\r E( E,G#, C)aug \n\rG#(G#, C, E)aug \n\r"},
        {{61, 64, 68, 71}, 15, kSimple, kFlats, "Dbm7 = E6 \n\r E6 =Dbm7 \n\r"},
        {{48, 67, 60, 55}, 15, kSimple, kSharps, " C5 \n\r"},  // octaves count once
        {{72, 79, 88, 84}, 15, kSimple, kSharps, " C5 \n\r"},  // 84 and above are not named
        {{83, 78}, 15, kSimple, kSharps, " B5 \n\r"},
        {{60, 64, 67, 70}, 3, kSimple, kSharps, " C  \n\r"},  // only the strongest displayCount
        {{60, 64, 67}, 1, kSimple, kSharps, "   ---"},
        {{}, 15, kNormal, kSharps, "   ---"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameChords(c.notes, c.displayCount, c.mode, c.style), c.text) << c.text;
    }
}

TEST(ChordNaming, BassTexts) {
    struct Case { int note; bool offCentre; AccidentalStyle style; const char* text; } cases[] = {
        {69, false, kSharps, " A"}, {69, true, kSharps, "(  A )"}, {61, false, kFlats, "Db"},
        {61, true, kSharps, "( C# )"}, {36, false, kFlats, " C"}, {70, true, kFlats, "( Bb )"},
    };
    for (const Case& c : cases) { EXPECT_EQ(NameBassNote(c.note, c.offCentre, c.style), c.text) << c.text; }
}

}  // namespace
}  // namespace earloop
