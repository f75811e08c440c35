// Making a file the current wave: the Open command, dropped files, and the
// reset of the window after a load.

#include <cstdio>
#include <span>
#include <utility>

#include "app/application.h"
#include "app/format_text.h"
#include "ports/control_ids.h"
#include "wave/decoded_loader.h"
#include "wave/loader.h"
#include "wave/wav_format.h"
#include "wave/wave_errors.h"

namespace earloop {

namespace {

namespace row = transport_row;

constexpr int kWaveOutFailed = 210;
constexpr int kTakeWaveOutFailed = 211;

// WAV files and what the decoder reads: MP3, AAC, FLAC, Ogg Vorbis, Opus,
// AIFF and the sound of videos.
constexpr const char* kAudioFilePatterns =
    "*.wav;*.mp3;*.m4a;*.aac;*.flac;*.ogg;*.oga;*.opus;*.aif;*.aiff;*.aifc;*.mp4;*.m4v;*.mov;*.mkv;*.webm";


}  // namespace

// Open (102): choose a file, check it, read it and make it the current wave.
// While a wave is current it stays current, playable and unchanged until the
// new file has loaded: the new name and image are kept apart until then, so
// a failure has nothing to restore.
void Application::OpenWave() {
    namespace cid = ControlId;
    const bool hadWave = samples_.loaded;
    // Taken now, so that a drop cannot mix with a dialog answer.
    const std::optional<std::string> dropped = std::exchange(droppedPath_, std::nullopt);
    Command(cid::Stop);
    if (hadWave) {
        Command(cid::ShiftReset);
        switches_.SetTransportButtons(row::kAllOff);
        transport_.Output().CloseOutput();
    }
    const std::optional<std::string> chosen = dropped ? dropped : ChooseWaveFile();
    switches_.SetTransportButtons(hadWave ? row::kStoppedLoaded : row::kStoppedNoWave);
    DrawAllTransportButtons();

    WaveImage image;
    if (!chosen || !TryLoad(*chosen, image)) {
        if (chosen) ShowError();
        if (hadWave) {
            transport_.Output().OpenPlainDevice();
            Repaint();
            ReturnToStart();
        } else {
            Repaint();
        }
        return;
    }
    samples_.fileName = *chosen;
    if (hadWave) {
        Repaint();
        Command(cid::MarkClear);
        Command(cid::SpeedTo100);
    }
    const bool made = MakeCurrent(std::move(image));
    if (made) {
        FinishWaveLoad();
    } else {
        error_.Set(kWaveOutFailed, "Fail to open Wave Out device (ERROR 210)");
        platform_.dialogs.ShowMessageBox(
            {error_.message, kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, true});
    }
    platform_.window.SetBusyCursor(false);
    Repaint();
    if (made && noteBox_.open) {
        if (MidiAvailable()) SetNotePlayControls(true, true, true);
        ChoosePrecisionForNoteBox();
    }
}

std::optional<std::string> Application::ChooseWaveFile() {
    const OpenFileRequest request{settings_.currentDir,
                                  {{"*.WAV", "*.WAV"}, {"Audio files", kAudioFilePatterns}, {"*.*", "*.*"}}};
    const auto path = platform_.dialogs.ChooseOpenFile(request);
    if (!path) error_.Set(WaveError::OpenDialogCancelled, {});
    return path;
}

// The header check and the read of the whole file into a new image (a file
// that is not a RIFF WAVE file: its opening and decoding); the wait cursor
// stays on from the read until the wave is ready.
bool Application::TryLoad(const std::string& path, WaveImage& loaded) {
    std::optional<WaveImage> image;
    if (IsRiffWave(platform_.files, path)) {
        if (!CheckWaveHeader(platform_.files, path, error_, samples_.memoryFactor)) return false;
        platform_.window.SetBusyCursor(true);
        // Full quality copies the file's own samples before they are
        // converted, so then the load leaves them as they were read.
        const std::optional<bool> convertAsRead =
            samples_.fullQuality ? std::nullopt : std::optional<bool>(analysis_.removeDcOffset);
        image = LoadWaveFile(platform_.files, platform_.dialogs, platform_.keyboard, path, samples_.memoryFactor,
                             error_, convertAsRead);
    } else {
        const auto audio = OpenAudioFile(platform_.decoder, platform_.files, path, error_);
        if (!audio) return false;
        platform_.window.SetBusyCursor(true);
        image = LoadDecodedAudio(*audio, platform_.dialogs, platform_.keyboard, error_);
    }
    if (!image) {
        platform_.window.SetBusyCursor(false);
        return false;
    }
    loaded = std::move(*image);
    return true;
}

// Full quality switched on over a wave loaded without it: its samples at the
// file's own rate are read from the file again, since the working samples
// were converted in place. A file changed since it was opened is not mixed
// with the samples it had; it plays at full quality once opened again.
void Application::ReadFullRateSamples() {
    const std::uint32_t rate = samples_.Format().nSamplesPerSec;
    if (!samples_.loaded || samples_.fullRate.bytes || rate == WORKING_RATE || rate > kMaxFullQualityRate) return;
    WaveImage fresh;
    const bool read = TryLoad(samples_.fileName, fresh);
    platform_.window.SetBusyCursor(false);
    if (read && fresh.format == samples_.Format() && fresh.dataBytes == samples_.image.dataBytes) {
        samples_.fullRate =
            FullRateSamplesOf(fresh, samples_.workBytes / samples_.Format().nBlockAlign, samples_.image.conversion.offset);
        if (samples_.fullRate.bytes) return;
    }
    platform_.dialogs.ShowMessageBox({"Full quality will play " + samples_.fileName +
                                          " once it is opened again: it cannot be read as it was opened.",
                                      kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, true});
}

void Application::ShowError() {
    platform_.dialogs.ShowMessageBox(
        {error_.message, FormatText("Error %d", error_.code), MessageIcon::None, MessageButtons::Ok, true});
}

void Application::ShowFileInStatusBar() { platform_.window.SetStatusText(0, " " + samples_.fileName); }

void Application::Repaint() { platform_.window.Invalidate({0, 0, kClientWidth, kClientHeight}); }

// The new image replaces the old one, is converted to the working rate and
// gets its output device; false when no device can play it. The output that
// may still be playing the old samples closes before they are freed.
bool Application::MakeCurrent(WaveImage image) {
    transport_.Output().CloseOutput();
    samples_.image = std::move(image);
    samples_.loaded = true;
    settings_.currentDir = samples_.fileName;
    samples_.fullRate = {};
    samples_.workBytes = PrepareSamples(samples_.image, platform_.dialogs, analysis_.removeDcOffset,
                                        samples_.fullQuality ? &samples_.fullRate : nullptr);
    samples_.vocalCancelOn = false;
    samples_.baseOutputFormat = WorkingFormat(samples_.Format());
    samples_.outputFormat = samples_.baseOutputFormat;
    return transport_.Output().OpenPlainDevice();
}

bool Application::AdoptRecordedTake(const std::string& savedName, WaveImage take) {
    samples_.fileName = savedName;
    WaveFormatInfo& format = take.format;
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    if (!MakeCurrent(std::move(take))) {
        error_.Set(kTakeWaveOutFailed, "Fail to open Wave Out device(ERROR 211)");
        return false;
    }
    FinishWaveLoad();
    platform_.window.EnableWindow(false);
    platform_.window.EnableWindow(true);
    return true;
}

// The reset of the window and the transport after a wave became current, in a
// fixed order; each later subsystem adds its call at its place.
void Application::FinishWaveLoad() {
    WindowPort& window = platform_.window;
    window.CheckControl(main_[Ctl::SamplingPrecision], false);
    window.CheckControl(main_[Ctl::SamplingCoarse], false);
    window.CheckControl(main_[Ctl::SamplingNormal], true);
    analysis_.blockMode = 2;
    SetAnalysisBlock();
    transport_.PrepareWave(static_cast<std::uint32_t>(analysis_.analysisPoints), settings_.ffRwStep);

    const WaveFormatInfo& file = samples_.Format();
    ShowFileInStatusBar();
    window.SetStatusText(1, FormatText(" 0 msec / %d msec ", static_cast<int>(playback_.totalMs)));
    const char* channels = file.nChannels == 2 ? "stereo" : "mono";
    if (samples_.image.decodedFrom.empty()) {
        window.SetStatusText(2, FormatText(" %dHz %s %dbit", static_cast<int>(file.nSamplesPerSec), channels,
                                           static_cast<int>(file.wBitsPerSample)));
    } else {
        window.SetStatusText(2, " " + samples_.image.decodedFrom +
                                    FormatText(" %dHz %s", static_cast<int>(file.nSamplesPerSec), channels));
    }

    const std::span<const std::uint8_t> active(samples_.Active(), samples_.workBytes);
    const std::uint32_t blockAlign = samples_.outputFormat.nBlockAlign;
    view_.DrawOverview(active, samples_.workBytes, blockAlign, samples_.outputFormat.nChannels,
                       OverviewStepFactor(samples_.workBytes), 1.0, {0, 0, 127});
    view_.DrawDetailView({.samples = active,
                          .windowBytes = static_cast<std::uint32_t>(analysis_.analysisPoints) * blockAlign,
                          .blockAlign = blockAlign,
                          .channels = samples_.outputFormat.nChannels});
    view_.Texts().bigTime = FormatPlayTime(" %02d:%02d.%02d ", 0);
    view_.DrawBigTime(kBigTimeBox);
    window.SetSliderPosition(main_[Ctl::PositionSlider], 0);

    // Stopped at the start, at full speed and unshifted; the speed and the
    // shift are shown below.
    transport_.ResetForNewWave();

    calibration_.referencePitch = kStandardPitch;
    SetReferenceA(kStandardPitch);
    if (MidiAvailable()) midi_.SendTuning(kStandardPitch, settings_.calibration);

    switches_.SetTransportButtons(row::kStoppedLoaded);
    // The controls of a loaded wave: marks, shift, speed and, for two
    // channels, the vocal canceller.
    switches_.SetControlMode(ControlMode::WaveLoaded, file.nChannels == 2);
    DrawAllTransportButtons();

    ShowSpeed(100);

    view_.Texts().markTime = "00:00.00";
    view_.DrawMarkTime(view_.Texts().markTime);
    if (marks_.markSet) Command(ControlId::MarkClear);
    window.EnableControl(main_[Ctl::MarkClear], false);

    window.SetControlText(main_[Ctl::ShiftReadout], FormatText("Shift %d", 0));
    settings_.vocalCanceler = 0;
    ShowVocalCanceller(false);

    view_.ShowNewOverview();
}

}  // namespace earloop
