#include "resources/pictures.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace earloop {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

FrameBuffer Render(PictureId id) {
    auto picture = RenderPicture(id);
    EXPECT_TRUE(picture.has_value());
    return picture.value_or(FrameBuffer{});
}

// Black keys, not the grey edges between white keys.
bool IsDark(Rgb c) { return c.r < 72 && c.g < 72 && c.b < 72; }
bool IsRed(Rgb c) { return c.r >= 150 && c.g <= 40 && c.b <= 40; }
bool IsBlackKeySemitone(int semitone) {
    const int s = semitone % 12;
    return s == 1 || s == 3 || s == 6 || s == 8 || s == 10;
}

TEST(PicturesTest, EveryPictureHasItsSizeAndUnknownIdsHaveNone) {
    const std::array<std::tuple<PictureId, int, int>, 12> sizes{{
        {PictureId::ProgramIcon, 32, 32},
        {PictureId::Keyboard, 600, 108},
        {PictureId::PlayCursorStrip, 2, 150},
        {PictureId::SpectrumGrid, 600, 90},
        {PictureId::TransportGlyphs, 25 * 21, 23},
        {PictureId::MiddleCMarker, 18, 108},
        {PictureId::TitleLogo, 213, 34},
        {PictureId::NoteGlyphs, 48 * 18, 24},
        {PictureId::StaffBoth, 137, 284},
        {PictureId::StaffTreble, 137, 284},
        {PictureId::StaffBass, 137, 284},
        {PictureId::MarkCursorStrip, 2, 150},
    }};
    for (const auto& [id, width, height] : sizes) {
        const FrameBuffer picture = Render(id);
        EXPECT_EQ(picture.Width(), width) << static_cast<int>(id);
        EXPECT_EQ(picture.Height(), height) << static_cast<int>(id);
    }
    for (const int id : {0, -1, 105, 109, 130, 159, 206, 10000}) EXPECT_FALSE(RenderPicture(id).has_value()) << id;
}

TEST(PicturesTest, CursorStripsAreSolid) {
    for (const auto& [id, colour] : {std::pair{PictureId::PlayCursorStrip, Rgb{0, 255, 255}},
                                     std::pair{PictureId::MarkCursorStrip, Rgb{255, 255, 0}}}) {
        EXPECT_EQ(Render(id), FrameBuffer(2, 150, colour)) << static_cast<int>(id);
    }
}

TEST(PicturesTest, SplitStripCutsCellsLeftToRight) {
    FrameBuffer strip(9, 2, kWhite);
    for (int x = 0; x < 9; ++x) strip.SetPixel(x, 1, {static_cast<std::uint8_t>(x), 0, 0});
    const auto cells = SplitStrip(strip, 3, 3);
    ASSERT_EQ(cells.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cells[i].Width(), 3);
        EXPECT_EQ(cells[i].Height(), 2);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(cells[i].Pixel(x, 1).r, 3 * i + x);
    }
    EXPECT_EQ(SplitStrip(strip, 3, 2).size(), 2u);
    EXPECT_TRUE(SplitStrip(strip, 3, 4).empty());
    EXPECT_TRUE(SplitStrip(strip, 0, 3).empty());
}

// ---------------------------------------------------------------------------
// Keyboard, grid and marker: the display code finds keys by these columns.
// ---------------------------------------------------------------------------

TEST(KeyboardPictureTest, WhiteKeyEdgesLieOnTheKeyBoundaries) {
    const FrameBuffer keyboard = Render(PictureId::Keyboard);
    constexpr std::array<int, 8> kEdges{0, 17, 34, 51, 68, 85, 102, 120};
    constexpr int kRow = 90;  // below the black keys
    for (int octave = 0; octave < 5; ++octave)
        for (std::size_t k = 0; k + 1 < kEdges.size(); ++k) {
            const int edge = octave * 120 + kEdges[k];
            EXPECT_NE(keyboard.Pixel(edge, kRow), kWhite) << "edge at " << edge;
            for (int x = edge + 1; x < octave * 120 + kEdges[k + 1]; ++x)
                ASSERT_EQ(keyboard.Pixel(x, kRow), kWhite) << "inside a key at " << x;
        }
}

TEST(KeyboardPictureTest, BlackKeysCoverExactlyTheGreyColumnsOfTheGrid) {
    const FrameBuffer keyboard = Render(PictureId::Keyboard);
    const FrameBuffer grid = Render(PictureId::SpectrumGrid);
    for (int x = 0; x < 600; ++x) {
        const bool blackKey = grid.Pixel(x, 45) == kGridBlackKeyColumn;
        for (const int y : {5, 40, kBlackKeyBottom}) {
            EXPECT_EQ(IsDark(keyboard.Pixel(x, y)), blackKey) << x << "," << y;
        }
        if (blackKey) {
            EXPECT_FALSE(IsDark(keyboard.Pixel(x, kBlackKeyBottom + 1))) << "black key too long at " << x;
        }
    }
    // C# of each octave sits at columns 10 to 19.
    for (int octave = 0; octave < 5; ++octave) {
        EXPECT_FALSE(IsDark(keyboard.Pixel(octave * 120 + 9, 40)));
        EXPECT_TRUE(IsDark(keyboard.Pixel(octave * 120 + 10, 40)));
        EXPECT_TRUE(IsDark(keyboard.Pixel(octave * 120 + 19, 40)));
        EXPECT_FALSE(IsDark(keyboard.Pixel(octave * 120 + 20, 40)));
    }
}

TEST(KeyboardPictureTest, RedBandRunsAlongTheTopFourRows) {
    const FrameBuffer keyboard = Render(PictureId::Keyboard);
    for (int x = 0; x < 600; ++x) {
        for (int y = 0; y < 4; ++y) ASSERT_TRUE(IsRed(keyboard.Pixel(x, y))) << x << "," << y;
        ASSERT_FALSE(IsRed(keyboard.Pixel(x, 4))) << x;
    }
}

TEST(SpectrumGridPictureTest, OneColumnOfTenPixelsPerSemitoneStartingAtC) {
    const FrameBuffer grid = Render(PictureId::SpectrumGrid);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 600; ++x)
            ASSERT_EQ(grid.Pixel(x, y), (IsBlackKeySemitone(x / 10) ? Rgb{192, 192, 192} : kWhite)) << x << "," << y;
}

TEST(MiddleCMarkerPictureTest, IsTheKeyboardsCKeyWithItsFaceHighlighted) {
    const FrameBuffer marker = Render(PictureId::MiddleCMarker);
    const FrameBuffer keyboard = Render(PictureId::Keyboard);
    constexpr int kMiddleC = 240;
    const Rgb highlight = marker.Pixel(5, 80);
    EXPECT_GT(std::abs(highlight.r - 255) + std::abs(highlight.g - 255) + std::abs(highlight.b - 255), 120)
        << "the highlight must stand out from a white key";
    for (int y = 0; y < 108; ++y)
        for (int x = 0; x < 18; ++x) {
            const Rgb key = keyboard.Pixel(kMiddleC + x, y);
            const Rgb mark = marker.Pixel(x, y);
            if (key == kWhite && x <= 16) {
                ASSERT_EQ(mark, highlight) << x << "," << y;
            } else if (x >= 1 && x <= 16 && y >= 100 && y < 107) {
                ASSERT_NE(mark, key) << "the shaded front of the key is highlighted too at " << x << "," << y;
            } else {
                // Band, key edges and the C# key are the keyboard's own.
                ASSERT_EQ(mark, key) << x << "," << y;
            }
        }
}

// ---------------------------------------------------------------------------
// Staff pictures.
// ---------------------------------------------------------------------------

struct StaffCase {
    PictureId id;
    Rgb treble, bass, frame;
};
constexpr std::array<StaffCase, 3> kStaffCases{{
    {PictureId::StaffBoth, kBlack, kBlack, {0, 191, 247}},
    {PictureId::StaffTreble, kBlack, {192, 192, 192}, {0, 255, 255}},
    {PictureId::StaffBass, {192, 192, 192}, kBlack, {0, 255, 255}},
}};

TEST(StaffPictureTest, StaffLinesAndDoubleBarInEachStaffsColour) {
    for (const StaffCase& c : kStaffCases) {
        SCOPED_TRACE(static_cast<int>(c.id));
        const FrameBuffer staff = Render(c.id);
        for (const auto& [rows, colour] : {std::pair{std::array{80, 88, 96, 104, 112}, c.treble},
                                           std::pair{std::array{160, 168, 176, 184, 192}, c.bass}}) {
            for (const int row : rows) {
                for (int x = 40; x <= 123; ++x) ASSERT_EQ(staff.Pixel(x, row), colour) << x << "," << row;
                EXPECT_EQ(staff.Pixel(8, row), colour);
                EXPECT_EQ(staff.Pixel(124, row), kWhite) << row;
                // Between the lines: white but for the bars at the right.
                const int between = row + 4;
                if (row == rows.back()) continue;
                for (int x = 40; x <= 124; ++x) {
                    const bool bar = x == 118 || (x >= 121 && x <= 123);
                    const bool frame = x == 52 || x == 109;
                    if (frame) continue;
                    ASSERT_EQ(staff.Pixel(x, between), bar ? colour : kWhite) << x << "," << between;
                }
            }
        }
        // Nothing is drawn above the note column frame or below it.
        for (int y = 0; y < 284; ++y) {
            if (y >= 34 && y <= 216) continue;
            for (int x = 0; x < 137; ++x) ASSERT_EQ(staff.Pixel(x, y), kWhite) << x << "," << y;
        }
    }
}

TEST(StaffPictureTest, DashedNoteColumnFrameFrom52_34To109_216) {
    for (const StaffCase& c : kStaffCases) {
        SCOPED_TRACE(static_cast<int>(c.id));
        const FrameBuffer staff = Render(c.id);
        for (const Point corner : {Point{52, 34}, Point{109, 34}, Point{52, 216}, Point{109, 216}})
            EXPECT_EQ(staff.Pixel(corner.x, corner.y), c.frame) << corner.x << "," << corner.y;
        // Dashed: both ink and gaps along every side (away from the staves).
        auto dashed = [&](auto pixelAt, int from, int to) {
            int ink = 0, gap = 0;
            for (int i = from; i <= to; ++i) {
                if (pixelAt(i) == c.frame) ++ink;
                if (pixelAt(i) == kWhite) ++gap;
            }
            return ink > 0 && gap > 0;
        };
        EXPECT_TRUE(dashed([&](int x) { return staff.Pixel(x, 34); }, 52, 109));
        EXPECT_TRUE(dashed([&](int x) { return staff.Pixel(x, 216); }, 52, 109));
        EXPECT_TRUE(dashed([&](int y) { return staff.Pixel(52, y); }, 34, 79));
        EXPECT_TRUE(dashed([&](int y) { return staff.Pixel(109, y); }, 34, 79));
        // The frame colour appears nowhere else.
        for (int y = 0; y < 284; ++y)
            for (int x = 0; x < 137; ++x) {
                const bool onFrame = ((x == 52 || x == 109) && y >= 34 && y <= 216) || ((y == 34 || y == 216) && x >= 52 && x <= 109);
                if (!onFrame) {
                    ASSERT_NE(staff.Pixel(x, y), c.frame) << x << "," << y;
                }
            }
    }
}

TEST(StaffPictureTest, ClefsAreInkedInTheirStaffsColour) {
    // Left of the note column, between the brace and the frame, only the
    // clefs and the staff lines are drawn: count ink of each staff's colour.
    for (const StaffCase& c : kStaffCases) {
        SCOPED_TRACE(static_cast<int>(c.id));
        const FrameBuffer staff = Render(c.id);
        auto inkRows = [&](int y0, int y1, Rgb colour) {
            int rows = 0;
            for (int y = y0; y <= y1; ++y) {
                bool ink = false;
                for (int x = 10; x < 45; ++x) ink = ink || staff.Pixel(x, y) == colour;
                rows += ink;
            }
            return rows;
        };
        // The treble clef reaches well above and below its staff.
        EXPECT_GT(inkRows(66, 79, c.treble), 6);
        EXPECT_GT(inkRows(113, 128, c.treble), 6);
        // The bass clef lies within its staff, around the F line.
        EXPECT_GT(inkRows(161, 175, c.bass), 10);
    }
}

// ---------------------------------------------------------------------------
// Note glyphs.
// ---------------------------------------------------------------------------

struct InkBox {
    int x0 = 1000, y0 = 1000, x1 = -1, y1 = -1;
    bool Empty() const { return x1 < 0; }
};

InkBox InkIn(const FrameBuffer& cell, int fromX, int toX) {
    InkBox box;
    for (int y = 0; y < cell.Height(); ++y)
        for (int x = fromX; x <= toX; ++x)
            if (cell.Pixel(x, y) != kTransparentColour) {
                box.x0 = std::min(box.x0, x);
                box.x1 = std::max(box.x1, x);
                box.y0 = std::min(box.y0, y);
                box.y1 = std::max(box.y1, y);
            }
    return box;
}

TEST(NoteGlyphsTest, HeadsFillTheirEllipseBoxAndAccidentalsStandBeforeOrAfter) {
    const auto cells = SplitStrip(Render(PictureId::NoteGlyphs), kNoteGlyphWidth, kNoteGlyphCount);
    ASSERT_EQ(cells.size(), 18u);
    for (int glyph = 0; glyph < kNoteLedgerLine; ++glyph) {
        SCOPED_TRACE(glyph);
        const FrameBuffer& cell = cells[static_cast<std::size_t>(glyph)];
        const InkBox head = InkIn(cell, 15, 31);
        EXPECT_EQ(head.x0, 18);
        EXPECT_EQ(head.x1, 29);
        EXPECT_EQ(head.y0, 8);
        EXPECT_EQ(head.y1, 15);
        EXPECT_EQ(cell.Pixel(18, 12), kBlack);
        EXPECT_EQ(cell.Pixel(23, 8), kBlack);
        const InkBox before = InkIn(cell, 0, 17), after = InkIn(cell, 30, 47);
        const bool hasBefore = glyph >= 1 && glyph <= 3, hasAfter = glyph >= 5;
        EXPECT_EQ(!before.Empty(), hasBefore);
        EXPECT_EQ(!after.Empty(), hasAfter);
        if (hasBefore) {
            EXPECT_LE(before.x1, 16) << "an accidental must not touch the head";
        }
        if (hasAfter) {
            EXPECT_GE(after.x0, 31);
        }
    }
    // The accidentals after the head are the ones before it, moved right.
    for (int glyph = 1; glyph <= 3; ++glyph) {
        const FrameBuffer& front = cells[static_cast<std::size_t>(glyph)];
        const FrameBuffer& back = cells[static_cast<std::size_t>(glyph + 4)];
        const InkBox box = InkIn(front, 0, 17);
        const int shift = InkIn(back, 30, 47).x0 - box.x0;
        for (int y = 0; y < 24; ++y)
            for (int x = box.x0; x <= 17; ++x) ASSERT_EQ(front.Pixel(x, y), back.Pixel(x + shift, y)) << glyph << ": " << x << "," << y;
    }
    // Sharp, flat and natural differ from each other.
    EXPECT_NE(cells[1].Crop({0, 0, 18, 24}), cells[2].Crop({0, 0, 18, 24}));
    EXPECT_NE(cells[1].Crop({0, 0, 18, 24}), cells[3].Crop({0, 0, 18, 24}));
    EXPECT_NE(cells[2].Crop({0, 0, 18, 24}), cells[3].Crop({0, 0, 18, 24}));
}

TEST(NoteGlyphsTest, LedgerLineIsRow12FromX14To33) {
    const auto cells = SplitStrip(Render(PictureId::NoteGlyphs), kNoteGlyphWidth, kNoteGlyphCount);
    ASSERT_EQ(cells.size(), 18u);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 48; ++x)
            ASSERT_EQ(cells[8].Pixel(x, y), y == 12 && x >= 14 && x <= 33 ? kBlack : kTransparentColour) << x << "," << y;
}

TEST(NoteGlyphsTest, SecondHalfRepeatsTheFirstInGrey) {
    const auto cells = SplitStrip(Render(PictureId::NoteGlyphs), kNoteGlyphWidth, kNoteGlyphCount);
    ASSERT_EQ(cells.size(), 18u);
    for (std::size_t glyph = 0; glyph < 9; ++glyph)
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 48; ++x) {
                const Rgb black = cells[glyph].Pixel(x, y), grey = cells[glyph + 9].Pixel(x, y);
                ASSERT_TRUE(black == kBlack || black == kTransparentColour) << glyph << ": " << x << "," << y;
                ASSERT_EQ(grey, (black == kBlack ? Rgb{128, 128, 128} : kTransparentColour)) << glyph << ": " << x << "," << y;
            }
}

// ---------------------------------------------------------------------------
// Transport glyphs.
// ---------------------------------------------------------------------------

struct InkStats {
    int count = 0;
    double luminance = 0, r = 0, g = 0, b = 0;
};

InkStats Ink(const FrameBuffer& cell) {
    InkStats s;
    for (int y = 0; y < cell.Height(); ++y)
        for (int x = 0; x < cell.Width(); ++x) {
            const Rgb p = cell.Pixel(x, y);
            if (p == kTransparentColour) continue;
            ++s.count;
            s.r += p.r;
            s.g += p.g;
            s.b += p.b;
        }
    if (s.count > 0) {
        s.r /= s.count;
        s.g /= s.count;
        s.b /= s.count;
        s.luminance = 0.3 * s.r + 0.59 * s.g + 0.11 * s.b;
    }
    return s;
}

TEST(TransportGlyphsTest, TwentyOneGlyphsOnTheTransparentColour) {
    const auto cells = SplitStrip(Render(PictureId::TransportGlyphs), kTransportGlyphWidth, kTransportGlyphCount);
    ASSERT_EQ(cells.size(), 21u);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const FrameBuffer& cell = cells[i];
        EXPECT_EQ(cell.Height(), 23);
        for (const Point p : {Point{0, 0}, Point{24, 0}, Point{0, 22}, Point{24, 22}, Point{12, 0}, Point{0, 11}})
            EXPECT_EQ(cell.Pixel(p.x, p.y), kTransparentColour) << i;
        EXPECT_GT(Ink(cell).count, 60) << "glyph " << i << " is all but empty";
    }
    // No two cells repeat a glyph.
    for (std::size_t i = 0; i < cells.size(); ++i)
        for (std::size_t j = i + 1; j < cells.size(); ++j) EXPECT_NE(cells[i], cells[j]) << i << " " << j;
}

TEST(TransportGlyphsTest, PressedGlyphsAreTheSameShapeDarker) {
    const auto cells = SplitStrip(Render(PictureId::TransportGlyphs), kTransportGlyphWidth, kTransportGlyphCount);
    ASSERT_EQ(cells.size(), 21u);
    for (std::size_t glyph = 0; glyph < 14; glyph += 2) {
        SCOPED_TRACE(glyph);
        const FrameBuffer &up = cells[glyph], &down = cells[glyph + 1];
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 25; ++x)
                ASSERT_EQ(up.Pixel(x, y) == kTransparentColour, down.Pixel(x, y) == kTransparentColour) << x << "," << y;
        EXPECT_LT(Ink(down).luminance, Ink(up).luminance * 0.85);
    }
}

TEST(TransportGlyphsTest, DisabledGlyphsAreGreyAndLiveInputIsGreen) {
    const auto cells = SplitStrip(Render(PictureId::TransportGlyphs), kTransportGlyphWidth, kTransportGlyphCount);
    ASSERT_EQ(cells.size(), 21u);
    for (std::size_t glyph = 14; glyph < 21; ++glyph)
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 25; ++x) {
                const Rgb p = cells[glyph].Pixel(x, y);
                if (p == kTransparentColour) continue;
                // Grey shades, at most tinted by the button face they are blended toward.
                ASSERT_LE(std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}), 20) << glyph << ": " << x << "," << y;
            }
    for (const std::size_t live : {std::size_t{12}, std::size_t{13}}) {
        const InkStats s = Ink(cells[live]);
        EXPECT_GT(s.g, s.r + 40) << live;
        EXPECT_GT(s.g, s.b + 40) << live;
    }
    // The disabled glyphs are the enabled ones in order: same place of ink.
    constexpr std::array<std::size_t, 7> kEnabled{0, 2, 4, 6, 8, 10, 12};
    for (std::size_t k = 0; k < kEnabled.size(); ++k) {
        const InkBox on = InkIn(cells[kEnabled[k]], 0, 24), off = InkIn(cells[14 + k], 0, 24);
        EXPECT_NEAR(on.x0, off.x0, 1) << k;
        EXPECT_NEAR(on.y0, off.y0, 1) << k;
    }
}

TEST(ProgramIconTest, IsOpaqueAndNotFlat) {
    const FrameBuffer icon = Render(PictureId::ProgramIcon);
    int light = 0, dark = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const Rgb p = icon.Pixel(x, y);
            EXPECT_NE(p, kTransparentColour);
            const int sum = p.r + p.g + p.b;
            if (sum > 500) ++light;
            if (sum < 250) ++dark;
        }
    EXPECT_GT(light, 60);
    EXPECT_GT(dark, 300);
}

}  // namespace
}  // namespace earloop
