// The transport commands: Play, Pause, Keep, FF, RW, Stop, the vocal
// canceller switch and the Sampling Time choice, as far as it changes the Keep
// window. Each checks its control's availability and leaves the state change
// to the transport.

#include "app/application.h"
#include "ports/control_ids.h"

namespace earloop {

namespace row = transport_row;

void Application::ShowTransport(const TransportRow& buttons) {
    switches_.SetTransportButtons(buttons);
    DrawAllTransportButtons();
}

bool Application::Available(Transport button) const { return states_[button].available; }

void Application::PlayStateChanged(PlayState state) {
    switch (state) {
    case PlayState::Playing:
        ShowTransport(row::kPlaying);
        break;
    case PlayState::Paused:
        if (noteBox_.notePlayOn) SilenceNoteBoxNotes();
        ShowTransport(row::kPaused);
        break;
    case PlayState::Keeping:
        ShowTransport(row::kKeeping);
        break;
    case PlayState::Stopped:
        ShowTransport(samples_.loaded ? row::kStoppedLoaded : row::kStoppedNoWave);
        break;
    }
}

void Application::Play() {
    if (Available(Transport::Play)) transport_.Play();
}

void Application::Pause() {
    if (Available(Transport::Pause)) transport_.Pause();
}

void Application::Keep() {
    if (Available(Transport::Keep)) transport_.Keep();
}

void Application::FastForward() {
    if (Available(Transport::FastForward) && transport_.FastForward()) ToggleButton(Ctl::FastForward);
}

void Application::RewindCommand() {
    if (!Available(Transport::Rewind) || playback_.play == PlayState::Stopped) return;
    transport_.Rewind();
    ToggleButton(Ctl::Rewind);
}

void Application::Stop() {
    if (!Available(Transport::Stop)) return;
    const bool loaded = samples_.loaded;
    if (loaded) {
        switches_.SetControlMode(ControlMode::WaveLoaded, samples_.Format().nChannels == 2);
        noteBox_.notePlayOn = false;
        ShowNotePlay(false);
    }
    if (LiveInputOn()) {
        transport_.Output().StopPositionTimer();
        StopLiveInput();
        if (!loaded) SetNotePlayControls(false, false, false);
        ShowTransport(loaded ? row::kStoppedLoaded : row::kStoppedNoWave);
        ToggleButton(Ctl::Stop);
        return;
    }
    transport_.Stop();
    if (!loaded) {
        SetNotePlayControls(false, false, false);
    } else if (noteBox_.open) {
        if (MidiAvailable()) SetNotePlayControls(true, true, true);
        ChoosePrecisionForNoteBox();
    }
    ToggleButton(Ctl::Stop);
}

void Application::SwitchVocalCanceller() {
    if (!states_.vocalCanceller || !samples_.loaded || samples_.Format().nChannels != 2) return;
    const bool on = settings_.vocalCanceler == 0;
    samples_.vocalCancelOn = on;
    settings_.vocalCanceler = on ? 1 : 0;
    ShowVocalCanceller(on);
    transport_.ActiveSamplesChanged();
    ToggleButton(Ctl::VocalCanceller);
}

// Options > Full quality: the same play from the samples at the file's own
// rate, heard at once; positions and the analysis stay on the working samples.
void Application::SwitchFullQuality() {
    samples_.fullQuality = !samples_.fullQuality;
    settings_.fullQuality = samples_.fullQuality ? 1 : 0;
    platform_.window.CheckMenuItem(ControlId::FullQuality, samples_.fullQuality);
    // The copy at the file's own rate is held only while it is played.
    if (samples_.fullQuality)
        ReadFullRateSamples();
    else
        samples_.fullRate = {};
    transport_.PlayedRateChanged();
}

// The switch shows "-" while the canceller is on; it stays in (checked) for
// those who cannot see the sign.
void Application::ShowVocalCanceller(bool on) {
    platform_.window.SetControlText(main_[Ctl::VocalCanceller], on ? "-" : "+");
    platform_.window.CheckControl(main_[Ctl::VocalCanceller], on);
}

// Radios 31, 32, 33: the analysis block, and with it the Keep window.
void Application::ChooseSamplingTime(int choice) {
    analysis_.blockMode = choice;
    if (LiveInputOn()) {
        ResizeLiveInput();
        return;
    }
    if (!samples_.loaded) return;
    SetAnalysisBlock();
    if (settings_.keepAuto) settings_.keepMode = choice == 2 ? 1 : 0;
    transport_.ChangeKeepWindow(static_cast<std::uint32_t>(analysis_.analysisPoints));
    ToggleButton(choice == 1 ? Ctl::SamplingCoarse : choice == 2 ? Ctl::SamplingNormal : Ctl::SamplingPrecision);
}

void Application::SamplingCoarse() { ChooseSamplingTime(1); }
void Application::SamplingNormal() { ChooseSamplingTime(2); }
void Application::SamplingPrecision() { ChooseSamplingTime(3); }

// Keys 40029..40031 check the radio first, then choose it as a click would.
void Application::ChooseSamplingByKey(int choice) {
    if (!states_.samplingTime) return;
    const Ctl radios[] = {Ctl::SamplingCoarse, Ctl::SamplingNormal, Ctl::SamplingPrecision};
    for (int i = 0; i < 3; ++i) platform_.window.CheckControl(main_[radios[i]], i + 1 == choice);
    Command(ControlId::SamplingCoarse + choice - 1);
}

void Application::ChooseCoarse() { ChooseSamplingByKey(1); }
void Application::ChooseNormal() { ChooseSamplingByKey(2); }
void Application::ChoosePrecision() { ChooseSamplingByKey(3); }

// A new file failed to load: the current wave plays again from its start.
void Application::ReturnToStart() {
    transport_.ReturnToStart(static_cast<std::uint32_t>(analysis_.analysisPoints), settings_.ffRwStep);
    view_.DrawDetailView({});
    view_.Texts().bigTime = FormatPlayTime(" %02d:%02d.%02d ", 0);
    view_.DrawBigTime(kBigTimeBox);
    switches_.SetControlMode(ControlMode::WaveLoaded, samples_.Format().nChannels == 2);
    ShowPlayPosition(0);
}

}  // namespace earloop
