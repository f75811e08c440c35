#include "display/note_box.h"

#include <climits>
#include <cstdio>

#include "resources/pictures.h"

namespace earloop {

namespace {

constexpr Rgb kBoxFace{236, 233, 216};

// Box rows of the C of each octave block, lowest block first, by range 2, 3, 4.
constexpr int kOctaveC[3][5] = {
    {179, 119, 91, 63, 35},
    {207, 179, 119, 91, 63},
    {235, 207, 179, 119, 91},
};

struct Spelling {
    int rise;        // rows above the C
    int accidental;  // glyph: 0 none, 1 sharp, 2 flat
};
constexpr Spelling kSharpSpelling[12] = {{0, 0},   {0, 1},   {4, 0},   {4, 1},   {8, 0},   {12, 0},
                                         {12, 1},  {16, 0},  {16, 1},  {20, 0},  {20, 1},  {24, 0}};
constexpr Spelling kFlatSpelling[12] = {{0, 0},   {4, 2},   {4, 0},   {8, 2},   {8, 0},   {12, 0},
                                        {16, 2},  {16, 0},  {20, 2},  {20, 0},  {24, 2},  {24, 0}};

constexpr int kSecondImageStep = 4;  // glyphs 4 to 6: the head drawn right of its neighbour

}  // namespace

Rect NoteBoxFrame(Rect owner, int noteBoxPos) {
    const int width = 175 * owner.height / 488;
    return {noteBoxPos == 0 ? owner.Right() : owner.x, owner.y, width, owner.height};
}

// Laid out to fit the box opened beside a window of 460 pixels, frame included.
const std::vector<NoteBoxControlSpec>& NoteBoxControls() {
    using K = NoteBoxControlKind;
    namespace id = NoteBoxId;
    static const std::vector<NoteBoxControlSpec> controls = {
        {-1, K::GroupBox, "#/b   System", {4, 283, 154, 32}, true},
        {id::Sharps, K::RadioButton, "#", {16, 297, 40, 15}, false, "Sharps"},
        {id::Flats, K::RadioButton, "b", {70, 297, 40, 15}, false, "Flats"},
        {-1, K::GroupBox, "Number of Display Notes", {4, 316, 154, 32}, true},
        {id::Fewer, K::PushButton, "-", {14, 329, 20, 16}, false, "Fewer notes"},
        {id::Count, K::Label, DisplayCountText(kStartDisplayCount), {42, 331, 80, 13}},
        {id::More, K::PushButton, "+", {130, 329, 20, 16}, false, "More notes"},
        {id::MidiGroup, K::GroupBox, "Play Notes by MIDI", {4, 349, 154, 32}, true},
        {id::PlayNotes, K::PushButton, "ON", {14, 362, 40, 16}, false, "Play notes by MIDI", true},
        {id::BaseNote, K::CheckBox, "Base Note", {64, 362, 90, 16}},
        {id::ChordGroup, K::GroupBox, ChordGroupCaption(ChordMode::Simple), {4, 382, 154, 64}, true},
        {id::ChordText, K::Label, " ", {10, 396, 96, 46}},
        {-1, K::Label, "/", {108, 410, 8, 14}},
        {id::BassText, K::Label, " ", {118, 410, 36, 14}},
    };
    return controls;
}

std::string ChordGroupCaption(ChordMode mode) {
    return mode == ChordMode::Normal ? "Chord ( Normal mode )" : "Chord ( Simple mode )";
}

std::string DisplayCountText(int displayCount) { return std::to_string(displayCount) + " notes"; }

std::optional<StaffEntry> StaffPlacement(int centre, int analysisRange, AccidentalStyle style) {
    if (centre < 0 || centre >= 600 || analysisRange < 2 || analysisRange > 4) return std::nullopt;
    const int block = centre / 120;
    const int local = centre % 120;
    // The staff's semitone bands run 1-10, 11-20, ...; 0 is drawn as the C.
    const int semitone = local == 0 ? 0 : (local - 1) / 10;
    const Spelling& spelling = (style == AccidentalStyle::Flats ? kFlatSpelling : kSharpSpelling)[semitone];
    const int remainder = centre % 10;
    const bool offCentre = remainder < 4 || remainder > 6;
    return StaffEntry{kOctaveC[analysisRange - 2][block] - spelling.rise,
                      spelling.accidental + (offCentre ? kNoteGlyphGreyOffset : 0)};
}

const FrameBuffer& StaffPicture(int analysisRange, const FrameBuffer& both, const FrameBuffer& treble,
                                const FrameBuffer& bass) {
    if (analysisRange == 2) return treble;
    if (analysisRange == 4) return bass;
    return both;
}

void ClearStaffArea(FrameBuffer& area, const FrameBuffer& staff) {
    if (area.Width() != kStaffArea.width || area.Height() != kStaffArea.height)
        area = FrameBuffer(kStaffArea.width, kStaffArea.height, kBoxFace);
    else
        area.Fill(kBoxFace);
    area.Blit(kStaffAt, staff, {0, 0, kStaffShownWidth, kStaffShownHeight});
}

void DrawStaffNotes(FrameBuffer& area, std::span<const std::optional<StaffEntry>> entries, int count,
                    const std::vector<FrameBuffer>& glyphs) {
    if (static_cast<int>(glyphs.size()) < kNoteGlyphCount) return;
    if (count > static_cast<int>(entries.size())) count = static_cast<int>(entries.size());
    auto draw = [&](int x, int y, int image) {
        const FrameBuffer& cell = glyphs[image];
        area.BlitMasked({x, y}, cell, {0, 0, cell.Width(), cell.Height()}, kTransparentColour);
    };
    int last = INT_MAX;
    int x = kNoteColumnX;
    bool first = true;
    for (;;) {
        // The next note up: the largest row strictly above the last one drawn.
        const StaffEntry* next = nullptr;
        for (int i = 0; i < count; ++i)
            if (entries[i] && entries[i]->y < last && (!next || entries[i]->y > next->y)) next = &*entries[i];
        if (!next) break;
        const bool second = !first && last - next->y == 4;
        x = second && x == kNoteColumnX ? kSecondColumnX : kNoteColumnX;
        const bool grey = next->image >= kNoteGlyphGreyOffset;
        const int ledger = kNoteLedgerLine + (grey ? kNoteGlyphGreyOffset : 0);
        const int y = next->y;
        if (y < 72) {
            for (int line = 0, row = 71; line < (81 - y) / 8 && row >= 0; ++line, row -= 8) draw(x, row, ledger);
        } else if (y == 119) {
            draw(x, 119, ledger);
        } else if (y >= 199) {
            for (int line = 0, row = 199; line < (y - 189) / 8 && row <= 255; ++line, row += 8) draw(x, row, ledger);
        }
        draw(x, y, next->image + (x == kSecondColumnX ? kSecondImageStep : 0));
        last = y;
        first = false;
    }
}

}  // namespace earloop
