#pragma once
// Recording fakes of the ports the application object talks to.

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fakes/fake_file_system.h"
#include "platform/null_devices.h"
#include "playback/render_port.h"
#include "ports/audio_ports.h"
#include "ports/desktop_port.h"
#include "ports/dialog_port.h"
#include "ports/keyboard_port.h"
#include "ports/midi_port.h"
#include "ports/note_box_port.h"
#include "ports/picture_library.h"
#include "ports/text_renderer.h"
#include "ports/timer_port.h"
#include "ports/window_port.h"

namespace earloop::testing {

struct FakeControl {
    ControlSpec spec;
    bool enabled = true;
    bool shown = true;
    bool checked = false;
    std::string text;
    int sliderPosition = 0;
    FrameBuffer face;
};

class FakeWindow : public WindowPort {
public:
    ControlHandle CreateControl(const ControlSpec& spec) override;
    void EnableControl(ControlHandle c, bool enabled) override {
        controls.at(c).enabled = enabled;
        ++enableCalls;
    }
    void ShowControl(ControlHandle c, bool shown) override { controls.at(c).shown = shown; }
    void SetControlText(ControlHandle c, const std::string& text) override { controls.at(c).text = text; }
    void CheckControl(ControlHandle c, bool checked) override { controls.at(c).checked = checked; }
    void SetSliderRange(ControlHandle, int, int) override {}
    void SetSliderTicks(ControlHandle, int, int) override {}
    void SetSliderPosition(ControlHandle c, int position) override { controls.at(c).sliderPosition = position; }
    void SetProgressRange(ControlHandle, int, int) override {}
    void SetProgressValue(ControlHandle, int) override {}
    void PresentControl(ControlHandle c, const FrameBuffer& face) override { controls.at(c).face = face; }
    void DescribeDrawnText(const std::string& name, Rect, const std::string& text) override { drawnTexts[name] = text; }
    void CreateStatusBar(const std::vector<int>& rightEdges) override { statusEdges = rightEdges; statusTexts.assign(rightEdges.size(), ""); }
    void SetStatusText(int part, const std::string& text) override { statusTexts.at(part) = text; }
    void SetIcon(const FrameBuffer&) override {}
    void SetMenu(const std::vector<MenuSpec>&) override {}
    void CheckMenuItem(int commandId, bool checked) override { menuChecks[commandId] = checked; }
    bool SetAccelerators(const std::vector<Accelerator>& table) override;
    void Present(const FrameBuffer& client, Rect area) override;
    void Invalidate(Rect) override {}
    void Show() override { shown = true; events.push_back("show"); }
    void Raise() override { events.push_back("raise"); }
    void AcceptDroppedFiles() override { acceptsDrops = true; }
    void SetBusyCursor(bool busy) override { events.push_back(busy ? "busy" : "idle"); }
    void EnableWindow(bool enabled) override { events.push_back(enabled ? "enable" : "disable"); }
    void RequestClose() override { ++closeRequests; events.push_back("close"); }

    std::vector<FakeControl> controls;
    std::map<int, bool> menuChecks;  // the check marks set, by command id
    std::map<std::string, std::string> drawnTexts;  // the readouts' texts by name
    std::vector<int> statusEdges;
    std::vector<std::string> statusTexts;
    int enableCalls = 0;  // a command that acts switches controls
    bool acceleratorsFail = false;
    FrameBuffer screen{kScreenWidth, kScreenHeight, {0, 0, 0}};  // what Present copied
    bool shown = false;
    bool acceptsDrops = false;
    int closeRequests = 0;
    std::vector<std::string> events;  // show, enable, disable, close, and message boxes

    static constexpr int kScreenWidth = 744;
    static constexpr int kScreenHeight = 412;
};

// Records every box and progress window; `events`, when given, gets a line
// for each in order ("box Error 901", "progress LOADING", "percent 5", ...).
// The recorder dialog's controls as the program set them.
struct FakeRecorderDialog : RecorderDialog {
    void SetText(const std::string& utf8) override { texts.push_back(utf8); }
    void EnableButton(RecorderButton button, bool enabled) override {
        (button == RecorderButton::Start ? startEnabled : finishEnabled) = enabled;
    }
    void StartTimer(int periodMs) override { timerPeriod = periodMs; }
    void StopTimer() override { timerPeriod = 0; }
    void Close() override { closed = true; }
    const std::string& Text() const { return texts.back(); }

    std::vector<std::string> texts{" Push [START] Button for Recording."};
    bool startEnabled = true;
    bool finishEnabled = true;
    int timerPeriod = 0;  // 0: stopped
    bool closed = false;
};

// The Setting dialog as the program and a scripted user work it, with the
// controls of its layout. Radios of a group uncheck each other and cannot be
// unchecked by themselves, as in the toolkit. A call naming a control the
// layout lacks (or one of another kind) is noted in `strayCalls`.
class FakeSettingDialog : public SettingDialog {
public:
    struct Control {
        SettingControlSpec spec;
        bool enabled = true;
        bool checked = false;
        std::string text;  // a label's caption, an edit field's text
        std::vector<std::string> entries;
        int selection = -1;
    };
    FakeSettingDialog() = default;
    FakeSettingDialog(const SettingDialogSpec& layout, SettingEvents& events);

    void Enable(SettingControl control, bool enabled) override;
    void EnablePage(SettingPage page, bool enabled) override;
    void SetText(SettingControl control, const std::string& utf8) override;
    std::string Text(SettingControl control) override;
    void Check(SettingControl control, bool checked) override;
    bool IsChecked(SettingControl control) override;
    void SetEntries(SettingControl list, const std::vector<std::string>& entries) override;
    void Select(SettingControl list, int entry) override;
    int Selection(SettingControl list) override;
    void Close() override { closed = true; }

    // What the user does, each reported as the toolkit would; nothing once
    // the dialog is closed. A click toggles a check box or checks a radio.
    void Click(SettingControl control);
    void Choose(SettingControl list, int entry);
    void Type(SettingControl list, const std::string& text);  // into the edit field of an editable list
    void Press(int buttonId);
    const Control& At(SettingControl control) const;

    std::vector<std::vector<Control>> pages;
    std::vector<std::string> strayCalls;
    bool closed = false;

private:
    Control* Find(SettingControl control, std::initializer_list<SettingControlKind> kinds, const char* call);
    SettingEvents* events_ = nullptr;
};

class FakeDialogs : public DialogPort {
public:
    explicit FakeDialogs(std::vector<std::string>* events = nullptr) : events_(events) {}
    // Boxes with Yes/No or OK/Cancel take their answers from `answers` in
    // order (Yes, then OK, when none is left); OK-only boxes answer OK.
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) override;
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) override;
    std::unique_ptr<ProgressWindow> OpenProgress(const std::string& title, const std::string& text, int percent) override;
    // Opens the dialog, then runs `recorder` as the user, who presses its
    // buttons through the events; without a script the user closes it.
    void RunRecorder(RecorderEvents& events) override;
    // Answers with `takeNames` in order; nullopt (the close box) when none is left.
    std::optional<std::string> AskTakeName(const std::string& recordedText) override;
    void ShowInfoDialog(const InfoDialogTemplate& dialog) override {
        infoDialogs.push_back(dialog);
        if (events_) events_->push_back("dialog " + dialog.title);
    }
    // Opens the dialog, then runs `setting` as the user; without a script,
    // or when the script leaves it open, the user presses Cancel.
    void RunSetting(const SettingDialogSpec& layout, SettingEvents& events) override;

    std::vector<MessageBoxRequest> boxes;
    std::vector<MessageResult> answers;
    std::function<void(RecorderEvents&, FakeRecorderDialog&)> recorder;
    FakeRecorderDialog lastRecorder;  // the dialog of the last run, as it was at its end
    int recorderRuns = 0;
    std::vector<std::optional<std::string>> takeNames;
    std::vector<std::string> takeNameTexts;  // what each save dialog showed
    std::function<void(FakeSettingDialog&)> setting;
    FakeSettingDialog lastSetting;  // the dialog of the last run, as it was at its end
    int settingRuns = 0;
    std::vector<OpenFileRequest> fileRequests;
    std::vector<InfoDialogTemplate> infoDialogs;
    std::optional<std::string> chosenFile;  // what the open dialog answers; nullopt: cancelled
    std::vector<SaveFileRequest> saveRequests;
    std::optional<SaveFileChoice> savedFile;  // what the save dialog answers; nullopt: cancelled
    std::vector<std::string> progress;      // every call on progress windows, in order
    int openProgressWindows = 0;

private:
    std::vector<std::string>* events_;
};

// Serves the program's own pictures for the two modules it knows, from any
// folder; a module whose file name or path is in `missing` cannot be loaded.
class FakePictureLibraries : public PictureLibraries {
public:
    std::string ModuleFileName(const std::string& baseName) override { return baseName + ".so"; }
    std::optional<FrameBuffer> LoadPicture(const std::string& path, int bitmapId) override;
    std::set<std::string> missing;
    std::vector<std::string> loaded;  // paths asked for
};

// Draws each character as a solid block of the font's width and height, so
// that tests can see where text went and in which colour.
class FakeTextRenderer : public TextRenderer {
public:
    void DrawText(FrameBuffer& target, Point at, std::string_view utf8, const FontSpec& font, Rgb colour,
                  std::optional<Rgb> background) override;
    struct Call {
        Point at;
        std::string text;
        FontSpec font;
        Rgb colour;
        std::optional<Rgb> background;
    };
    std::vector<Call> calls;
};

// Escape as a hand works it: down from PressEscape until ReleaseEscape, and
// a press is remembered until the next question, so that a tap between two
// questions is still seen there, once.
class FakeKeyboard : public KeyboardPort {
public:
    bool EscapePressed() override {
        if (asked++ == tapAt) TapEscape();
        return std::exchange(pressedSinceAsked_, false) || down_;
    }
    void PressEscape() { down_ = pressedSinceAsked_ = true; }
    void ReleaseEscape() { down_ = false; }
    void TapEscape() {
        PressEscape();
        ReleaseEscape();
    }
    int tapAt = -1;  // Escape is tapped just before the question with this index (0 for the first)
    int asked = 0;

private:
    bool down_ = false;
    bool pressedSinceAsked_ = false;
};

// Wave output devices that record every call in one log, shared by all the
// devices, and play only when a test says so: FinishBuffer plays the oldest
// queued buffer of the device opened last and queues its done notice, which
// Deliver hands to the device's events in order, as the GUI thread would.
// `failOpen` makes every open fail; `audible` false stands for the silent
// output that plays when no sound device can be opened.
class FakeWaveOutput : public WaveOutput {
public:
    std::unique_ptr<WaveOutDevice> Open(const WaveFormatInfo& format, DeviceEvents* events) override;
    PackedVolume DeviceZeroVolume() override { return deviceZeroVolume; }
    void SetDeviceZeroVolume(PackedVolume volume) override { deviceZeroVolume = volume; }
    bool Audible() override { return audible; }

    // The oldest queued buffer of the device opened last has played; false
    // when it has none.
    bool FinishBuffer();
    // Adds played bytes to the device opened last, as if time had passed.
    void Play(std::uint64_t bytes);
    void Deliver();
    // The log since the last call, emptied.
    std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

    struct Device;
    PackedVolume deviceZeroVolume = 0xFFFFFFFF;
    std::vector<WaveFormatInfo> opened;
    bool failOpen = false;
    bool audible = true;
    // "open RATE CHANNELS plain|stream", "write BYTES xLOOPS tag T", "reset", "volume V", "close".
    std::vector<std::string> log;
    std::vector<std::pair<DeviceEvents*, int>> notices;  // done, not yet delivered
    std::vector<std::uint8_t> lastWrite;                 // what the last Write handed over
    std::function<void()> onClose;                       // called as a device closes, before its "close"
    Device* last = nullptr;                              // the device opened last, while open
};

// MIDI devices that record every call in one log: each short message as its
// bytes in hex ("90 45 7F"; a program change "C0 41"), "reset",
// "volume XXXXXXXX", "open N" (also when it fails), "close". Devices are
// numbered by `names`; those in `failing` (kMidiMapper included) cannot be
// opened. Each opened device starts at `startVolume`.
class FakeMidiOutput : public MidiOutput {
public:
    int DeviceCount() override { return static_cast<int>(names.size()); }
    std::string ProductName(int deviceNo) override {
        return deviceNo >= 0 && deviceNo < DeviceCount() ? names[deviceNo] : std::string();
    }
    std::unique_ptr<MidiOutDevice> Open(int deviceNo) override;
    // The log since the last call, emptied.
    std::vector<std::string> TakeLog() { return std::exchange(log, {}); }
    // Only the short messages of the log since the last call, which is emptied.
    std::vector<std::string> TakeMessages();

    std::vector<std::string> names;
    std::set<int> failing;
    PackedVolume startVolume = 0x12345678;
    int openDevices = 0;
    std::vector<std::string> log;
};

// Wave input devices that record every call in one log ("open RATE CHANNELS",
// "add BYTES tag T", "start", "reset", "close") and fill buffers only when a
// test says so, from `signal` (interleaved 16-bit frames, played in a loop).
// Notices wait in `notices` until Deliver, as the GUI thread would get them.
class FakeWaveInput : public WaveInput {
public:
    std::unique_ptr<WaveInDevice> Open(const WaveFormatInfo& format, DeviceEvents& events) override;
    // Fills the oldest queued buffer of the open device with the signal and
    // posts its notice; false when none is queued.
    bool FillBuffer();
    void Deliver();
    // FillBuffer then Deliver, `blocks` times; the count filled.
    int Arrive(int blocks);
    std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

    struct Device;
    std::vector<std::int16_t> signal{0, 0};
    std::size_t signalAt = 0;  // next sample of the signal
    bool failOpen = false;
    std::vector<std::string> log;
    std::vector<std::tuple<DeviceEvents*, int, std::size_t>> notices;
    Device* open = nullptr;  // the open device
};

// The desktop's mixer and default programs: "open playback", "open
// recording", "close", "document PATH" in order. A document opens when
// `files` holds it.
class FakeDesktop : public DesktopPort {
public:
    explicit FakeDesktop(FileSystem& documents) : files(documents) {}
    void OpenMixer(MixerPage page) override { log.push_back(page == MixerPage::Recording ? "open recording" : "open playback"); }
    void CloseMixer() override { log.push_back("close"); }
    bool OpenDocument(const std::string& path) override {
        log.push_back("document " + path);
        return files.Exists(path);
    }
    FileSystem& files;
    std::vector<std::string> log;
};

// Window timers that run only when the test ticks them.
// Records each render; hands it to `real` when set, else writes nothing.
class FakeRenderer : public RenderPort {
public:
    struct Request {
        RenderSettings settings;
        AudioFileType type;
        std::string path;
    };
    RenderOutcome Render(SampleStore& samples, const RenderSettings& settings, AudioFileType type,
                         const std::string& path, RenderProgress& progress) override {
        requests.push_back({settings, type, path});
        return real ? real->Render(samples, settings, type, path, progress) : RenderOutcome{RenderResult::Done};
    }
    std::vector<Request> requests;
    RenderPort* real = nullptr;
};

class FakeTimers : public TimerPort {
public:
    void StartTimer(int id, int periodMs) override { running[id] = periodMs; }
    void StopTimer(int id) override { running.erase(id); }
    std::uint64_t NowMs() override { return nowMs; }
    bool Running(int id) const { return running.count(id) != 0; }
    std::map<int, int> running;  // id -> period
    std::uint64_t nowMs = 1000;
};

// A Note box that keeps its controls' states and the pictures shown in it;
// without a box every call but OwnerFrame is dropped, as in the real one.
class FakeNoteBox : public NoteBoxPort {
public:
    struct Control {
        NoteBoxControlSpec spec;
        std::string text;
        bool checked = false;
        bool enabled = true;
    };
    Rect OwnerFrame() override { return owner; }
    void Create(Rect rect, const std::string& caption, const std::vector<NoteBoxControlSpec>& specs,
                const std::vector<Accelerator>& accelerators) override {
        exists = true;
        shown = false;
        frame = rect;
        title = caption;
        keys = accelerators;
        controls.clear();
        for (const NoteBoxControlSpec& spec : specs) controls.push_back({spec, spec.caption});
        picture = FrameBuffer(kWidth, kHeight, {0, 0, 0});
        ++creations;
    }
    void Show() override { shown = exists; }
    void Destroy() override {
        exists = shown = false;
        controls.clear();
    }
    void SetText(int id, const std::string& text) override {
        if (Control* c = Find(id)) c->text = text;
    }
    void Check(int id, bool checked) override {
        if (Control* c = Find(id)) c->checked = checked;
    }
    bool IsChecked(int id) override { return Find(id) && Find(id)->checked; }
    void Enable(int id, bool enabled) override {
        if (Control* c = Find(id)) c->enabled = enabled;
    }
    void PresentPicture(const FrameBuffer& source, Point at) override {
        if (exists) picture.Blit(at, source);
    }
    Control* Find(int id) {
        for (Control& c : controls)
            if (c.spec.id == id) return &c;
        return nullptr;
    }

    Rect owner{0, 0, 750, 488};
    bool exists = false;
    bool shown = false;
    int creations = 0;
    Rect frame;
    std::string title;
    std::vector<Accelerator> keys;
    std::vector<Control> controls;
    FrameBuffer picture;  // the box's client area as presented
    static constexpr int kWidth = 175, kHeight = 450;
};

}  // namespace earloop::testing
