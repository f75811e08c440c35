#pragma once
// The graphic areas of the main window: the client-area picture the toolkit
// shows, the pictures it is composed from, and the readouts drawn on it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/control_states.h"
#include "display/main_window.h"
#include "display/waveform_view.h"
#include "picture/frame_buffer.h"
#include "ports/dialog_port.h"
#include "ports/text_renderer.h"
#include "ports/window_port.h"

namespace earloop {

// Pictures loaded or built at start-up and kept until the end.
struct Surfaces {
    FrameBuffer overview;      // the waveform overview, 540 x 127
    FrameBuffer overviewSave;  // a saved copy of the overview area
    FrameBuffer keyboard;      // five octaves, 600 x 108
    FrameBuffer spectrumGrid;  // pristine background of the spectrum strip, 600 x 90
    FrameBuffer middleCMarker; // 18 x 108
    FrameBuffer playCursorStrip;
    FrameBuffer markCursorStrip;
    FrameBuffer titleLogo;
    FrameBuffer staffBoth, staffTreble, staffBass;
    std::vector<FrameBuffer> transportGlyphs;
    std::vector<FrameBuffer> noteGlyphs;
};

struct ViewState {
    int playCursorColumn = 0;  // 0 to 540
    int markCursorColumn = 0;
    int markerX = 249;         // left edge of the middle-C marker over the keyboard
    double overviewZoom = 1.0;
};

// Texts of the readouts, kept so that a repaint shows them again.
struct Readouts {
    std::string bigTime;
    std::string markTime;
    std::string repeatTime;
    bool markTimeActive = false;    // black, else grey
    bool repeatTimeActive = false;
};

// Client-area positions of the graphic areas.
inline constexpr Point kOverviewAt{14, 0};
inline constexpr int kOverviewWidth = 540;
inline constexpr int kOverviewHeight = 127;
inline constexpr Point kKeyboardAt{9, 301};
inline constexpr Point kSpectrumAt{9, 211};
inline constexpr Rect kDetailView{595, 157, 138, 48};
inline constexpr Rect kBigTimeBox{5, 157, 128, 49};

// Formats a time of milliseconds as minutes, seconds and hundredths with
// `format` (" %02d:%02d.%02d " or "%02d:%02d.%02d ").
std::string FormatPlayTime(const char* format, unsigned milliseconds);

class MainView {
public:
    MainView(WindowPort& window, DialogPort& dialogs, TextRenderer& text, const MainWindow& mainWindow);

    FrameBuffer& Client() { return client_; }
    Surfaces& Pictures() { return surfaces_; }
    ViewState& View() { return view_; }
    Readouts& Texts() { return readouts_; }

    void DrawBigTime(Rect box);
    void DrawMarkTime(const std::string& text);
    void DrawRepeatTime(const std::string& text);
    // Composes every area of the client picture and shows it, then the readouts.
    void Paint(const PaintState& state);

    // The waveform areas (waveform_view.cpp).
    // Draws the whole wave into the overview surface under the "INITIALIZING"
    // window and the wait cursor: a polyline through one sample every
    // `stepFactor` frames of the first `byteCount` bytes of `samples`, in
    // `colour` on its inverse, one channel around the middle or two around the
    // quarters. `zoom` 1.0 shows full scale as 63 pixels. Nothing is shown yet.
    void DrawOverview(std::span<const std::uint8_t> samples, std::uint32_t byteCount, std::uint32_t blockAlign,
                      int channels, std::uint32_t stepFactor, double zoom, Rgb colour);
    // After a load: zoom 1.0 and both cursors at column 0 over the new overview, shown.
    void ShowNewOverview();
    // A copy of the overview surface, and the copy back (the whole window repainted).
    void SaveOverview();
    void RestoreOverview();
    // A white overview surface; the whole window is repainted.
    void ClearOverview();
    // Draws the play cursor at `column` (0 to 540), then erases it at its old one.
    void MovePlayCursor(int column);
    // Moves the mark cursor to `ms` and writes and draws the mark time, black
    // or grey as `Texts().markTimeActive` says (the caller sets it first).
    void MoveMarkCursor(int ms, std::uint32_t totalMs);
    // The mark cursor back to column 0, where it rests while no mark is set.
    void RemoveMarkCursor();
    // Inverts the overview from `markMs` to `endMs` (a second call restores it)
    // and writes and draws the repeat time of `endMs` (`Texts().repeatTimeActive`).
    void DrawKeepRange(int markMs, int endMs, std::uint32_t totalMs);
    void DrawDetailView(const DetailSamples& detail);
    void ClearSpectrum();
    // The spectrum curve over a fresh copy of the strip's grid: the levels
    // scaled to the largest (quiet blocks drawn low by the clipping level
    // against the block's peak), shifted left by the calibration's steps.
    void DrawSpectrum(std::span<const double> levels, int blockPeak, int clipLevel, int calibrationSteps);
    // The keyboard picture and the middle-C marker over it, shown at once.
    void DrawKeyboardAndMarker();
    // The face of an owner-drawn transport button, pressed while the mouse holds it.
    void DrawTransportButton(Transport button, const TransportButton& state, bool pressed);

private:
    Rgb FaceColour() const;
    void DrawCursor(const FrameBuffer& strip, int column);
    void DrawSmallTime(const char* name, Point oldAt, Point newAt, const std::string& text, bool active);
    void PresentColumn(int column);

    WindowPort& window_;
    DialogPort& dialogs_;
    TextRenderer& text_;
    const MainWindow& main_;
    FrameBuffer client_;
    Surfaces surfaces_;
    ViewState view_;
    Readouts readouts_;
};

}  // namespace earloop
