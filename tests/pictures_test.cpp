#include "resources/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ranges>
#include <string_view>
#include <tuple>
#include <vector>

namespace earloop {
namespace {

constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kGrey{192, 192, 192};

// Renders a picture and checks its size.
FrameBuffer Render(PictureId id, int width, int height) {
    auto picture = RenderPicture(id);
    EXPECT_TRUE(picture && picture->Width() == width && picture->Height() == height) << static_cast<int>(id);
    return picture.value_or(FrameBuffer{});
}

std::vector<FrameBuffer> Cells(PictureId id, int width, int height, int count) {
    auto cells = SplitStrip(Render(id, width * count, height), width, count);
    cells.resize(static_cast<std::size_t>(count));
    return cells;
}

// Black keys, not the grey edges between white keys.
bool IsDark(Rgb c) { return c.r < 72 && c.g < 72 && c.b < 72; }
bool IsRed(Rgb c) { return c.r >= 150 && c.g <= 40 && c.b <= 40; }

// Bounding box, number and mean colour of the pixels in columns fromX to toX that are not transparent.
struct Ink {
    int x0 = 1000, y0 = 1000, x1 = -1, y1 = -1, count = 0;
    double r = 0, g = 0, b = 0;
    bool Empty() const { return count == 0; }
    double Luminance() const { return 0.3 * r + 0.59 * g + 0.11 * b; }
    bool Green() const { return g > r + 40 && g > b + 40; }
};

Ink InkIn(const FrameBuffer& cell, int fromX = 0, int toX = 1000) {
    Ink s;
    for (int y = 0; y < cell.Height(); ++y)
        for (int x = fromX; x <= std::min(toX, cell.Width() - 1); ++x)
            if (const Rgb p = cell.Pixel(x, y); p != kTransparentColour)
                s = {std::min(s.x0, x), std::min(s.y0, y), std::max(s.x1, x), std::max(s.y1, y), s.count + 1,
                     s.r + p.r, s.g + p.g, s.b + p.b};
    if (s.count > 0) s.r /= s.count, s.g /= s.count, s.b /= s.count;
    return s;
}

TEST(PicturesTest, CursorStripsLogoIconUnknownIdsAndSplitting) {
    EXPECT_EQ(Render(PictureId::PlayCursorStrip, 2, 150), FrameBuffer(2, 150, {0, 255, 255}));
    EXPECT_EQ(Render(PictureId::MarkCursorStrip, 2, 150), FrameBuffer(2, 150, {255, 255, 0}));
    Render(PictureId::TitleLogo, 213, 34);
    // The program icon is opaque and not flat.
    const FrameBuffer icon = Render(PictureId::ProgramIcon, 32, 32);
    EXPECT_EQ(InkIn(icon).count, 32 * 32);
    int light = 0, dark = 0;
    for (const Rgb p : std::views::iota(0, 32 * 32) | std::views::transform([&](int i) { return icon.Pixel(i % 32, i / 32); }))
        light += p.r + p.g + p.b > 500, dark += p.r + p.g + p.b < 250;
    EXPECT_TRUE(light > 60 && dark > 300) << light << " light, " << dark << " dark pixels";
    // The desktop's sizes are the same drawing: averaged down to 32 x 32, each
    // stays within a few levels of the program's icon.
    for (const int size : {64, 128}) {
        const FrameBuffer large = RenderProgramIcon(size);
        ASSERT_TRUE(large.Width() == size && large.Height() == size) << size;
        const int f = size / 32;
        double difference = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const Ink mean = InkIn(large.Crop({x * f, y * f, f, f}));
                const Rgb p = icon.Pixel(x, y);
                difference += std::abs(mean.r - p.r) + std::abs(mean.g - p.g) + std::abs(mean.b - p.b);
            }
        EXPECT_LT(difference / (32 * 32 * 3), 3.0) << size;
    }
    for (const int id : {0, -1, 105, 109, 130, 159, 206, 10000}) EXPECT_FALSE(RenderPicture(id).has_value()) << id;

    FrameBuffer strip(9, 2, kWhite);
    for (int x = 0; x < 9; ++x) strip.SetPixel(x, 1, {static_cast<std::uint8_t>(x), 0, 0});
    EXPECT_EQ(SplitStrip(strip, 3, 3), (std::vector{strip.Crop({0, 0, 3, 2}), strip.Crop({3, 0, 3, 2}), strip.Crop({6, 0, 3, 2})}));
    for (const auto& [width, count, cells] : {std::tuple{3, 2, 2u}, std::tuple{3, 4, 0u}, std::tuple{0, 3, 0u}})
        EXPECT_EQ(SplitStrip(strip, width, count).size(), cells) << width << " x " << count;
}

// The display code finds keys by these columns: one grid column of ten pixels
// a semitone from C, each black key exactly over its grey column.
TEST(KeyboardPictureTest, KeyEdgesBlackKeysBandGridAndMiddleCMarkerLineUp) {
    const FrameBuffer keyboard = Render(PictureId::Keyboard, 600, 108), grid = Render(PictureId::SpectrumGrid, 600, 90);
    constexpr std::string_view kOctave = "-#-#--#-#-#-";
    for (int x = 0; x < 600; ++x) {
        const bool black = kOctave[static_cast<std::size_t>(x / 10 % 12)] == '#';
        for (int y = 0; y < 90; ++y) ASSERT_EQ(grid.Pixel(x, y), black ? kGrey : kWhite) << x << "," << y;
        // The red band over rows 0 to 3, then the black keys from row 5 to their bottom.
        for (const int y : {0, 1, 2, 3, 4, 5, 40, kBlackKeyBottom, kBlackKeyBottom + 1})
            ASSERT_TRUE(IsRed(keyboard.Pixel(x, y)) == (y < 4) && (y == 4 || IsDark(keyboard.Pixel(x, y)) == (black && y >= 5 && y <= kBlackKeyBottom))) << x << "," << y;
        // Below the black keys, the edges of the seven 17-pixel white keys of an octave.
        ASSERT_EQ(keyboard.Pixel(x, 90) != kWhite, x % 120 % 17 == 0 && x % 120 <= 102) << "white key edge at " << x;
    }
    // The marker is the keyboard's middle C key with its face highlighted.
    const FrameBuffer marker = Render(PictureId::MiddleCMarker, 18, 108);
    const Rgb highlight = marker.Pixel(5, 80);
    EXPECT_GT(std::abs(highlight.r - 255) + std::abs(highlight.g - 255) + std::abs(highlight.b - 255), 120);
    for (int y = 0; y < 108; ++y)
        for (int x = 0; x < 18; ++x) {
            const Rgb key = keyboard.Pixel(240 + x, y), mark = marker.Pixel(x, y);
            // The face and its shaded front are highlighted; band, key edges and C# are the keyboard's own.
            const bool face = key == kWhite && x <= 16, front = x >= 1 && x <= 16 && y >= 100 && y < 107;
            ASSERT_TRUE(face ? mark == highlight : (mark == key) != front) << x << "," << y;
        }
}

TEST(StaffPictureTest, LinesBarsClefsAndDashedFrameInEachVariantsColours) {
    for (const auto& [id, treble, bass, frame] : {std::tuple{PictureId::StaffBoth, kBlack, kBlack, Rgb{0, 191, 247}},
                                                  std::tuple{PictureId::StaffTreble, kBlack, kGrey, Rgb{0, 255, 255}},
                                                  std::tuple{PictureId::StaffBass, kGrey, kBlack, Rgb{0, 255, 255}}}) {
        SCOPED_TRACE(static_cast<int>(id));
        const FrameBuffer staff = Render(id, 137, 284);
        // Five lines from x 8 to 123 a staff, at rows 80 to 112 and 160 to 192; the rows between them white
        // (from x 40) but for the bars at the right and the frame.
        for (const int top : {80, 160})
            for (int row = top; row <= top + 32; row += 4)
                for (int x = 8; x <= 124; ++x) {
                    const bool line = (row - top) % 8 == 0, bar = x == 118 || (x >= 121 && x <= 123);
                    if (!line && (x < 40 || x == 52 || x == 109)) continue;
                    ASSERT_EQ(staff.Pixel(x, row), (line ? x < 124 : bar) ? (top == 80 ? treble : bass) : kWhite)
                        << x << "," << row;
                }
        // The note column frame from (52, 34) to (109, 216): every side dashed from corner to corner.
        for (const auto& [x0, y0, dx, dy, length] : {std::array{52, 34, 1, 0, 58}, std::array{52, 216, 1, 0, 58},
                                                     std::array{52, 34, 0, 1, 183}, std::array{109, 34, 0, 1, 183}}) {
            const auto at = [&](int i) { return staff.Pixel(x0 + i * dx, y0 + i * dy); };
            const auto gaps = std::ranges::count_if(std::views::iota(0, length), [&](int i) { return at(i) == kWhite; });
            EXPECT_TRUE(at(0) == frame && at(length - 1) == frame && gaps > 0) << "side from " << x0 << "," << y0;
        }
        // The frame colour appears nowhere else, and nothing is drawn above or below the frame.
        for (int y = 0; y < 284; ++y)
            for (int x = 0; x < 137; ++x) {
                if (((x == 52 || x == 109) && y >= 34 && y <= 216) || ((y == 34 || y == 216) && x >= 52 && x <= 109)) continue;
                ASSERT_NE(staff.Pixel(x, y), frame) << x << "," << y;
                ASSERT_TRUE((y >= 34 && y <= 216) || staff.Pixel(x, y) == kWhite) << x << "," << y;
            }
        // Clefs in their staff's colour: rows with ink between the brace and the frame, above and below the
        // treble staff and round the bass staff's F line.
        for (const auto& [y0, y1, colour, least] : {std::tuple{66, 79, treble, 7}, std::tuple{113, 128, treble, 7},
                                                    std::tuple{161, 175, bass, 11}}) {
            const auto inked = [&](int y) { return std::ranges::any_of(std::views::iota(10, 45), [&](int x) { return staff.Pixel(x, y) == colour; }); };
            EXPECT_GE(std::ranges::count_if(std::views::iota(y0, y1 + 1), inked), least) << "clef rows from " << y0;
        }
    }
}

TEST(NoteGlyphsTest, HeadsAccidentalsLedgerLineAndTheGreyHalf) {
    const auto cells = Cells(PictureId::NoteGlyphs, 48, 24, 18);
    for (std::size_t glyph = 0; glyph < 8; ++glyph) {
        const Ink head = InkIn(cells[glyph], 15, 31), before = InkIn(cells[glyph], 0, 17), after = InkIn(cells[glyph], 30, 47);
        // Nothing else in columns 15 to 31: accidentals keep clear of the head.
        EXPECT_EQ(std::tuple(head.x0, head.y0, head.x1, head.y1, before.Empty(), after.Empty()),
                  std::tuple(18, 8, 29, 15, glyph < 1 || glyph > 3, glyph < 5)) << glyph;
        if (before.Empty()) continue;
        // The accidentals after the head are the ones before it, moved right, and all three differ.
        const FrameBuffer &front = cells[glyph], &back = cells[glyph + 4];
        const int shift = InkIn(back, 30, 47).x0 - before.x0;
        for (int y = 0; y < 24; ++y)
            for (int x = before.x0; x <= 17; ++x) ASSERT_EQ(front.Pixel(x, y), back.Pixel(x + shift, y)) << glyph << ": " << x << "," << y;
        EXPECT_NE(front.Crop({0, 0, 18, 24}), cells[glyph % 3 + 1].Crop({0, 0, 18, 24})) << glyph;
    }
    for (std::size_t glyph = 0; glyph < 9; ++glyph)
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 48; ++x) {
                const Rgb black = cells[glyph].Pixel(x, y), grey = cells[glyph + 9].Pixel(x, y);
                ASSERT_TRUE(black == kBlack || black == kTransparentColour) << glyph << ": " << x << "," << y;
                // The ledger line glyph is row 12 from x 14 to 33 alone.
                ASSERT_TRUE(glyph != 8 || black == (y == 12 && x >= 14 && x <= 33 ? kBlack : kTransparentColour)) << "ledger line at " << x << "," << y;
                ASSERT_EQ(grey, (black == kBlack ? Rgb{128, 128, 128} : kTransparentColour)) << glyph << ": " << x << "," << y;
            }
}

TEST(TransportGlyphsTest, NormalPressedAndDisabledLooksOfEachGlyph) {
    const auto cells = Cells(PictureId::TransportGlyphs, 25, 23, 21);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Ink ink = InkIn(cells[i]);
        EXPECT_TRUE(ink.x0 > 0 && ink.y0 > 0 && ink.x1 < 24 && ink.y1 < 22) << "a transparent border round glyph " << i;
        EXPECT_GT(ink.count, 60) << "glyph " << i << " is all but empty";
        for (std::size_t j = i + 1; j < cells.size(); ++j) EXPECT_NE(cells[i], cells[j]) << i << " " << j;
    }
    for (std::size_t k = 0; k < 7; ++k) {
        const FrameBuffer &up = cells[2 * k], &down = cells[2 * k + 1], &off = cells[14 + k];
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 25; ++x) {
                ASSERT_EQ(up.Pixel(x, y) == kTransparentColour, down.Pixel(x, y) == kTransparentColour) << k << ": " << x << "," << y;
                // Disabled: grey shades, at most tinted by the button face they are blended toward.
                const Rgb p = off.Pixel(x, y);
                ASSERT_TRUE(p == kTransparentColour || std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) <= 20)
                    << k << ": " << x << "," << y;
            }
        const Ink on = InkIn(up), pressed = InkIn(down), grey = InkIn(off);
        EXPECT_LT(pressed.Luminance(), on.Luminance() * 0.85) << "pressed is darker: " << k;
        EXPECT_TRUE(2 * k != kGlyphLive || (on.Green() && pressed.Green())) << "live input is green";
        EXPECT_TRUE(std::abs(on.x0 - grey.x0) <= 1 && std::abs(on.y0 - grey.y0) <= 1) << "disabled glyphs in enabled order: " << k;
    }
}

}  // namespace
}  // namespace earloop
