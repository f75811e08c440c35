// The sound input: live input (the microphone shown and analysed instead of
// the wave), its pause and resume, and the recorder with its save dialog.
// Everything runs on the GUI thread; the device hands back full buffers as
// OnWaveInData notices.

#include "app/application.h"

#include "app/format_text.h"
#include "ports/control_ids.h"
#include "record/take_saving.h"
#include "wave/wav_format.h"

namespace earloop {

namespace row = transport_row;

namespace {
constexpr int kInputFailed = 400;
constexpr int kRecorderTimerMs = 200;
constexpr const char* kRecorderPrompt = " Push [START] Button for Recording.";
}  // namespace

std::string Application::CaptureFilePath() const { return settings_.dataFolder + "Temp.dat"; }

// The pitch table and the block length of the input's rate and the
// Sampling Time choice.
void Application::SetInputAnalysisBlock() {
    spectrum_->block = earloop::SetAnalysisBlock(kInputFormat.nSamplesPerSec, analysis_.blockMode,
                                                 analysis_.analysisRange);
    analysis_.monitorPoints = spectrum_->block.points;
    analysis_.pitchBase = spectrum_->block.pitchBase;
}

// Command 40018.
void Application::LiveInput() {
    if ((samples_.loaded && !Available(Transport::LiveInput)) || input_.liveInputOn) return;
    StartLiveInput();
}

// The transport's play state stays Stopped meanwhile: nothing that reads it
// acts while live input runs.
void Application::StartLiveInput() {
    input_.liveInputPaused = false;
    ShowTransport(row::kLiveInput);
    Repaint();
    SetNotePlayControls(false, false, false);
    SetReferenceA(calibration_.referencePitch);
    if (MidiAvailable()) midi_.SendTuning(calibration_.referencePitch, settings_.calibration);
    switches_.SetControlMode(ControlMode::NoWave);
    SetInputAnalysisBlock();
    error_.code = 0;
    if (!OpenInputDevice()) {
        error_.Set(kInputFailed, "Fail to open Wave In device(ERROR 400)");
        platform_.dialogs.ShowMessageBox(
            {error_.message, kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, false});
        return;
    }
    input_.liveInputOn = true;
}

bool Application::OpenInputDevice() {
    inputDevice_ = platform_.waveIn.Open(kInputFormat, *this);
    return inputDevice_ != nullptr;
}

// Closing resets the device: buffers still with it come back as stale
// notices, which are dropped.
void Application::CloseInput() {
    inputBuffers_->queued = {};
    inputBuffers_->prepared = false;
    inputDevice_.reset();
}

// Command 40019 while live input runs.
void Application::PauseOrResumeLiveInput() {
    if (!input_.liveInputPaused) {
        input_.liveInputPaused = true;
        playback_.resumeHere = true;
        CloseInput();
        return;
    }
    // The live input stays on even when the device does not open again, so
    // that Stop and the next Space still find it running.
    StartLiveInput();
    input_.liveInputOn = true;
}

// Stop while live input runs.
void Application::StopLiveInput() {
    playback_.resumeHere = true;
    input_.liveInputOn = false;
    CloseInput();
}

// A Sampling Time radio while live input runs: the input reopens with
// buffers of the new block length.
void Application::ResizeLiveInput() {
    SetInputAnalysisBlock();
    CloseInput();
    OpenInputDevice();
}

// A device's open notice may still be on its way when the device has been
// closed and another opened; the buffers are queued once.
void Application::OnWaveInOpen() {
    if (destroyed_ || inputBuffers_->prepared) return;
    std::size_t bytes = 0;
    if (input_.recording)
        bytes = kRecordBufferBytes;
    else if (input_.liveInputOn)
        bytes = static_cast<std::size_t>(kInputFormat.nBlockAlign) * analysis_.monitorPoints;
    if (bytes == 0 || !inputDevice_) {
        platform_.dialogs.ShowMessageBox({"Break ", "?????????", MessageIcon::None, MessageButtons::Ok, false});
        return;
    }
    inputBufferBytes_ = bytes;
    inputBuffers_->prepared = true;
    for (int tag = 0; tag < kInputBufferCount; ++tag) QueueInputBuffer(tag);
    inputDevice_->Start();
}

void Application::QueueInputBuffer(int tag) {
    if (!inputDevice_ || !inputBuffers_->prepared) return;
    inputBuffers_->queued[tag] = true;
    inputDevice_->AddBuffer(inputBuffers_->blocks[tag].data(), inputBufferBytes_, tag);
}

// The block is copied out and its buffer queued again at once, so that the
// device always has one to fill while this one is written and analysed.
void Application::OnWaveInData(int bufferTag, std::size_t bytesRecorded) {
    if (destroyed_ || !(input_.recording || input_.liveInputOn)) return;
    if (bufferTag < 0 || bufferTag >= kInputBufferCount || !inputBuffers_->queued[bufferTag]) return;
    inputBuffers_->queued[bufferTag] = false;
    const std::size_t bytes = std::min(bytesRecorded, kInputBlockBytes);
    std::copy_n(inputBuffers_->blocks[bufferTag].data(), bytes, inputBuffers_->inputBlock.data());
    QueueInputBuffer(bufferTag);
    if (input_.recording && capture_) capture_->Append(inputBuffers_->inputBlock.data(), bytes);
    AnalyseInputBlock();
}

// The input's last block in the detail view and the spectrum, and in the
// Note box while it is shown.
void Application::AnalyseInputBlock() {
    const auto blockBytes = static_cast<std::uint32_t>(analysis_.monitorPoints * kInputFormat.nBlockAlign);
    const std::span<const std::uint8_t> block(inputBuffers_->inputBlock.data(), blockBytes);
    view_.DrawDetailView({.samples = block,
                          .windowBytes = blockBytes,
                          .blockAlign = kInputFormat.nBlockAlign,
                          .channels = kInputFormat.nChannels,
                          .zoom = 0.5,
                          .input = true});
    SpectrumState& s = *spectrum_;
    ComputeSpectrum(block, 0, analysis_.monitorPoints, kInputFormat.nBlockAlign, kInputFormat.nChannels,
                    {.blockBeforeEnd = false}, s.buffers);
    BuildPitchLevels(s.block, s.buffers.spectrum, s.pitchLevel);
    view_.DrawSpectrum(s.pitchLevel, s.buffers.blockPeak, analysis_.clipLevel, calibration_.calibrationSteps);
    if (NoteBoxOpen()) DetectAndShowNotes();
}

// Command 40002: the recorder, then the take saved and made the current wave.
void Application::RecordCommand() {
    Command(ControlId::Stop);
    if (NoteBoxOpen()) CloseNoteBox();
    ShowTransport(row::kAllOff);
    Repaint();
    WindowPort& window = platform_.window;
    window.CheckControl(main_[Ctl::SamplingNormal], true);
    window.CheckControl(main_[Ctl::SamplingCoarse], false);
    window.CheckControl(main_[Ctl::SamplingPrecision], false);
    Command(ControlId::SamplingNormal);

    platform_.dialogs.RunRecorder(*this);
    platform_.desktop.CloseMixer();

    if (input_.noTake) {
        view_.DrawDetailView({});
        view_.ClearSpectrum();
        RedrawMarkTimes();
        // The pitch table followed the input; the wave's own comes back.
        if (samples_.loaded) SetAnalysisBlock();
        ShowIdleControls();
        Repaint();
        return;
    }
    window.SetBusyCursor(true);
    if (samples_.loaded) transport_.Output().CloseOutput();
    const std::string capturePath = CaptureFilePath();
    std::uint32_t memoryFactor = 1;
    std::optional<WaveImage> take;
    if (CheckWaveHeader(platform_.files, capturePath, error_, memoryFactor))
        take = ReadRecordedTake(platform_.files, capturePath, error_);
    if (!take) {
        window.SetBusyCursor(false);
        ShowError();
        ReturnToCurrentWave();
        return;
    }
    window.SetBusyCursor(false);
    // The current wave's overview comes back if the take is not kept.
    view_.SaveOverview();
    view_.DrawOverview({take->bytes.get() + take->dataOffset, take->dataBytes}, take->dataBytes, take->format.nBlockAlign, take->format.nChannels,
                       take->dataBytes / 100000 + 1, 0.5, {0, 0, 127});
    Repaint();
    SaveTake(std::move(*take));
}

void Application::SaveTake(WaveImage take) {
    const std::string capturePath = CaptureFilePath();
    const TakeDestination destination =
        AskTakeDestination(platform_.dialogs, platform_.files, TakeFolder(settings_.currentDir, settings_.dataFolder),
                           RecordedTakeText(input_.recordEndMs - input_.recordStartMs, kInputFormat));
    if (destination.choice == SaveChoice::Closed) {
        playback_.resumeHere = true;
        platform_.files.DeleteFile(capturePath);
    } else if (MoveTakeIntoPlace(platform_.files, platform_.dialogs, destination, capturePath)) {
        if (!AdoptRecordedTake(destination.target, std::move(take))) ShowError();
        return;
    }
    if (samples_.loaded) {
        view_.RestoreOverview();
        transport_.Output().OpenPlainDevice();
    } else {
        view_.ClearOverview();
    }
    ShowIdleControls();
    Repaint();
    RedrawReadouts();
}

// After a take that could not be read: the wave (if any) plays again.
void Application::ReturnToCurrentWave() {
    if (samples_.loaded) transport_.Output().OpenPlainDevice();
    ShowIdleControls();
    Repaint();
    RedrawReadouts();
}

// Stop and live input enabled, Play too when a wave is loaded; the other
// controls as after start-up or a load, whichever matches.
void Application::ShowIdleControls() {
    if (samples_.loaded) {
        switches_.SetControlMode(ControlMode::WaveLoaded, samples_.Format().nChannels == 2);
        ShowTransport(row::kStoppedLoaded);
    } else {
        switches_.SetControlMode(ControlMode::NoWave);
        ShowTransport(row::kStoppedNoWave);
    }
}

void Application::RedrawMarkTimes() {
    view_.DrawMarkTime(view_.Texts().markTime);
    view_.DrawRepeatTime(view_.Texts().repeatTime);
}

void Application::RedrawReadouts() {
    view_.DrawBigTime(kBigTimeBox);
    RedrawMarkTimes();
}

// The recorder dialog ("Varar WAVE Recorder").
void Application::Opened(RecorderDialog& dialog) {
    StartLiveInput();
    switches_.SetControlMode(ControlMode::Loading);
    ShowTransport(row::kAllOff);
    Repaint();
    dialog.EnableButton(RecorderButton::Start, true);
    dialog.EnableButton(RecorderButton::Finish, false);
    input_.timerDisplay = false;
    dialog.StartTimer(kRecorderTimerMs);
}

void Application::StartPressed(RecorderDialog& dialog) {
    input_.liveInputOn = false;
    playback_.resumeHere = true;
    CloseInput();
    input_.noTake = false;
    error_.code = 0;
    input_.recording = true;
    platform_.files.CreateFolders(settings_.dataFolder);
    capture_ = CaptureFile::Create(platform_.files, CaptureFilePath());
    if (!capture_) {
        AbandonRecording(dialog, FormatText("%s (%d)", "録音用ファイルを準備できません", kInputFailed));
        return;
    }
    if (!OpenInputDevice()) {
        capture_.reset();
        platform_.files.DeleteFile(CaptureFilePath());
        AbandonRecording(dialog, FormatText("%s (%d)", "Fail to open Wave In device.", kInputFailed));
        return;
    }
    input_.recordStartMs = platform_.timers.NowMs();
    input_.timerDisplay = true;
    dialog.SetText("Now Recording");
    dialog.EnableButton(RecorderButton::Start, false);
    dialog.EnableButton(RecorderButton::Finish, true);
}

void Application::AbandonRecording(RecorderDialog& dialog, const std::string& message) {
    error_.Set(kInputFailed, message);
    platform_.dialogs.ShowMessageBox({message, kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, false});
    input_.noTake = true;
    input_.recording = false;
    dialog.Close();
}

// Blocks still queued when the device is reset are not written.
void Application::FinishPressed(RecorderDialog& dialog) {
    if (!capture_) return;
    CloseInput();
    const bool completed = capture_->Complete();
    const bool writeFailed = capture_->WriteFailed();
    const std::uint64_t keptMs = capture_->CapturedBytes() * 1000 / kInputFormat.nAvgBytesPerSec;
    capture_.reset();
    input_.recording = false;
    input_.timerDisplay = false;
    input_.recordEndMs = platform_.timers.NowMs();
    dialog.StopTimer();
    dialog.Close();
    // A capture the disk could not hold is not a good take: the user hears
    // of it, and what was written is kept.
    if (!completed) {
        input_.noTake = true;
        platform_.dialogs.ShowMessageBox({"The recording could not be finished; what was recorded stays in " +
                                              CaptureFilePath() + ".",
                                          kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, false});
    } else if (writeFailed) {
        platform_.dialogs.ShowMessageBox(
            {FormatText("The recording could not be written in full (the disk may be full). The take keeps its "
                        "first %d.%02d sec.",
                        static_cast<int>(keptMs / 1000), static_cast<int>(keptMs % 1000 / 10)),
             kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, false});
    }
}

// "Rec.Vol.": the desktop's mixer on its recording page.
void Application::RecordVolumePressed(RecorderDialog&) { platform_.desktop.OpenMixer(MixerPage::Recording); }

// The close box keeps a capture that was running, with its provisional header.
void Application::ClosePressed(RecorderDialog& dialog) {
    if (input_.liveInputOn) {
        CloseInput();
        input_.liveInputOn = false;
        playback_.resumeHere = true;
    }
    if (input_.recording) {
        CloseInput();
        capture_.reset();
        input_.timerDisplay = false;
        dialog.StopTimer();
        input_.recording = false;
    }
    input_.noTake = true;
    dialog.Close();
}

// Only the elapsed time is shown; the machine's memory figures would say
// nothing useful about a capture that goes straight to disk.
void Application::TimerTick(RecorderDialog& dialog) {
    if (input_.timerDisplay) dialog.SetText(RecordingTimeText(platform_.timers.NowMs() - input_.recordStartMs));
}

}  // namespace earloop
