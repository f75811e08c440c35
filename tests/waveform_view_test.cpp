// The waveform areas in pixels: the overview a load draws, its cursors and
// repeat range, and the detail view.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fakes/app_harness.h"
#include "fakes/sample_bytes.h"
#include "ports/control_ids.h"

namespace earloop {
namespace {

constexpr Rgb kTrace{0, 0, 127};
constexpr Rgb kYellow{255, 255, 0};

struct Harness : testing::AppHarness {
    Harness() {
        EXPECT_TRUE(Start());
        app.Paint();
    }
    MainView& View() { return app.View(); }
    const FrameBuffer& Overview() { return app.View().Pictures().overview; }
};

std::set<int> RowsOf(const FrameBuffer& picture, Rgb colour, int fromX, int toX) {
    std::set<int> rows;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = fromX; x < toX; ++x)
            if (picture.Pixel(x, y) == colour) rows.insert(y);
    return rows;
}

std::set<int> ColumnsOf(const FrameBuffer& picture, Rgb colour, int y) {
    std::set<int> columns;
    for (int x = 0; x < picture.Width(); ++x)
        if (picture.Pixel(x, y) == colour) columns.insert(x);
    return columns;
}

// Rows or columns from..to, both included, of each range.
std::set<int> Span(std::initializer_list<std::pair<int, int>> ranges) {
    std::set<int> rows;
    for (auto [from, to] : ranges)
        for (int y = from; y <= to; ++y) rows.insert(y);
    return rows;
}

TEST(WaveformOverview, TracesSitOnTheirChannelCentresAndTwoChannelsAreLabelled) {
    // 32400 frames of a ramp, 60 a column (stereo: the right channel falls).
    // Loaded, the samples lose their mean and half their size: -8099 to 8100,
    // 15 pixels either side of a centre; column 100 lies 9 pixels below
    // (right: above).
    struct Case { std::uint16_t channels; std::set<int> column100, rows; bool labels; };
    for (const Case& c : {Case{1, {63, 72}, Span({{48, 78}}), false},
                          Case{2, {31, 40, 86, 95}, Span({{16, 46}, {80, 110}}), true}}) {
        Harness h;
        h.LoadRamp(32400, c.channels);
        EXPECT_EQ(RowsOf(h.Overview(), kTrace, 100, 101), c.column100) << c.channels;
        EXPECT_EQ(RowsOf(h.Overview(), kTrace, 0, kOverviewWidth), c.rows) << c.channels;

        h.text.calls.clear();
        h.app.Paint();
        std::vector<std::pair<std::string, Point>> labels;
        for (const auto& call : h.text.calls)
            if (call.text.size() == 1) labels.emplace_back(call.text, call.at);
        EXPECT_EQ(labels, (c.labels ? decltype(labels){{"L", {3, 22}}, {"R", {3, 86}}} : decltype(labels){}));
    }
}

TEST(WaveformOverview, ALongWaveIsTracedThroughEveryStepFactorthFrameUnderItsProgressWindow) {
    // 120000 bytes: every second frame. Those are the even ones, all +10240
    // once loaded, so the trace is flat 20 pixels above the centre.
    Harness h;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 60000; ++i) samples.push_back(i % 2 == 0 ? 20480 : -20480);
    h.Load(samples, 1);
    EXPECT_EQ(RowsOf(h.Overview(), kTrace, 270, 271), (std::set<int>{43, 63}));
    EXPECT_EQ(RowsOf(h.Overview(), kTrace, 0, kOverviewWidth), Span({{43, 63}}));

    const auto& log = h.dialogs.progress;
    EXPECT_NE(std::find(log.begin(), log.end(), "open INITIALIZING: Initializing ... 5"), log.end());
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), (std::vector<std::string>{"percent 100", "close"}));
    EXPECT_EQ(h.dialogs.openProgressWindows, 0);
    const auto& ev = h.window.events;
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "busy"), std::count(ev.begin(), ev.end(), "idle"));
}

TEST(OverviewCursors, MoveByExclusiveOrAndTheEndOfTheWaveIsColumn540) {
    Harness h;
    const FrameBuffer painted = h.window.screen;
    // From a fresh paint both cursors sit on column 0 of the white overview.
    h.View().MovePlayCursor(100);
    EXPECT_EQ(std::tuple(h.window.screen.Pixel(114, 60), h.window.screen.Pixel(14, 60)),
              std::tuple(Rgb{255, 0, 0}, Rgb{0, 0, 255})) << "white ^ cyan; white ^ yellow";
    h.View().MovePlayCursor(0);
    EXPECT_EQ(h.window.screen, painted);

    struct Case { std::uint32_t elapsed, total; int column; };
    // 535 and 8487 are lengths where 540.0 / total x total falls just short of 540.
    for (const Case& c : {Case{500, 1000, 270}, Case{1000, 1000, 540}, Case{535, 535, 540}, Case{8487, 8487, 540}})
        EXPECT_EQ(PlayCursorColumn(c.elapsed, c.total), c.column) << c.total;
    h.View().MovePlayCursor(540);
    EXPECT_EQ(h.window.screen.Pixel(554, 60), (Rgb{236, 233 ^ 255, 216 ^ 255})) << "face ^ cyan, right of the overview";

    // The mark moved to the same place twice stays there.
    for (int i = 0; i < 2; ++i) h.View().MoveMarkCursor(2000, 4000);
    EXPECT_EQ(ColumnsOf(h.window.screen.Crop({0, 0, 560, 127}), Rgb{0, 0, 255}, 60), std::set<int>{284});
    EXPECT_EQ(h.View().Texts().markTime, "00:02.00 ");
    EXPECT_EQ(h.window.drawnTexts.at("Mark"), "00:02.00 ") << "as a screen reader reads it";
    h.View().MovePlayCursor(0);
    h.View().RemoveMarkCursor();
    EXPECT_EQ(h.window.screen.Crop({0, 0, 560, 127}), painted.Crop({0, 0, 560, 127}));
}

TEST(KeepRange, InvertsFromTheMarkAndASecondDrawRestoresEveryPixel) {
    struct Case { int mark, end; std::uint32_t total; int x, width; };
    Harness h;
    const FrameBuffer before = h.window.screen;
    // The last: 540 x the mark needs more than 31 bits.
    for (const Case& c : {Case{1000, 2000, 4000, 149, 135}, Case{1, 3, 7, 91, 154},
                          Case{5000000, 6000000, 8000000, 351, 67}}) {
        h.View().DrawKeepRange(c.mark, c.end, c.total);
        // The white overview turns black inside the range only.
        const FrameBuffer& s = h.window.screen;
        EXPECT_EQ(ColumnsOf(s, Rgb{}, 60), Span({{c.x, c.x + c.width - 1}})) << c.mark;
        EXPECT_EQ(RowsOf(s.Crop({0, 0, 560, 128}), Rgb{}, c.x, c.x + 1), Span({{0, 126}})) << c.mark;
        // A repaint with the range set shows it the same way.
        const FrameBuffer ranged = s;
        h.View().Paint({1, c.total, true, c.mark, true, c.end});
        EXPECT_EQ(s, ranged) << c.mark;
        h.View().DrawKeepRange(c.mark, c.end, c.total);
        EXPECT_EQ(s.Crop({0, 0, 560, 127}), before.Crop({0, 0, 560, 127})) << c.mark;
    }
    h.View().DrawKeepRange(1000, 62340, 100000);
    EXPECT_EQ(std::tuple(h.View().Texts().repeatTime, h.text.calls.back().text), std::tuple("01:02.34 ", "01:02.34 "));
}

TEST(DetailView, ShowsTheFramesBeforeThePositionClampedToTheBox) {
    // 138 silent frames, then 138 of (left, right); the view reaches 138
    // frames back, one frame a column.
    struct Case { int channels, left, right; bool vocalCancel; std::uint32_t positionFrames; std::set<int> rows; };
    const Case cases[] = {
        {1, 5460, 0, false, 276, {157, 177, 181, 204}},
        {2, 2730, 2730, false, 276, {157, 177, 181, 204}},
        {2, 2730, 2730, true, 276, {157, 181, 204}},       // equal channels cancel out
        {2, 2730, -2730, true, 276, {157, 177, 181, 204}},
        {2, 30000, 30000, false, 276, {157, 181, 204}},    // clamped onto the top edge
        {2, -30000, -30000, false, 276, {157, 181, 204, 205}},
        {1, 5460, 0, false, 138, {157, 181, 204}},         // the silent frames before the position
    };
    Harness h;
    for (const Case& c : cases) {
        std::vector<std::int16_t> samples(138 * c.channels, 0);
        for (int i = 0; i < 138; ++i) {
            samples.push_back(static_cast<std::int16_t>(c.left));
            if (c.channels == 2) samples.push_back(static_cast<std::int16_t>(c.right));
        }
        const auto bytes = testing::ToBytes(samples);
        const auto align = static_cast<std::uint32_t>(2 * c.channels);
        h.View().DrawDetailView({.samples = bytes, .position = c.positionFrames * align, .windowBytes = 138 * align,
                                 .blockAlign = align, .channels = c.channels, .vocalCancelOn = c.vocalCancel});
        EXPECT_EQ(RowsOf(h.window.screen, kYellow, 695, 696), c.rows) << c.left << " " << c.vocalCancel;
        EXPECT_EQ(h.window.screen.Pixel(700, 170), Rgb{}) << "black box";
    }
    h.View().DrawDetailView({});
    EXPECT_EQ(RowsOf(h.window.screen, kYellow, 695, 696), (std::set<int>{157, 181, 204})) << "the empty view";
}

}  // namespace
}  // namespace earloop
