#pragma once
// The Note box's behaviour that needs no window: where the box opens, its
// controls, and the staff: where a detected note sits on it and how the notes
// are drawn.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/chord_naming.h"
#include "picture/frame_buffer.h"
#include "ports/note_box_port.h"

namespace earloop {

// Ids of the Note box's controls; its buttons report them.
namespace NoteBoxId {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;  // also the box's close button
inline constexpr int Sharps = 1002;
inline constexpr int Flats = 1003;
inline constexpr int MidiGroup = 1008;
inline constexpr int Fewer = 1089;
inline constexpr int More = 1090;
inline constexpr int Count = 1091;
inline constexpr int PlayNotes = 1092;
inline constexpr int BassText = 1097;
inline constexpr int ChordText = 1098;
inline constexpr int ChordGroup = 1100;
inline constexpr int BaseNote = 1103;
}  // namespace NoteBoxId

inline constexpr const char* kNoteBoxTitle = "Note box";
inline constexpr int kMaxStaffNotes = 15;
inline constexpr int kMinDisplayCount = 1, kMaxDisplayCount = 15, kStartDisplayCount = 5;

// One detected note on the staff: the box row its glyph is drawn at (the
// head's centre lies 12 rows lower) and its glyph index (0 plain, 1 sharp,
// 2 flat; 9 more for a note off the centre of its band).
struct StaffEntry {
    int y = 0;
    int image = 0;
    friend bool operator==(StaffEntry, StaffEntry) = default;
};

struct NoteBoxState {
    bool open = false;  // noteBoxOpen
    AccidentalStyle accidentalStyle = AccidentalStyle::Sharps;
    int displayCount = kStartDisplayCount;  // 1 to 15
    bool notePlayOn = false;                // "Play Notes by MIDI" is on
    bool baseNoteOnly = false;              // the "Base Note" box is ticked
    // Per detected note in ranking order; empty for a note off the staff.
    std::array<std::optional<StaffEntry>, kMaxStaffNotes> staff{};
    // The box's staff area as last drawn, box pixels from its top left corner.
    FrameBuffer staffArea;
};

// The box's outer rectangle beside the main window's `owner`: as high as it,
// 175/488 of that wide, to its right (`noteBoxPos` 0) or over its left edge (1).
Rect NoteBoxFrame(Rect owner, int noteBoxPos);

// The controls below the staff area, in creation order.
const std::vector<NoteBoxControlSpec>& NoteBoxControls();
std::string ChordGroupCaption(ChordMode mode);
std::string DisplayCountText(int displayCount);

// Where the staff picture and the note column lie in the box.
inline constexpr Point kStaffAt{16, 11};
inline constexpr int kStaffShownWidth = 137, kStaffShownHeight = 255;
inline constexpr Rect kStaffArea{0, 0, 175, 282};
inline constexpr int kNoteColumnX = 70, kSecondColumnX = 80;

// A pitch-scale position (0..599; 600 lies off the staff) on the staff of
// `analysisRange` (2, 3 or 4), spelled with `style`.
std::optional<StaffEntry> StaffPlacement(int centre, int analysisRange, AccidentalStyle style);
// The staff picture of the range: both staves black for 3, the treble staff
// black for 2, the bass staff black for 4.
const FrameBuffer& StaffPicture(int analysisRange, const FrameBuffer& both, const FrameBuffer& treble,
                                const FrameBuffer& bass);
// A clean staff area: the face colour with the top of `staff` at kStaffAt.
void ClearStaffArea(FrameBuffer& area, const FrameBuffer& staff);
// Draws the first `count` entries, lowest first, each height once, seconds
// side by side, with their ledger lines, using the note glyph cells.
void DrawStaffNotes(FrameBuffer& area, std::span<const std::optional<StaffEntry>> entries, int count,
                    const std::vector<FrameBuffer>& glyphs);

}  // namespace earloop
