// The analysis at the play position: the block before it, its spectrum on
// the pitch scale, the strip and the detail view.

#include "app/application.h"

#include <optional>
#include <utility>

namespace earloop {

// The pitch table for the output rate, the Sampling Time choice and the
// keyboard range; the block length follows the choice.
void Application::SetAnalysisBlock() {
    spectrum_->block = earloop::SetAnalysisBlock(samples_.outputFormat.nSamplesPerSec, analysis_.blockMode,
                                                 analysis_.analysisRange);
    analysis_.analysisPoints = spectrum_->block.points;
    analysis_.pitchBase = spectrum_->block.pitchBase;
}

// The wave's block before the position; without a wave the input's last
// block while the input runs, else an empty detail view (the levels, and so
// the notes shown, stay as they were).
void Application::AnalyseAt(std::uint32_t position) {
    if (!samples_.loaded) {
        if (input_.liveInputOn || input_.recording)
            AnalyseInputBlock();
        else
            view_.DrawDetailView({});
        return;
    }
    const WaveFormatInfo& format = samples_.outputFormat;
    const WaveSamples wave{std::span(samples_.Active(), samples_.workBytes), format.nBlockAlign, format.nChannels,
                           samples_.vocalCancelOn, analysis_.removeDcOffset};
    SpectrumState& s = *spectrum_;
    const std::uint32_t at = AnalyseWaveAt(wave, position, s);
    view_.DrawDetailView({.samples = wave.samples,
                          .position = at,
                          .windowBytes = static_cast<std::uint32_t>(s.block.points) * format.nBlockAlign,
                          .blockAlign = format.nBlockAlign,
                          .channels = format.nChannels,
                          .vocalCancelOn = samples_.vocalCancelOn});
    view_.DrawSpectrum(s.pitchLevel, s.buffers.blockPeak, analysis_.clipLevel, calibration_.calibrationSteps);
    DetectAndShowNotes();
}

void Application::DetectAndShowNotes() {
    // Silence keeps the last notes, the gauge and the Note box as they were.
    std::optional<NoteDetection> found = DetectNotes(spectrum_->pitchLevel, analysis_, calibration_.calibrationSteps);
    if (!found) {
        SilenceNoteBoxNotes();
        return;
    }
    notes_ = std::move(*found);
    if (notes_.tuneValue) platform_.window.SetProgressValue(main_[Ctl::TuningMeter], *notes_.tuneValue);
    ShowDetectedNotes(notes_);
}

}  // namespace earloop
