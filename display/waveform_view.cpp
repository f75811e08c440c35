// The waveform overview with its cursors and repeat range, the detail view,
// the empty spectrum strip, and the paint that composes them.

#include "display/waveform_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "display/main_view.h"

namespace earloop {

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr const char* kMarkTimeFormat = "%02d:%02d.%02d ";
// The window's default font, for the channel labels.
const FontSpec kDefaultFont{"System", 16, 7, 700, false};
// Where a cursor at column 540 and the channel labels fall: the margins
// beside the overview, which no picture covers.
constexpr Rect kLabelMargin{0, 0, kOverviewAt.x, kOverviewHeight};
constexpr Rect kRightMargin{kOverviewAt.x + kOverviewWidth, 0, 13, kOverviewHeight};

// A signed 16-bit little-endian sample; the caller keeps `at + 1` in range.
int SampleAt(std::span<const std::uint8_t> samples, std::size_t at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(samples[at] | samples[at + 1] << 8));
}

// The divisor of a sample for a zoom: the integer part of fullScale / zoom,
// at least 1; no zoom at all draws flat.
int ZoomDivisor(double fullScale, double zoom) {
    const double divisor = zoom > 0.0 ? fullScale / zoom : 1e9;
    return static_cast<int>(std::clamp(divisor, 1.0, 1e9));
}

// Lines from a current point, each without its end point, as the platform's
// line drawing does.
struct Pen {
    FrameBuffer& target;
    Rgb colour;
    Point at;
    void LineTo(Point to) {
        target.Line(at, to, colour);
        at = to;
    }
};

// The repeat range over the overview, in whole pixels of the window; the
// products are taken wide, as a long wave's milliseconds x 540 need 33 bits.
Rect KeepRange(int markMs, int endMs, std::uint32_t totalMs) {
    const auto x = std::int64_t{kOverviewWidth} * markMs / totalMs;
    const auto width = std::int64_t{kOverviewWidth} * (std::int64_t{endMs} - markMs) / totalMs;
    return {kOverviewAt.x + static_cast<int>(x), kOverviewAt.y, static_cast<int>(width), kOverviewHeight};
}

}  // namespace

int PlayCursorColumn(std::uint32_t elapsedMs, std::uint32_t totalMs) {
    if (totalMs == 0) return 0;
    return static_cast<int>(std::uint64_t{kOverviewWidth} * elapsedMs / totalMs);
}

int MarkCursorColumn(int ms, std::uint32_t totalMs) {
    if (totalMs == 0) return 0;
    return static_cast<int>(std::int64_t{ms} * kOverviewWidth / totalMs);
}

void MainView::DrawOverview(std::span<const std::uint8_t> samples, std::uint32_t byteCount, std::uint32_t blockAlign,
                            int channels, std::uint32_t stepFactor, double zoom, Rgb colour) {
    auto progress = dialogs_.OpenProgress("INITIALIZING", "Initializing ...", 5);
    window_.SetBusyCursor(true);

    FrameBuffer& surface = surfaces_.overview;
    surface.Fill({static_cast<std::uint8_t>(255 - colour.r), static_cast<std::uint8_t>(255 - colour.g),
                  static_cast<std::uint8_t>(255 - colour.b)});
    const int divisor = ZoomDivisor(512.0, zoom);
    byteCount = static_cast<std::uint32_t>(std::min<std::size_t>(byteCount, samples.size()));
    const std::uint64_t step = std::uint64_t{blockAlign} * std::max(stepFactor, 1u);
    const std::uint64_t thousands = byteCount / 1000;
    int shown = 5;
    // One channel from byte `first`, around row `centre`; its progress runs
    // from `base` over `share` percent.
    auto trace = [&](std::uint64_t first, int centre, int base, int share) {
        Pen pen{surface, colour, {0, centre}};
        pen.LineTo({kOverviewWidth, centre});
        pen.at = {0, centre};
        if (step == 0) return;
        for (std::uint64_t o = first; o + 2 <= byteCount; o += step) {
            const int v = SampleAt(samples, o) / divisor;
            pen.LineTo({static_cast<int>(static_cast<double>(o) / byteCount * 540.0), centre - v});
            if (thousands == 0) continue;
            // The bar is full at 100 whatever the last step's overshoot.
            const int percent = static_cast<int>(std::min<std::uint64_t>(base + (o + step) / 1000 * share / thousands, 100));
            if (percent != shown) progress->SetPercent(shown = percent);
        }
    };
    if (channels == 2) {
        trace(0, kOverviewHeight / 4, 0, 50);
        trace(2, 3 * kOverviewHeight / 4, 50, 50);
    } else {
        trace(0, kOverviewHeight / 2, 0, 100);
    }

    progress.reset();
    window_.SetBusyCursor(false);
}

void MainView::ShowNewOverview() {
    view_.overviewZoom = 1.0;
    view_.playCursorColumn = 0;
    view_.markCursorColumn = 0;
    client_.Blit(kOverviewAt, surfaces_.overview);
    DrawCursor(surfaces_.playCursorStrip, 0);
    DrawCursor(surfaces_.markCursorStrip, 0);
    window_.Present(client_, {kOverviewAt.x, kOverviewAt.y, kOverviewWidth, kOverviewHeight});
}

void MainView::SaveOverview() { surfaces_.overviewSave = surfaces_.overview; }

void MainView::RestoreOverview() {
    surfaces_.overview = surfaces_.overviewSave;
    window_.Invalidate({0, 0, kClientWidth, kClientHeight});
}

void MainView::ClearOverview() {
    surfaces_.overview.Fill(kWhite);
    window_.Invalidate({0, 0, kClientWidth, kClientHeight});
}

void MainView::DrawCursor(const FrameBuffer& strip, int column) {
    client_.Blit({kOverviewAt.x + column, kOverviewAt.y}, strip, {0, 0, 1, kOverviewHeight}, FrameBuffer::Blend::Xor);
}

void MainView::PresentColumn(int column) {
    window_.Present(client_, {kOverviewAt.x + column, kOverviewAt.y, 1, kOverviewHeight});
}

void MainView::MovePlayCursor(int column) {
    const int old = view_.playCursorColumn;
    DrawCursor(surfaces_.playCursorStrip, column);
    DrawCursor(surfaces_.playCursorStrip, old);
    view_.playCursorColumn = column;
    PresentColumn(column);
    PresentColumn(old);
}

void MainView::MoveMarkCursor(int ms, std::uint32_t totalMs) {
    const int old = view_.markCursorColumn;
    DrawCursor(surfaces_.markCursorStrip, old);
    PresentColumn(old);
    readouts_.markTime = FormatPlayTime(kMarkTimeFormat, static_cast<unsigned>(ms));
    DrawMarkTime(readouts_.markTime);
    const int column = MarkCursorColumn(ms, totalMs);
    view_.markCursorColumn = column;
    DrawCursor(surfaces_.markCursorStrip, column);
    PresentColumn(column);
}

void MainView::RemoveMarkCursor() {
    const int old = std::exchange(view_.markCursorColumn, 0);
    DrawCursor(surfaces_.markCursorStrip, old);
    DrawCursor(surfaces_.markCursorStrip, 0);
    PresentColumn(old);
    PresentColumn(0);
}

void MainView::DrawKeepRange(int markMs, int endMs, std::uint32_t totalMs) {
    if (totalMs != 0) {
        const Rect range = KeepRange(markMs, endMs, totalMs);
        client_.InvertRect(range);
        window_.Present(client_, range);
    }
    readouts_.repeatTime = FormatPlayTime(kMarkTimeFormat, static_cast<unsigned>(endMs));
    DrawRepeatTime(readouts_.repeatTime);
}

void MainView::DrawDetailView(const DetailSamples& d) {
    const Rect box = kDetailView;
    const Rgb colour = d.grey == 0 ? Rgb{255, 255, 0} : Rgb{127, 127, 127};
    const int centre = box.y + box.height / 2;
    // A trace clamped downward reaches the row under the box; it shows only
    // the latest trace.
    const Rect drawn{box.x, box.y, box.width, box.height + 1};
    client_.FillRect({box.x, box.Bottom(), box.width, 1}, FaceColour());
    client_.FillRect(box, {d.grey, d.grey, d.grey});
    client_.FrameRect(box, colour);
    Pen pen{client_, colour, {box.x, centre}};
    pen.LineTo({box.Right(), centre});
    pen.at = {box.x, centre};

    const std::size_t align = d.blockAlign;
    const std::size_t frameBytes = d.channels == 2 ? 4 : 2;
    const bool empty = align < frameBytes || d.samples.size() < align || (!d.input && d.zoom == 0.0);
    if (empty) {
        window_.Present(client_, drawn);
        return;
    }
    std::size_t at = d.input ? d.position : d.position - std::min(d.position, d.windowBytes);
    // Reads stay on whole frames and stop at the last one.
    const std::size_t last = (d.samples.size() / align - 1) * align;
    at = std::min(at - at % align, last);
    const int divisor = ZoomDivisor(1365.0, d.zoom);
    const std::uint32_t framesPerColumn = std::max<std::uint32_t>(d.windowBytes / d.blockAlign / box.width, 1);
    for (int x = 0; x < box.width; ++x)
        for (std::uint32_t frame = 0; frame < framesPerColumn; ++frame) {
            int value = SampleAt(d.samples, at);
            if (d.channels == 2) {
                const int right = SampleAt(d.samples, at + 2);
                value = d.vocalCancelOn ? value - right : value + right;
            }
            pen.LineTo({box.x + x, centre - std::clamp(value / divisor, -24, 24)});
            if (at + align <= last) at += align;
        }
    window_.Present(client_, drawn);
}

void MainView::ClearSpectrum() {
    client_.Blit(kSpectrumAt, surfaces_.spectrumGrid);
    window_.Present(client_, {kSpectrumAt.x, kSpectrumAt.y, surfaces_.spectrumGrid.Width(), surfaces_.spectrumGrid.Height()});
}

void MainView::DrawSpectrum(std::span<const double> levels, int blockPeak, int clipLevel, int calibrationSteps) {
    FrameBuffer strip = surfaces_.spectrumGrid;
    const int height = strip.Height();
    double largest = 1;
    for (double level : levels) largest = std::max(largest, std::trunc(level));
    const int peak = std::max(blockPeak, 1);
    if (clipLevel > peak) largest *= clipLevel / peak;
    Point from{0, height};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const Point to{std::clamp(static_cast<int>(i) - calibrationSteps, 0, strip.Width()),
                       height - static_cast<int>(levels[i] / largest * height)};
        strip.Line(from, to, {0, 0, 0});
        from = to;
    }
    client_.Blit(kSpectrumAt, strip);
    window_.Present(client_, {kSpectrumAt.x, kSpectrumAt.y, strip.Width(), height});
}

void MainView::Paint(const PaintState& state) {
    client_.Blit(kKeyboardAt, surfaces_.keyboard);
    client_.Blit({view_.markerX, kKeyboardAt.y}, surfaces_.middleCMarker);
    client_.Blit(kOverviewAt, surfaces_.overview);
    client_.Blit(kSpectrumAt, surfaces_.spectrumGrid);
    // The platform's erase of the background, where drawing falls outside the pictures.
    client_.FillRect(kLabelMargin, FaceColour());
    client_.FillRect(kRightMargin, FaceColour());
    DrawCursor(surfaces_.playCursorStrip, view_.playCursorColumn);
    DrawCursor(surfaces_.markCursorStrip, view_.markCursorColumn);
    if (state.repeatSet && state.totalMs != 0)
        client_.InvertRect(KeepRange(state.markMs, state.repeatEndMs, state.totalMs));
    if (state.channels == 2) {
        text_.DrawText(client_, {3, 22}, "L", kDefaultFont, {0, 0, 0}, std::nullopt);
        text_.DrawText(client_, {3, 86}, "R", kDefaultFont, {0, 0, 0}, std::nullopt);
    }
    window_.Present(client_, {0, 0, kClientWidth, kClientHeight});
    DrawBigTime(kBigTimeBox);
    DrawMarkTime(readouts_.markTime);
    DrawRepeatTime(readouts_.repeatTime);
}

}  // namespace earloop
