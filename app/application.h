#pragma once
// The application object: owns every process-wide record of the program and
// receives everything the main window gets (creation, commands,
// painting, device notices, destruction) from the toolkit adapter or a test.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis_parameters.h"
#include "analysis/note_detection.h"
#include "analysis/pitch_calibration.h"
#include "analysis/spectrum.h"
#include "display/control_states.h"
#include "display/main_view.h"
#include "display/main_window.h"
#include "display/note_box.h"
#include "display/pointer_input.h"
#include "midi/midi_sounder.h"
#include "playback/mark_point.h"
#include "playback/playback_state.h"
#include "playback/render_port.h"
#include "playback/transport.h"
#include "ports/audio_ports.h"
#include "ports/desktop_port.h"
#include "ports/dialog_port.h"
#include "ports/error_state.h"
#include "ports/file_system.h"
#include "ports/keyboard_port.h"
#include "ports/audio_decoder.h"
#include "ports/midi_port.h"
#include "ports/note_box_port.h"
#include "ports/picture_library.h"
#include "ports/text_renderer.h"
#include "ports/timer_port.h"
#include "ports/window_port.h"
#include "record/capture_file.h"
#include "record/input_state.h"
#include "settings/settings.h"
#include "wave/sample_store.h"

namespace earloop {

// Everything the program asks of the platform.
struct Platform {
    WindowPort& window;
    DialogPort& dialogs;
    KeyboardPort& keyboard;
    FileSystem& files;
    PictureLibraries& pictures;
    TextRenderer& text;
    TimerPort& timers;
    WaveOutput& waveOut;
    WaveInput& waveIn;
    MidiOutput& midiOut;
    NoteBoxPort& noteBox;
    DesktopPort& desktop;
    AudioDecoder& decoder;
    RenderPort& renderer;
};

// The text of the boxes that end the program at start-up.
inline constexpr const char* kMissingFileMessage = "プログラムの実行に必要なファイルがありません";
inline constexpr const char* kProgramCaption = "Earloop !";

class Application : public DeviceEvents, private TransportHooks, private MidiHooks, private RecorderEvents {
public:
    explicit Application(Platform platform);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application() override;

    // The window's creation: builds controls and pictures, loads the settings
    // and shows the window. False when start-up failed and the window was
    // asked to close; the toolkit then destroys it without showing it.
    bool Create();
    // After the window is shown: installs the keyboard shortcuts.
    void InstallAccelerators();
    // A command from the menu, a key, a button or the program itself; it runs
    // to completion (nested, when a command sends another).
    void Command(int id);
    // Whether `id` is one of the program's commands.
    static bool IsCommand(int id);
    void Paint();
    // An owner-drawn button needs its face, pressed or not.
    void DrawItem(ControlHandle control, bool pressed);
    // A tick of window timer `id`.
    void Timer(int id);
    // The speed slider's value at the end of a change.
    void SpeedSliderChanged(int value);
    // Device notices, on the GUI thread in the order they happened; none is
    // handled once the window is destroyed.
    void OnWaveOutDone(int bufferTag) override;
    void OnWaveInOpen() override;
    void OnWaveInData(int bufferTag, std::size_t bytesRecorded) override;
    // Pointer and slider input on the main window (mouse_input.cpp), points
    // in client pixels. A move counts only while the left button is held.
    void MouseDown(Point p);
    void MouseMove(Point p, bool leftHeld);
    void MouseUp(Point p);
    void RightButtonUp(Point p);
    void MoveOrResizeEnded();
    void SliderNotice(ControlHandle slider, earloop::SliderNotice notice, int position);
    // Files dropped on the window; exactly one becomes the current wave.
    void DropFiles(const std::vector<std::string>& paths);
    // A take the recorder saved as `savedName` becomes the current wave.
    // False, with error 211 for the caller to show, when no output device
    // can play it.
    bool AdoptRecordedTake(const std::string& savedName, WaveImage take);
    // The window's destruction; runs the shutdown once.
    void Destroy();

    // The Note box (note_box_commands.cpp). A click on one of its controls
    // (NoteBoxId), its OK, Cancel or close button.
    void NoteBoxCommand(int id);
    // calibrationSteps and the main window's "A=" readout for a reference pitch.
    void SetReferenceA(int frequency);
    // The "Pitch Adj." label for the keyboard note chosen last.
    void ShowPitchAdjustKey(int note);
    // What a detection with notes shows: every detected note's staff place
    // and, while the box is open, the staff with the first displayCount notes,
    // the bass text of the lowest note and the chord text.
    void ShowDetectedNotes(const NoteDetection& found);
    // The steps of that display, for a caller that needs them apart.
    void ClearStaff();
    void PlaceNoteOnStaff(int centre, int rank);
    void DrawStaffNotes(int count);

    // The records, readable by tests and by the adapter.
    const Settings& CurrentSettings() const { return settings_; }
    const AnalysisParameters& Analysis() const { return analysis_; }
    const PlaybackState& Playback() const { return playback_; }
    const MarkPoint& Marks() const { return marks_; }
    const SpectrumState& Spectrum() const { return *spectrum_; }
    // The notes found at the last analysis that found any.
    const NoteDetection& Notes() const { return notes_; }
    const ControlStates& States() const { return states_; }
    const MainWindow& Window() const { return main_; }
    MainView& View() { return view_; }
    const ErrorState& Error() const { return error_; }
    const PointerState& Pointer() const { return pointer_; }
    const SampleStore& Samples() const { return samples_; }
    const NoteBoxState& NoteBox() const { return noteBox_; }
    const PitchCalibration& Calibration() const { return calibration_; }
    const InputState& Input() const { return input_; }
    // Where the recorder captures a take: "Temp.dat" in the data folder (beside
    // the program while its folder is writable).
    std::string CaptureFilePath() const;
    // The MIDI output; the Setting dialog's MIDI page works it directly.
    MidiSounder& Midi() { return midi_; }
    bool Destroyed() const { return destroyed_; }

private:
    bool LoadPictures();
    void CreateControls();
    bool LocateProgram();
    // The "Error <code>" box of a file the program cannot start without;
    // FailStartup also closes the window.
    void ReportMissingFile(int code, const std::string& caption);
    void FailStartup(int code, const std::string& caption);
    void DrawAllTransportButtons();

    struct CommandEntry {
        int id;
        void (Application::*handler)();
    };
    static const CommandEntry* FindCommand(int id);
    void ExitProgram();
    void OpenWave();
    // The Setting dialog (setting_commands.cpp).
    class SettingSession;
    void ShowSettingDialog();

    // The transport commands (transport_commands.cpp).
    void ShowTransport(const TransportRow& buttons);
    bool Available(Transport button) const;
    void Play();
    void Pause();
    void Keep();
    void FastForward();
    void RewindCommand();
    void Stop();
    void SwitchVocalCanceller();
    void SwitchFullQuality();
    void ShowVocalCanceller(bool on);
    void ChooseSamplingTime(int choice);
    void SamplingCoarse();
    void SamplingNormal();
    void SamplingPrecision();
    void ChooseSamplingByKey(int choice);
    void ChooseCoarse();
    void ChooseNormal();
    void ChoosePrecision();
    void ReturnToStart();

    // The mark point and the repeat end (mark_commands.cpp).
    int PositionMs() const;
    int LatestMarkMs() const;
    void MarkSet();
    void MarkLater();
    void MarkEarlier();
    void MoveMark(bool later);
    void RepeatSet();
    void RepeatLater();
    void RepeatEarlier();
    void MoveRepeatEnd(bool later);
    void RepeatClear();
    void MarkClear();
    void HideRepeat();
    void ForgetRepeatEnd();
    void DropRepeatEnd();
    // The mark cursor and its time at `markMs`; the repeat range from the
    // mark to its end inverted (a second call restores it), with its time.
    void ShowMarkCursor();
    void RemoveMarkCursor();
    void InvertRepeatRange();

    // The analysis at the play position (analysis_commands.cpp).
    void SetAnalysisBlock();
    void AnalyseAt(std::uint32_t position);
    // Note detection on the levels of the last analysis, and its displays.
    void DetectAndShowNotes();

    // Speed and pitch shift (speed_commands.cpp).
    void SpeedTo100();
    void SpeedTo1();
    void SpeedUp10();
    void SpeedDown10();
    void ShiftDown();
    void ShiftUp();
    void ShiftReset();
    void ApplyShift(int semitones, bool reset);
    void ShowFileInStatusBar();
    void ToggleButton(Ctl ctl);
    void NoticeLostSoundDevice();

    // TransportHooks
    void ShowSpeed(int percent) override;
    void ShiftChanged(int semitones, bool reset, bool outputReopened) override;
    void ShowPlayPosition(std::uint32_t position) override;
    // The cursor, the slider and the readouts of a position in the wave.
    void ShowWavePosition(std::uint32_t position);
    void PlayStateChanged(PlayState state) override;
    void PlayEnded() override {
        if (noteBox_.notePlayOn) AllNotesOff();
    }

    // Seeking by the pointer, the sliders' states, the keyboard range
    // (mouse_input.cpp).
    void SeekAtPointer();
    void RefreshSliders(bool volumeSlider);
    void RangeDown();
    void RangeUp();
    void ShiftKeyboardRange(int step, Ctl button);
    bool LiveInputOn() const { return input_.liveInputOn; }
    bool NoteBoxOpen() const { return noteBox_.open; }

    // The Note box and the reference pitch (note_box_commands.cpp).
    void DisplayNotes();
    void OpenNoteBox();
    void InitNoteBox();
    void CloseNoteBox();
    void ChangeDisplayCount(int step);
    void SwitchNotePlay();
    void AnalyseAgain();
    void ChoosePrecisionForNoteBox();
    void SetNotePlayControls(bool group, bool button, bool baseNote);
    void ShowNotePlay(bool on);
    void PitchAdjustUp();
    void PitchAdjustDown();
    void PitchAdjustReset();
    void StepReferencePitch(PitchStep step);
    void ChangeButton(Ctl button, ButtonChange change);

    // The MIDI output's calls from the rest of the program.
    bool MidiAvailable() const { return midi_.State().midiAvailable; }
    void AllNotesOff() { midi_.AllNotesOff(); }
    void SilenceNoteBoxNotes() { midi_.SilenceNoteBoxNotes(); }
    // What the sounding of the Note box's notes depends on now.
    NotePlay NotePlayNow() const;
    // MidiHooks
    void ReferencePitchSet(int hz) override { SetReferenceA(hz); }
    void PitchAdjustKeyChosen(int note) override { ShowPitchAdjustKey(note); }

    // The sound input and the recorder (input_commands.cpp).
    void SetInputAnalysisBlock();
    void LiveInput();
    void StartLiveInput();
    bool OpenInputDevice();
    void CloseInput();
    void PauseOrResumeLiveInput();
    void StopLiveInput();
    void ResizeLiveInput();
    void QueueInputBuffer(int tag);
    void AnalyseInputBlock();
    void RecordCommand();
    void SaveTake(WaveImage take);
    void ReturnToCurrentWave();
    void ShowIdleControls();
    void RedrawMarkTimes();
    void RedrawReadouts();
    void AbandonRecording(RecorderDialog& dialog, const std::string& message);
    // RecorderEvents
    void Opened(RecorderDialog& dialog) override;
    void StartPressed(RecorderDialog& dialog) override;
    void FinishPressed(RecorderDialog& dialog) override;
    void RecordVolumePressed(RecorderDialog& dialog) override;
    void ClosePressed(RecorderDialog& dialog) override;
    void TimerTick(RecorderDialog& dialog) override;
    // The Help menu and the volume controls (help_commands.cpp).
    void OpenHelp();
    void ShowInstallation();
    void ShowAbout();
    void PlayVolumeControl();
    void RecordVolumeControl();

    // Export (export_commands.cpp): what the player sounds for the repeat
    // range, or the whole wave, written to a file the user names.
    void ExportCommand();
    std::optional<std::pair<std::string, AudioFileType>> ChooseExportFile();

    // Loading a wave (wave_commands.cpp).
    std::optional<std::string> ChooseWaveFile();
    bool TryLoad(const std::string& path, WaveImage& loaded);
    void ReadFullRateSamples();
    void ShowError();
    void Repaint();
    bool MakeCurrent(WaveImage image);
    void FinishWaveLoad();

    Platform platform_;
    MainWindow main_;
    ControlStates states_;
    ControlSwitches switches_;
    MainView view_;
    Settings settings_;
    AnalysisParameters analysis_;
    PlaybackState playback_;
    MarkPoint marks_;
    std::unique_ptr<SpectrumState> spectrum_ = std::make_unique<SpectrumState>();
    NoteDetection notes_;
    SampleStore samples_;
    TransportControl transport_;
    ErrorState error_;
    PointerState pointer_;
    NoteBoxState noteBox_;
    PitchCalibration calibration_;
    MidiSounder midi_;
    InputState input_;
    // Allocated with the program, as the device fills them at any time.
    std::unique_ptr<InputBuffers> inputBuffers_ = std::make_unique<InputBuffers>();
    std::size_t inputBufferBytes_ = 0;  // what each queued buffer holds
    std::unique_ptr<WaveInDevice> inputDevice_;
    std::unique_ptr<CaptureFile> capture_;
    // A dropped file's path waits here until Open has kept the current name.
    std::optional<std::string> droppedPath_;
    bool settingsLoaded_ = false;
    bool destroyed_ = false;
    // The wave output is heard; it can fall silent once, when the device goes away.
    bool audible_ = true;
    // Set while the Stop sent for Escape runs.
    bool stoppingForEscape_ = false;
};

}  // namespace earloop
