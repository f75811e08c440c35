// The Setting dialog (command 103): its pages fill themselves from the
// settings at every open; some controls act at once, the rest are read at
// OK; Cancel and the close box read nothing, and what acted at once stays.

#include <iterator>

#include "app/application.h"
#include "app/format_text.h"
#include "ports/control_ids.h"
#include "settings/setting_dialog.h"

namespace earloop {

namespace {

namespace sid = SettingId;
using enum SettingPage;

constexpr SettingControl kFfRwList{PlayMode, sid::FfRwList};
constexpr SettingControl kKeepStepList{PlayMode, sid::KeepStepList};
constexpr SettingControl kAutomatic{PlayMode, sid::Automatic};
constexpr SettingControl kSingleMode{PlayMode, sid::SingleMode};
constexpr SettingControl kDoubleMode{PlayMode, sid::DoubleMode};
constexpr SettingControl kMarkStepList{PlayMode, sid::MarkStepList};
constexpr SettingControl kVocalCanceller{PlayMode, sid::VocalCanceller};
constexpr SettingControl kInstrumentList{Midi, sid::InstrumentList};
constexpr SettingControl kDeviceList{Midi, sid::DeviceList};
constexpr SettingControl kCalibrationValue{Midi, sid::CalibrationValue};
constexpr SettingControl kRemoveDcOffset{WaveIn, sid::RemoveDcOffset};
constexpr SettingControl kRightOfMainWindow{NoteBox, sid::RightOfMainWindow};
constexpr SettingControl kTopOfMainWindow{NoteBox, sid::TopOfMainWindow};
constexpr SettingControl kSimpleMode{NoteBox, sid::SimpleMode};
constexpr SettingControl kNormalMode{NoteBox, sid::NormalMode};

constexpr int kDefaultKeepStepEntry = 1;  // "1/2"

}  // namespace

class Application::SettingSession : public SettingEvents {
public:
    explicit SettingSession(Application& app) : app_(app) {}

    void Opened(SettingDialog& dialog) override {
        FillPlayMode(dialog);
        ShowMidiPage(dialog, app_.midi_.FillMidiPage());
        FillWaveFile(dialog);
        CheckClipLevel(dialog);
        dialog.Check(kRemoveDcOffset, app_.analysis_.removeDcOffset);
        dialog.Check(app_.settings_.noteBoxPos ? kTopOfMainWindow : kRightOfMainWindow, true);
        dialog.Check(app_.settings_.chordMode ? kNormalMode : kSimpleMode, true);
    }

    void Changed(SettingDialog& dialog, SettingControl control) override {
        Settings& settings = app_.settings_;
        switch (control.page) {
        case SettingPage::PlayMode:
            if (control.id == sid::Automatic) {
                if (dialog.IsChecked(kAutomatic))
                    ChooseKeepModeAutomatically(dialog, true);
                else
                    ShowKeepMode(dialog, true);
            } else if (control.id == sid::SingleMode || control.id == sid::DoubleMode) {
                settings.keepMode = dialog.IsChecked(kDoubleMode) ? 1 : 0;
                app_.transport_.KeepModeChanged(true);
            } else if (control.id == sid::VocalCanceller) {
                // The main window's switch turns the canceller to match the box.
                settings.vocalCanceler = dialog.IsChecked(kVocalCanceller) ? 0 : 1;
                app_.Command(ControlId::VocalCanceller);
            }
            break;
        case SettingPage::Midi:
            if (control.id == sid::InstrumentList) app_.midi_.SelectInstrument(dialog.Selection(kInstrumentList));
            if (control.id == sid::CalibrationDown || control.id == sid::CalibrationUp)
                dialog.SetText(kCalibrationValue,
                               app_.midi_.StepCalibration(control.id == sid::CalibrationUp ? 1 : -1));
            break;
        case SettingPage::WaveIn:
            for (const ClipChoice& choice : kClipChoices)
                if (control.id == choice.id) app_.analysis_.clipLevel = choice.level;
            if (control.id == sid::RemoveDcOffset) app_.analysis_.removeDcOffset = dialog.IsChecked(kRemoveDcOffset);
            RedrawSpectrum();
            break;
        case SettingPage::NoteBox:
            if (control.id == sid::RightOfMainWindow || control.id == sid::TopOfMainWindow)
                settings.noteBoxPos = control.id == sid::TopOfMainWindow ? 1 : 0;
            if (control.id == sid::SimpleMode || control.id == sid::NormalMode)
                SetChordMode(control.id == sid::NormalMode ? ChordMode::Normal : ChordMode::Simple);
            break;
        case SettingPage::WaveFile:
            break;
        }
    }

    void ButtonPressed(SettingDialog& dialog, int id) override {
        if (id == sid::Ok) ReadAll(dialog);
        if (id == sid::Default) RestoreDefaults(dialog);
        if (id == sid::Ok || id == sid::Cancel) dialog.Close();
    }

private:
    // Without a wave the page stays grey and empty, and OK leaves its settings alone.
    void FillPlayMode(SettingDialog& dialog) {
        const bool loaded = app_.samples_.loaded;
        dialog.EnablePage(SettingPage::PlayMode, loaded);
        if (!loaded) return;
        const Settings& settings = app_.settings_;
        dialog.SetEntries(kFfRwList, FfRwStepEntries());
        dialog.SetText(kFfRwList, FfRwStepText(settings.ffRwStep));
        dialog.SetEntries(kKeepStepList, KeepStepEntries());
        dialog.Select(kKeepStepList, settings.keepStep - 1);
        dialog.SetEntries(kMarkStepList, MarkStepEntries());
        dialog.SetText(kMarkStepList, MarkStepText(settings.markPointStep));
        dialog.Check(kAutomatic, settings.keepAuto != 0);
        ShowKeepMode(dialog, settings.keepAuto == 0);
        if (Mono())
            dialog.Enable(kVocalCanceller, false);
        else
            dialog.Check(kVocalCanceller, settings.vocalCanceler != 0);
    }

    // The mode radios always show `keepMode`, greyed while it is chosen
    // automatically: a toolkit's radio group cannot show none checked, and OK
    // reads the mode back from them.
    void ShowKeepMode(SettingDialog& dialog, bool enabled) {
        dialog.Enable(kSingleMode, enabled);
        dialog.Enable(kDoubleMode, enabled);
        dialog.Check(app_.settings_.keepMode ? kDoubleMode : kSingleMode, true);
    }

    // "Automatic" checked: single loops for the precise Sampling Time, double otherwise.
    void ChooseKeepModeAutomatically(SettingDialog& dialog, bool restart) {
        app_.settings_.keepMode = app_.analysis_.blockMode == 3 ? 0 : 1;
        ShowKeepMode(dialog, false);
        app_.transport_.KeepModeChanged(restart);
    }

    bool Mono() const { return app_.samples_.outputFormat.nChannels != 2; }

    void ShowMidiPage(SettingDialog& dialog, const MidiPage& page) {
        dialog.EnablePage(SettingPage::Midi, page.enabled);
        dialog.SetEntries(kInstrumentList, page.instruments);
        dialog.Select(kInstrumentList, page.instrument);
        dialog.SetEntries(kDeviceList, page.devices);
        dialog.Select(kDeviceList, page.device);
        dialog.SetText(kCalibrationValue, page.calibration);
    }

    void FillWaveFile(SettingDialog& dialog) {
        const SampleStore& samples = app_.samples_;
        dialog.Enable({SettingPage::WaveFile, sid::FileNameLabel}, samples.loaded);
        dialog.Enable({SettingPage::WaveFile, sid::FormatLabel}, samples.loaded);
        if (!samples.loaded) return;
        dialog.SetText({SettingPage::WaveFile, sid::FileName}, samples.fileName);
        const WaveFormatInfo& format = samples.Format();
        const std::string lines[] = {
            FormatText("File Size : %d bytes", static_cast<int>(samples.DataBytes())),
            FormatText("%d Channels", static_cast<int>(format.nChannels)),
            FormatText("%d Samples/sec", static_cast<int>(format.nSamplesPerSec)),
            FormatText("%d Bytes/sec", static_cast<int>(format.nAvgBytesPerSec)),
            FormatText("%d bytes (BlockAlign)", static_cast<int>(format.nBlockAlign)),
            FormatText("%d Bits/Samples", static_cast<int>(format.wBitsPerSample)),
        };
        for (std::size_t i = 0; i < std::size(lines); ++i)
            dialog.SetText({SettingPage::WaveFile, sid::FormatLines[i]}, lines[i]);
    }

    void CheckClipLevel(SettingDialog& dialog) {
        for (const ClipChoice& choice : kClipChoices)
            if (app_.analysis_.clipLevel == choice.level) dialog.Check({SettingPage::WaveIn, choice.id}, true);
    }

    // The strip shows the spectrum at the play position again, clipped and
    // offset as now chosen.
    void RedrawSpectrum() { app_.AnalyseAt(app_.playback_.position); }

    // The caption of the Note box's chord group says the mode (nothing
    // happens while the box is closed).
    void SetChordMode(ChordMode mode) {
        app_.settings_.chordMode = mode == ChordMode::Normal ? 1 : 0;
        app_.platform_.noteBox.SetText(NoteBoxId::ChordGroup, ChordGroupCaption(mode));
    }

    // OK, in this order.
    void ReadAll(SettingDialog& dialog) {
        Settings& settings = app_.settings_;
        if (app_.samples_.loaded) {
            settings.ffRwStep = FfRwStepOfText(dialog.Text(kFfRwList), settings.ffRwStep);
            app_.transport_.Output().SetFfRwStep(settings.ffRwStep, app_.samples_.outputFormat);
            const int keepStepEntry = dialog.Selection(kKeepStepList);
            if (keepStepEntry < 0) dialog.Select(kKeepStepList, kDefaultKeepStepEntry);
            settings.keepStep = (keepStepEntry < 0 ? kDefaultKeepStepEntry : keepStepEntry) + 1;
            settings.markPointStep = MarkStepOfText(dialog.Text(kMarkStepList), settings.markPointStep);
            settings.keepAuto = dialog.IsChecked(kAutomatic) ? 1 : 0;
            if (dialog.IsChecked(kSingleMode)) settings.keepMode = 0;
            if (dialog.IsChecked(kDoubleMode)) settings.keepMode = 1;
            settings.vocalCanceler = dialog.IsChecked(kVocalCanceller) ? 1 : 0;
        }
        app_.midi_.ApplyMidiSettings(dialog.Selection(kInstrumentList), dialog.Selection(kDeviceList));
        for (const ClipChoice& choice : kClipChoices)
            if (dialog.IsChecked({SettingPage::WaveIn, choice.id})) app_.analysis_.clipLevel = choice.level;
        app_.analysis_.removeDcOffset = dialog.IsChecked(kRemoveDcOffset);
        if (dialog.IsChecked(kRightOfMainWindow)) settings.noteBoxPos = 0;
        SetChordMode(dialog.IsChecked(kSimpleMode) ? ChordMode::Simple : ChordMode::Normal);
    }

    // "Default": the dialog stays open. The play-mode steps themselves change
    // only at OK; the rest acts at once.
    void RestoreDefaults(SettingDialog& dialog) {
        if (app_.samples_.loaded) {
            const Settings start;
            dialog.SetText(kFfRwList, FfRwStepText(start.ffRwStep));
            dialog.Select(kKeepStepList, start.keepStep - 1);
            dialog.SetText(kMarkStepList, MarkStepText(start.markPointStep));
            dialog.Check(kAutomatic, true);
            ChooseKeepModeAutomatically(dialog, !app_.LiveInputOn());
            // The main window's switch turns the canceller off (a mono wave has none).
            dialog.Check(kVocalCanceller, false);
            app_.settings_.vocalCanceler = 1;
            app_.Command(ControlId::VocalCanceller);
        }
        ShowMidiPage(dialog, app_.midi_.RestoreMidiDefaults());
        app_.analysis_.clipLevel = kDefaultClipLevel;
        CheckClipLevel(dialog);
        app_.analysis_.removeDcOffset = true;
        dialog.Check(kRemoveDcOffset, true);
        RedrawSpectrum();
        app_.settings_.noteBoxPos = 0;
        dialog.Check(kRightOfMainWindow, true);
        SetChordMode(ChordMode::Simple);
        dialog.Check(kSimpleMode, true);
    }

    Application& app_;
};

void Application::ShowSettingDialog() {
    SettingSession session(*this);
    platform_.dialogs.RunSetting(SettingDialogLayout(), session);
}

}  // namespace earloop
