#include "display/pointer_input.h"

#include <array>

namespace earloop {

namespace {
// The black keys sit in the upper 67 pixels of the keyboard; below them only
// white keys, 17 pixels wide (B 18), seven to an octave of 120 pixels.
constexpr int kBandTop = 211, kBandSplit = 368, kBandBottom = 409;
struct WhiteKey {
    int left, right, semitone;  // exclusive bounds within the octave
};
constexpr std::array<WhiteKey, 7> kWhiteKeys{{
    {9, 26, 0}, {26, 43, 2}, {43, 60, 4}, {60, 77, 5}, {77, 94, 7}, {94, 111, 9}, {111, 129, 11},
}};
}  // namespace

bool InKeyboardArea(Point p) { return 9 < p.x && p.x < 609 && kBandTop < p.y && p.y < kBandBottom; }

bool InOverview(Point p) { return 14 < p.x && p.x < 554 && 0 < p.y && p.y < 127; }

std::uint8_t NoteAtPoint(Point p, int analysisRange, std::uint8_t previous) {
    const int rangeShift = 12 * analysisRange;
    // One semitone per 10 pixels over the strip and the black keys.
    if (kBandTop < p.y && p.y < kBandSplit) return static_cast<std::uint8_t>(p.x / 10 + 71 - rangeShift);
    if (kBandSplit < p.y && p.y < kBandBottom) {
        for (int octave = 0; octave < 5; ++octave) {
            const int x = p.x - 120 * octave;
            for (const WhiteKey& key : kWhiteKeys)
                if (key.left < x && x < key.right)
                    return static_cast<std::uint8_t>(12 * octave - rangeShift + 72 + key.semitone);
        }
    }
    return previous;
}

}  // namespace earloop
