#pragma once
// The program's pictures: the icon, the keyboard and spectrum backgrounds, the
// cursor strips, the About logo, the staff pictures of the Note box and the two
// glyph strips the button and note image lists are filled from. They are drawn
// in code at start-up rather than read from files, so the program has nothing
// to lose and every exact position (key edges, staff rows) lives in one place.

#include <optional>
#include <vector>

#include "picture/frame_buffer.h"

namespace earloop {

enum class PictureId : int {
    ProgramIcon = 104,
    Keyboard = 106,
    PlayCursorStrip = 107,
    SpectrumGrid = 108,
    TransportGlyphs = 111,
    MiddleCMarker = 129,
    TitleLogo = 144,
    NoteGlyphs = 148,
    StaffBoth = 156,
    StaffTreble = 157,
    StaffBass = 158,
    MarkCursorStrip = 207,
};

// Glyph strips use this colour for "no pixel here".
inline constexpr Rgb kTransparentColour{0, 255, 255};

// The transport glyph strip: 21 cells of 25 x 23.
inline constexpr int kTransportGlyphWidth = 25;
inline constexpr int kTransportGlyphHeight = 23;
inline constexpr int kTransportGlyphCount = 21;

// Cell order of the transport strip. Each enabled glyph is followed by its
// pressed look; the disabled (grey) glyphs follow from 14 on.
enum TransportGlyph : int {
    kGlyphPlay = 0,
    kGlyphStop = 2,
    kGlyphPause = 4,
    kGlyphKeep = 6,
    kGlyphFastForward = 8,
    kGlyphRewind = 10,
    kGlyphLive = 12,
    kGlyphPlayDisabled = 14,
    kGlyphStopDisabled = 15,
    kGlyphPauseDisabled = 16,
    kGlyphKeepDisabled = 17,
    kGlyphFastForwardDisabled = 18,
    kGlyphRewindDisabled = 19,
    kGlyphLiveDisabled = 20,
};

// The note glyph strip: 18 cells of 48 x 24; cells 9 to 17 repeat 0 to 8 in
// grey for notes that lie between two semitones.
inline constexpr int kNoteGlyphWidth = 48;
inline constexpr int kNoteGlyphHeight = 24;
inline constexpr int kNoteGlyphCount = 18;
inline constexpr int kNoteGlyphGreyOffset = 9;
inline constexpr Rgb kNoteGlyphGrey{128, 128, 128};

enum NoteGlyph : int {
    kNoteHead = 0,
    kNoteHeadSharpBefore = 1,
    kNoteHeadFlatBefore = 2,
    kNoteHeadNaturalBefore = 3,
    kNoteHeadAlone = 4,
    kNoteHeadSharpAfter = 5,
    kNoteHeadFlatAfter = 6,
    kNoteHeadNaturalAfter = 7,
    kNoteLedgerLine = 8,
};

// Sizes of the single pictures.
inline constexpr int kKeyboardWidth = 600, kKeyboardHeight = 108;
inline constexpr int kSpectrumGridWidth = 600, kSpectrumGridHeight = 90;
inline constexpr int kMarkerWidth = 18, kMarkerHeight = 108;
inline constexpr int kCursorStripWidth = 2, kCursorStripHeight = 150;
inline constexpr int kTitleLogoWidth = 213, kTitleLogoHeight = 34;
inline constexpr int kStaffWidth = 137, kStaffHeight = 284;
inline constexpr int kProgramIconSize = 32;

// Keyboard and spectrum grid geometry, shared with the hit testing of the keys.
inline constexpr int kOctaveWidth = 120;
inline constexpr int kSemitoneWidth = 10;
inline constexpr int kKeyboardBandHeight = 4;     // the red band, rows 0 to 3
inline constexpr int kBlackKeyBottom = 66;        // last row of a black key
inline constexpr Rgb kKeyboardBand{220, 0, 0};
inline constexpr Rgb kGridBlackKeyColumn{192, 192, 192};

// Staff picture colours.
inline constexpr Rgb kStaffGrey{192, 192, 192};
inline constexpr Rgb kNoteBoxBlue{0, 191, 247};

// Renders program picture `id`; nullopt for an id the program has no picture for.
std::optional<FrameBuffer> RenderPicture(int id);
inline std::optional<FrameBuffer> RenderPicture(PictureId id) { return RenderPicture(static_cast<int>(id)); }

// The program's icon drawn at `size` x `size` pixels, for the desktop's menus;
// RenderPicture(PictureId::ProgramIcon) is its drawing at kProgramIconSize.
FrameBuffer RenderProgramIcon(int size);

// Cuts a horizontal strip into `count` cells of `cellWidth` x the strip's
// height, left to right, as an image list is filled from one bitmap. A strip
// narrower than the cells gives no cells at all.
std::vector<FrameBuffer> SplitStrip(const FrameBuffer& strip, int cellWidth, int count);

}  // namespace earloop
