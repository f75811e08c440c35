#pragma once
// The waveform areas of the main window: what their drawing is told, and the
// columns of the overview cursors. The drawing itself is MainView's
// (waveform_view.cpp).

#include <cstdint>
#include <span>

namespace earloop {

// What a repaint needs to know of the wave and the marks; the application
// fills it from its records.
struct PaintState {
    int channels = 0;           // of the working wave; 0 without one
    std::uint32_t totalMs = 0;  // length of the wave
    bool markSet = false;
    int markMs = 0;
    bool repeatSet = false;     // only while markSet
    int repeatEndMs = 0;
};

// What the detail view shows: the frames just before `position` of the loaded
// wave or, for the sound input, the frames from `position` on. The default
// value is the empty view.
struct DetailSamples {
    std::span<const std::uint8_t> samples;  // the active samples of the wave, or the input's block
    std::uint32_t position = 0;             // bytes into `samples`
    std::uint32_t windowBytes = 0;          // how far back the view reaches (the analysis block)
    std::uint32_t blockAlign = 0;           // 0 gives the empty view
    int channels = 1;
    double zoom = 1.0;                      // 0 gives the empty view for the wave
    std::uint8_t grey = 0;                  // box colour; 0 draws a black box with a yellow trace
    bool vocalCancelOn = false;             // two channels show left - right, else left + right
    bool input = false;                     // live input or recorder: from `position` on
};

// The overview columns of a time, 0 to 540; 0 while no wave gives a length.
// Exact integer parts, so the end of the wave is always column 540.
int PlayCursorColumn(std::uint32_t elapsedMs, std::uint32_t totalMs);
int MarkCursorColumn(int ms, std::uint32_t totalMs);

// The overview draws one point every this many frames of a wave of
// `byteCount` bytes, so that long waves take no longer than short ones.
constexpr std::uint32_t OverviewStepFactor(std::uint32_t byteCount) { return byteCount / 100000 + 1; }

}  // namespace earloop
