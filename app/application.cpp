#include "app/application.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "app/format_text.h"
#include "ports/control_ids.h"
#include "resources/menu_and_keys.h"
#include "resources/pictures.h"
#include "settings/install_layout.h"
#include "wave/wave_errors.h"

namespace earloop {

Application::Application(Platform platform)
    : platform_(platform),
      switches_(platform.window, main_, states_),
      view_(platform.window, platform.dialogs, platform.text, main_),
      transport_(playback_, marks_, samples_, platform.waveOut, platform.timers, *this, *this, settings_.keepMode,
                 settings_.keepStep),
      midi_(platform.midiOut, platform.timers, platform.dialogs, settings_, calibration_, *this) {}

Application::~Application() = default;

// The creation of the main window, in a fixed order: each later subsystem adds
// its start-up call at its place in this list.
bool Application::Create() {
    WindowPort& window = platform_.window;
    window.AcceptDroppedFiles();
    // Our platforms report no Windows version; they all take the current look.
    main_.osVersionCode = 6;
    const int timeEdge = main_.osVersionCode == 6 ? kStatusTimeEdgeNew : kStatusTimeEdgeOld;

    Surfaces& pictures = view_.Pictures();
    pictures.overview = FrameBuffer(kOverviewWidth, kOverviewHeight, {255, 255, 255});
    pictures.overviewSave = FrameBuffer(kOverviewWidth, kOverviewHeight, {255, 255, 255});
    if (!LoadPictures()) return false;

    window.SetIcon(*RenderPicture(static_cast<int>(PictureId::ProgramIcon)));
    window.SetMenu(MainMenu());
    CreateControls();
    window.CreateStatusBar({kStatusFileEdge, timeEdge, -1});
    window.SetStatusText(0, "wave File：");
    window.SetStatusText(1, "wave Time：");
    window.SetStatusText(2, "wave Format：");
    // The silent stand-in keeps positions running; the user is told once why
    // nothing is heard.
    audible_ = platform_.waveOut.Audible();
    if (!audible_) window.SetStatusText(0, "No sound device: playing silently");

    if (!LocateProgram()) return false;
    switch (LoadSettings(platform_.files, settings_)) {
    case SettingsLoad::NoProgramPath:
        FailStartup(120, "Error 120");
        return false;
    case SettingsLoad::NoFile:
    case SettingsLoad::Read:
        settingsLoaded_ = true;
        break;
    }
    samples_.fullQuality = settings_.fullQuality != 0;
    window.CheckMenuItem(ControlId::FullQuality, samples_.fullQuality);

    analysis_.clipLevel = 200;
    switches_.ShowSamplingTimes(WORKING_RATE);
    analysis_.blockMode = 2;
    window.CheckControl(main_[Ctl::SamplingNormal], true);
    window.CheckControl(main_[Ctl::SamplingCoarse], false);
    window.CheckControl(main_[Ctl::SamplingPrecision], false);
    SetInputAnalysisBlock();

    view_.View() = ViewState{};
    analysis_.analysisRange = 3;
    playback_ = PlaybackState{};
    // Sets the reference pitch whether or not a device opens.
    midi_.OpenMidiOutput();

    platform_.waveOut.SetDeviceZeroVolume(VolumeLevel(settings_.waveVolume));
    window.SetSliderPosition(main_[Ctl::WaveVolumeSlider], settings_.waveVolume);
    midi_.ApplyVolume(settings_.midiVolume);
    window.SetSliderPosition(main_[Ctl::MidiVolumeSlider], settings_.midiVolume);

    window.Show();

    view_.DrawDetailView({});
    Readouts& texts = view_.Texts();
    texts.bigTime = FormatPlayTime(" %02d:%02d.%02d ", 0);
    view_.DrawBigTime(kBigTimeBox);
    texts.markTime = "00:00.00";
    texts.repeatTime = "00:00.00";
    view_.DrawMarkTime(texts.markTime);
    view_.DrawRepeatTime(texts.repeatTime);

    switches_.SetControlMode(ControlMode::NoWave);
    switches_.ShowCreationState();
    DrawAllTransportButtons();

    window.ShowControl(main_[Ctl::TuningMeter], true);
    window.SetProgressRange(main_[Ctl::TuningMeter], 0, 100);
    noteBox_ = NoteBoxState{};

    // Takes the keyboard focus back from any control, so the shortcuts work.
    window.EnableWindow(false);
    window.EnableWindow(true);
    Command(ControlId::Stop);
    return true;
}

bool Application::LoadPictures() {
    Surfaces& pictures = view_.Pictures();
    const std::string programFolder = ProgramFolderOf(platform_.files.ProgramPath().value_or("")).value_or("");
    auto fromModule = [&](const char* module, PictureId id, FrameBuffer& into) {
        for (const std::string& folder : ShippedFolders(programFolder, ShippedFiles::PictureModules)) {
            const std::string path = folder + platform_.pictures.ModuleFileName(module);
            if (auto picture = platform_.pictures.LoadPicture(path, static_cast<int>(id))) {
                into = std::move(*picture);
                return true;
            }
        }
        ReportMissingFile(901, "Error 901");
        return false;
    };
    // Both modules are tried, so that each missing one is reported; the
    // window is closed once, after the last box (the toolkit deletes it at
    // the first close, while a later box would still be waiting).
    const bool keyboard = fromModule("earlpkbd", PictureId::Keyboard, pictures.keyboard);
    const bool grid = fromModule("earlpfft", PictureId::SpectrumGrid, pictures.spectrumGrid);
    if (!keyboard || !grid) {
        platform_.window.RequestClose();
        return false;
    }

    auto own = [](PictureId id) { return *RenderPicture(static_cast<int>(id)); };
    pictures.middleCMarker = own(PictureId::MiddleCMarker);
    pictures.playCursorStrip = own(PictureId::PlayCursorStrip);
    pictures.markCursorStrip = own(PictureId::MarkCursorStrip);
    pictures.titleLogo = own(PictureId::TitleLogo);
    pictures.staffBoth = own(PictureId::StaffBoth);
    pictures.staffTreble = own(PictureId::StaffTreble);
    pictures.staffBass = own(PictureId::StaffBass);
    pictures.transportGlyphs = SplitStrip(own(PictureId::TransportGlyphs), kTransportGlyphWidth, kTransportGlyphCount);
    pictures.noteGlyphs = SplitStrip(own(PictureId::NoteGlyphs), kNoteGlyphWidth, kNoteGlyphCount);
    return true;
}

void Application::CreateControls() {
    WindowPort& window = platform_.window;
    for (const ControlRow& row : MainWindowControls())
        main_.controls[static_cast<int>(row.ctl)] = window.CreateControl(row.spec);
    for (const SliderSetup& slider : MainWindowSliders()) {
        const ControlHandle handle = main_[slider.ctl];
        window.SetSliderRange(handle, slider.minimum, slider.maximum);
        window.SetSliderTicks(handle, slider.tickFrequency, slider.pageSize);
        window.SetSliderPosition(handle, slider.position);
    }
    // The volume found now is given back at exit.
    main_.waveOutVolumeAtStart = platform_.waveOut.DeviceZeroVolume();
    main_.waveOutVolumeTaken = true;
}

bool Application::LocateProgram() {
    const auto path = platform_.files.ProgramPath();
    if (path && ProgramFolderOf(*path)) return true;
    FailStartup(9999, "Error 9999");
    return false;
}

void Application::ReportMissingFile(int code, const std::string& caption) {
    error_.code = code;
    error_.message = kMissingFileMessage;
    platform_.dialogs.ShowMessageBox({kMissingFileMessage, caption, MessageIcon::Exclamation, MessageButtons::Ok, true});
}

void Application::FailStartup(int code, const std::string& caption) {
    ReportMissingFile(code, caption);
    platform_.window.RequestClose();
}

void Application::DrawAllTransportButtons() {
    for (int i = 0; i < kTransportCount; ++i)
        view_.DrawTransportButton(static_cast<Transport>(i), states_.transport[i], false);
}

void Application::InstallAccelerators() {
    if (platform_.window.SetAccelerators(AcceleratorTable())) return;
    platform_.dialogs.ShowMessageBox({"Break ", "NULL-", MessageIcon::None, MessageButtons::Ok, false});
}

// Every command id that the menu, the keys, the buttons and the program itself
// send; an id that is not listed does nothing.
const Application::CommandEntry* Application::FindCommand(int id) {
    namespace cid = ControlId;
    using A = Application;
    static const CommandEntry table[] = {
        {cid::SamplingCoarse, &A::SamplingCoarse},   {cid::SamplingNormal, &A::SamplingNormal},
        {cid::SamplingPrecision, &A::SamplingPrecision}, {cid::Exit, &A::ExitProgram},
        {cid::About, &A::ShowAbout},                  {cid::Open, &A::OpenWave},
        {cid::Setting, &A::ShowSettingDialog},        {cid::Record, &A::RecordCommand},
        {cid::Export, &A::ExportCommand},
        {cid::PlayVolumeControl, &A::PlayVolumeControl}, {cid::RecordVolumeControl, &A::RecordVolumeControl},
        {cid::Play, &A::Play},                        {cid::Pause, &A::Pause},
        {cid::Keep, &A::Keep},                        {cid::FastForward, &A::FastForward},
        {cid::Rewind, &A::RewindCommand},             {cid::Stop, &A::Stop},
        {cid::PitchAdjustUp, &A::PitchAdjustUp},      {cid::PitchAdjustDown, &A::PitchAdjustDown},
        {cid::LiveInput, &A::LiveInput},                    {cid::MarkSet, &A::MarkSet},
        {cid::MarkClear, &A::MarkClear},              {cid::SpeedTo100, &A::SpeedTo100},
        {cid::SpeedTo1, &A::SpeedTo1},                {cid::VocalCanceller, &A::SwitchVocalCanceller},
        {cid::RangeDown, &A::RangeDown},              {cid::RangeUp, &A::RangeUp},
        {cid::ShiftDown, &A::ShiftDown},              {cid::ShiftReset, &A::ShiftReset},
        {cid::ShiftUp, &A::ShiftUp},                  {cid::ChooseCoarse, &A::ChooseCoarse},
        {cid::ChooseNormal, &A::ChooseNormal},        {cid::ChoosePrecision, &A::ChoosePrecision},
        {cid::SpeedUp10, &A::SpeedUp10},              {cid::SpeedDown10, &A::SpeedDown10},
        {cid::MarkLater, &A::MarkLater},              {cid::MarkEarlier, &A::MarkEarlier},
        {cid::PitchAdjustReset, &A::PitchAdjustReset}, {cid::Help, &A::OpenHelp},
        {cid::ThisApplication, &A::ShowInstallation}, {cid::RepeatSet, &A::RepeatSet},
        {cid::RepeatLater, &A::RepeatLater},          {cid::RepeatEarlier, &A::RepeatEarlier},
        {cid::RepeatClear, &A::RepeatClear},          {cid::DisplayNotes, &A::DisplayNotes},
        {cid::OpenNoteBox, &A::OpenNoteBox},          {cid::CloseNoteBox, &A::CloseNoteBox},
        {cid::FullQuality, &A::SwitchFullQuality},
    };
    const auto* found = std::find_if(std::begin(table), std::end(table), [id](const CommandEntry& e) { return e.id == id; });
    return found == std::end(table) ? nullptr : found;
}

bool Application::IsCommand(int id) { return FindCommand(id) != nullptr; }

void Application::Command(int id) {
    const CommandEntry* entry = FindCommand(id);
    if (entry) (this->*entry->handler)();
}

void Application::ExitProgram() { platform_.window.RequestClose(); }

void Application::Timer(int id) {
    if (destroyed_) return;
    if (id == kPositionTimerId) {
        NoticeLostSoundDevice();
        transport_.Output().OnPositionTimer();
    }
    if (id == kReferenceTimerId) midi_.EndReferenceTone(NotePlayNow());
}

// A device that goes away during play leaves the output playing silently on,
// so that positions, marks and the speed stay as they are; the user is told
// once.
void Application::NoticeLostSoundDevice() {
    if (!audible_ || platform_.waveOut.Audible()) return;
    audible_ = false;
    platform_.window.SetStatusText(0, "Sound device lost: playing silently");
}

// Every display of the play position, after each tick and each change of it.
void Application::ShowPlayPosition(std::uint32_t position) {
    // Escape stops the play. The Stop shows its position again, and the key
    // may still be down then: that display stays as it was and sends no
    // second Stop, or a held key would recurse without end.
    if (platform_.keyboard.EscapePressed()) {
        if (!stoppingForEscape_) {
            stoppingForEscape_ = true;
            Command(ControlId::Stop);
            stoppingForEscape_ = false;
        }
        return;
    }
    if (samples_.loaded) ShowWavePosition(position);
    AnalyseAt(position);
}

void Application::ShowWavePosition(std::uint32_t position) {
    const std::uint32_t elapsedMs = std::min(transport_.Output().MsOfPosition(position), playback_.totalMs);
    const int ms = static_cast<int>(elapsedMs);
    platform_.window.SetStatusText(1, FormatText(" %d msec / %d msec ", ms, static_cast<int>(playback_.totalMs)));
    const int column = PlayCursorColumn(elapsedMs, playback_.totalMs);
    view_.MovePlayCursor(column);
    platform_.window.SetSliderPosition(main_[Ctl::PositionSlider], column);

    Readouts& texts = view_.Texts();
    texts.bigTime = FormatPlayTime(" %02d:%02d.%02d ", ms);
    view_.DrawBigTime(kBigTimeBox);
    // Without a mark point or a repeat range their readouts run along; the
    // stored texts stay for the next repaint.
    const std::string runningTime = FormatPlayTime("%02d:%02d.%02d ", ms);
    if (!marks_.markSet) view_.DrawMarkTime(runningTime);
    if (!marks_.repeatSet) view_.DrawRepeatTime(runningTime);
}

void Application::ShowMarkCursor() {
    view_.Texts().markTimeActive = marks_.markSet;
    view_.MoveMarkCursor(marks_.markMs, playback_.totalMs);
}

void Application::RemoveMarkCursor() { view_.RemoveMarkCursor(); }

void Application::InvertRepeatRange() {
    view_.Texts().repeatTimeActive = marks_.repeatSet;
    view_.DrawKeepRange(marks_.markMs, marks_.repeatEndMs, playback_.totalMs);
}

void Application::OnWaveOutDone(int bufferTag) {
    if (!destroyed_) transport_.Output().OnBufferDone(bufferTag);
}

void Application::Paint() {
    const int channels = samples_.loaded ? samples_.outputFormat.nChannels : 0;
    view_.Paint({channels, playback_.totalMs, marks_.markSet, marks_.markMs, marks_.repeatSet, marks_.repeatEndMs});
    AnalyseAt(playback_.position);
}

void Application::DropFiles(const std::vector<std::string>& paths) {
    if (paths.size() != 1) {
        error_.Set(WaveError::MoreThanOneDropped, WaveError::kOneFileOnly);
        platform_.dialogs.ShowMessageBox(
            {WaveError::kOneFileOnly, "Error 800", MessageIcon::None, MessageButtons::Ok, false});
        return;
    }
    droppedPath_ = paths.front();
    platform_.window.Raise();
    Command(ControlId::Open);
}


void Application::DrawItem(ControlHandle control, bool pressed) {
    for (int i = 0; i < kTransportCount; ++i) {
        const auto button = static_cast<Transport>(i);
        if (main_[TransportButtonSpec(button).ctl] == control) view_.DrawTransportButton(button, states_.transport[i], pressed);
    }
}

// The destruction of the main window, in a fixed order; it runs once whether
// the window was closed from its frame or by Exit.
void Application::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    transport_.Output().StopPositionTimer();
    midi_.CloseMidiOutput();
    if (main_.waveOutVolumeTaken) platform_.waveOut.SetDeviceZeroVolume(main_.waveOutVolumeAtStart);
    // A start-up that failed before the settings were read must not replace
    // the user's file with start values.
    const bool saved = !settingsLoaded_ || SaveSettings(platform_.files, settings_, analysis_);
    transport_.Output().CloseOutput();
    CloseInput();
    if (noteBox_.open) platform_.noteBox.Destroy();
    noteBox_.open = false;
    // A mixer the volume commands opened goes with the program.
    platform_.desktop.CloseMixer();
    // Told last, with the sound already closed; the old file is still whole.
    if (!saved)
        platform_.dialogs.ShowMessageBox({"The settings could not be saved in " + settings_.settingsPath +
                                              " (the folder may be read-only or the disk full); the settings saved "
                                              "before are kept.",
                                          kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok, false});
}

}  // namespace earloop
