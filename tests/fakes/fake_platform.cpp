#include "fakes/fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "resources/pictures.h"

namespace earloop::testing {

ControlHandle FakeWindow::CreateControl(const ControlSpec& spec) {
    FakeControl control;
    control.spec = spec;
    control.enabled = spec.enabled;
    control.checked = spec.checked;
    control.text = spec.caption;
    controls.push_back(control);
    return static_cast<ControlHandle>(controls.size() - 1);
}




bool FakeWindow::SetAccelerators(const std::vector<Accelerator>&) {
    events.push_back("accelerators");
    return !acceleratorsFail;
}

void FakeWindow::Present(const FrameBuffer& client, Rect area) { screen.Blit({area.x, area.y}, client, area); }

MessageResult FakeDialogs::ShowMessageBox(const MessageBoxRequest& request) {
    boxes.push_back(request);
    if (events_) events_->push_back("box " + request.caption);
    if (request.buttons == MessageButtons::Ok) return MessageResult::Ok;
    if (answers.empty()) return request.buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
    const MessageResult answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

void FakeDialogs::RunRecorder(RecorderEvents& events) {
    ++recorderRuns;
    if (events_) events_->push_back("recorder");
    FakeRecorderDialog dialog;
    events.Opened(dialog);
    if (recorder && !dialog.closed) recorder(events, dialog);
    if (!dialog.closed) events.ClosePressed(dialog);
    lastRecorder = dialog;
}

void FakeDialogs::RunSetting(const SettingDialogSpec& layout, SettingEvents& events) {
    ++settingRuns;
    if (events_) events_->push_back("setting");
    FakeSettingDialog dialog(layout, events);
    events.Opened(dialog);
    if (setting) setting(dialog);
    if (!dialog.closed) dialog.Press(2);
    lastSetting = dialog;
}

FakeSettingDialog::FakeSettingDialog(const SettingDialogSpec& layout, SettingEvents& events) : events_(&events) {
    for (const SettingPageSpec& page : layout.pages) {
        auto& controls = pages.emplace_back();
        for (const SettingControlSpec& spec : page.controls) {
            const bool captioned = spec.kind != SettingControlKind::EditableList &&
                                   spec.kind != SettingControlKind::DropDownList &&
                                   spec.kind != SettingControlKind::ReadOnlyEdit;
            Control& c = controls.emplace_back();
            c.spec = spec;
            if (captioned) c.text = spec.caption;
        }
    }
}

FakeSettingDialog::Control* FakeSettingDialog::Find(SettingControl control,
                                                    std::initializer_list<SettingControlKind> kinds,
                                                    const char* call) {
    const auto page = static_cast<std::size_t>(control.page);
    if (page < pages.size())
        for (Control& c : pages[page])
            if (c.spec.id == control.id && c.spec.id != -1 &&
                (kinds.size() == 0 || std::find(kinds.begin(), kinds.end(), c.spec.kind) != kinds.end()))
                return &c;
    strayCalls.push_back(std::string(call) + " page " + std::to_string(page) + " id " + std::to_string(control.id));
    return nullptr;
}

const FakeSettingDialog::Control& FakeSettingDialog::At(SettingControl control) const {
    for (const Control& c : pages.at(static_cast<std::size_t>(control.page)))
        if (c.spec.id == control.id) return c;
    throw std::out_of_range("no control " + std::to_string(control.id));
}

void FakeSettingDialog::Enable(SettingControl control, bool enabled) {
    if (Control* c = Find(control, {}, "Enable")) c->enabled = enabled;
}

void FakeSettingDialog::EnablePage(SettingPage page, bool enabled) {
    for (Control& c : pages.at(static_cast<std::size_t>(page))) c.enabled = enabled;
}

using Kind = SettingControlKind;

void FakeSettingDialog::SetText(SettingControl control, const std::string& utf8) {
    if (Control* c = Find(control, {Kind::Label, Kind::CentredLabel, Kind::EditableList, Kind::ReadOnlyEdit},
                          "SetText"))
        c->text = utf8;
}

std::string FakeSettingDialog::Text(SettingControl control) {
    Control* c = Find(control, {Kind::Label, Kind::CentredLabel, Kind::EditableList, Kind::ReadOnlyEdit}, "Text");
    return c ? c->text : std::string();
}

void FakeSettingDialog::Check(SettingControl control, bool checked) {
    Control* c = Find(control, {Kind::CheckBox, Kind::RadioButton}, "Check");
    if (!c) return;
    if (c->spec.kind == Kind::CheckBox) {
        c->checked = checked;
        return;
    }
    if (!checked) return;
    // The radios of its group: back to the one that starts it, on to the next start.
    auto& controls = pages[static_cast<std::size_t>(control.page)];
    auto start = controls.begin() + (c - controls.data());
    while (!start->spec.startsGroup && start != controls.begin()) --start;
    for (auto it = start; it != controls.end() && (it == start || !it->spec.startsGroup); ++it)
        if (it->spec.kind == Kind::RadioButton) it->checked = false;
    c->checked = true;
}

bool FakeSettingDialog::IsChecked(SettingControl control) {
    Control* c = Find(control, {Kind::CheckBox, Kind::RadioButton}, "IsChecked");
    return c && c->checked;
}

void FakeSettingDialog::SetEntries(SettingControl list, const std::vector<std::string>& entries) {
    if (Control* c = Find(list, {Kind::DropDownList, Kind::EditableList}, "SetEntries")) {
        c->entries = entries;
        c->selection = -1;
    }
}

void FakeSettingDialog::Select(SettingControl list, int entry) {
    Control* c = Find(list, {Kind::DropDownList, Kind::EditableList}, "Select");
    if (!c) return;
    c->selection = entry >= 0 && entry < static_cast<int>(c->entries.size()) ? entry : -1;
    if (c->spec.kind == Kind::EditableList && c->selection >= 0) c->text = c->entries[c->selection];
}

int FakeSettingDialog::Selection(SettingControl list) {
    Control* c = Find(list, {Kind::DropDownList, Kind::EditableList}, "Selection");
    return c ? c->selection : -1;
}

void FakeSettingDialog::Click(SettingControl control) {
    Control* c = Find(control, {Kind::CheckBox, Kind::RadioButton, Kind::PushButton}, "Click");
    if (closed || !c || !c->enabled) return;
    if (c->spec.kind != Kind::PushButton) Check(control, c->spec.kind == Kind::RadioButton || !c->checked);
    events_->Changed(*this, control);
}

void FakeSettingDialog::Choose(SettingControl list, int entry) {
    Control* c = Find(list, {Kind::DropDownList, Kind::EditableList}, "Choose");
    if (closed || !c || !c->enabled) return;
    Select(list, entry);
    events_->Changed(*this, list);
}

void FakeSettingDialog::Type(SettingControl list, const std::string& text) {
    Control* c = Find(list, {Kind::EditableList}, "Type");
    if (closed || !c || !c->enabled) return;
    c->text = text;
    c->selection = -1;
}

void FakeSettingDialog::Press(int buttonId) {
    if (!closed) events_->ButtonPressed(*this, buttonId);
}

std::optional<std::string> FakeDialogs::AskTakeName(const std::string& recordedText) {
    takeNameTexts.push_back(recordedText);
    if (events_) events_->push_back("save as");
    if (takeNames.empty()) return std::nullopt;
    auto name = takeNames.front();
    takeNames.erase(takeNames.begin());
    return name;
}

std::optional<std::string> FakeDialogs::ChooseOpenFile(const OpenFileRequest& request) {
    fileRequests.push_back(request);
    if (events_) events_->push_back(chosenFile ? "open dialog: " + *chosenFile : "open dialog cancelled");
    return chosenFile;
}

std::optional<SaveFileChoice> FakeDialogs::ChooseSaveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    if (events_) events_->push_back(savedFile ? "save dialog: " + savedFile->path : "save dialog cancelled");
    return savedFile;
}

namespace {
class FakeProgressWindow : public ProgressWindow {
public:
    FakeProgressWindow(std::vector<std::string>& log, int& open) : log_(log), open_(open) { ++open_; }
    ~FakeProgressWindow() override {
        log_.push_back("close");
        --open_;
    }
    void SetText(const std::string& text) override { log_.push_back("text " + text); }
    void SetPercent(int percent) override { log_.push_back("percent " + std::to_string(percent)); }

private:
    std::vector<std::string>& log_;
    int& open_;
};
}  // namespace

std::unique_ptr<ProgressWindow> FakeDialogs::OpenProgress(const std::string& title, const std::string& text,
                                                          int percent) {
    progress.push_back("open " + title + ": " + text + " " + std::to_string(percent));
    if (events_) events_->push_back("progress " + title);
    return std::make_unique<FakeProgressWindow>(progress, openProgressWindows);
}

struct FakeWaveInput::Device : WaveInDevice {
    Device(FakeWaveInput& input, DeviceEvents& events) : input(input), events(events) {}
    ~Device() override {
        Reset();
        input.log.push_back("close");
        input.open = nullptr;
    }
    void AddBuffer(std::uint8_t* data, std::size_t bytes, int tag) override {
        input.log.push_back("add " + std::to_string(bytes) + " tag " + std::to_string(tag));
        queued.push_back({data, bytes, tag});
    }
    void Start() override { input.log.push_back("start"); }
    // Buffers come back empty: the fake records only when told to.
    void Reset() override {
        input.log.push_back("reset");
        for (const Buffer& b : queued) input.notices.emplace_back(&events, b.tag, 0);
        queued.clear();
    }

    struct Buffer {
        std::uint8_t* data;
        std::size_t bytes;
        int tag;
    };
    FakeWaveInput& input;
    DeviceEvents& events;
    std::vector<Buffer> queued;
};

std::unique_ptr<WaveInDevice> FakeWaveInput::Open(const WaveFormatInfo& format, DeviceEvents& events) {
    log.push_back("open " + std::to_string(format.nSamplesPerSec) + " " + std::to_string(format.nChannels));
    if (failOpen) return nullptr;
    auto device = std::make_unique<Device>(*this, events);
    open = device.get();
    notices.emplace_back(&events, -1, 0);  // the open notice
    return device;
}

bool FakeWaveInput::FillBuffer() {
    if (!open || open->queued.empty()) return false;
    const Device::Buffer buffer = open->queued.front();
    open->queued.erase(open->queued.begin());
    for (std::size_t i = 0; i + 1 < buffer.bytes; i += 2) {
        const auto sample = static_cast<std::uint16_t>(signal[signalAt]);
        buffer.data[i] = static_cast<std::uint8_t>(sample & 0xFF);
        buffer.data[i + 1] = static_cast<std::uint8_t>(sample >> 8);
        signalAt = (signalAt + 1) % signal.size();
    }
    notices.emplace_back(&open->events, buffer.tag, buffer.bytes);
    return true;
}

void FakeWaveInput::Deliver() {
    // A handler may open a device or queue a buffer, which adds notices.
    while (!notices.empty()) {
        const auto [events, tag, bytes] = notices.front();
        notices.erase(notices.begin());
        if (tag < 0)
            events->OnWaveInOpen();
        else
            events->OnWaveInData(tag, bytes);
    }
}

int FakeWaveInput::Arrive(int blocks) {
    int filled = 0;
    Deliver();
    for (; filled < blocks && FillBuffer(); ++filled) Deliver();
    return filled;
}

std::optional<FrameBuffer> FakePictureLibraries::LoadPicture(const std::string& path, int bitmapId) {
    loaded.push_back(path);
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (missing.count(name) || missing.count(path)) return std::nullopt;
    const bool carries = (name == "earlpkbd.so" && bitmapId == static_cast<int>(PictureId::Keyboard)) ||
                         (name == "earlpfft.so" && bitmapId == static_cast<int>(PictureId::SpectrumGrid));
    if (!carries) return std::nullopt;
    return RenderPicture(bitmapId);
}

void FakeTextRenderer::DrawText(FrameBuffer& target, Point at, std::string_view utf8, const FontSpec& font, Rgb colour,
                                std::optional<Rgb> background) {
    calls.push_back({at, std::string(utf8), font, colour, background});
    const int width = static_cast<int>(utf8.size()) * font.width;
    if (background) target.FillRect({at.x, at.y, width, font.height}, *background);
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (utf8[i] != ' ')
            target.FillRect({at.x + static_cast<int>(i) * font.width + 1, at.y + 2, font.width - 2, font.height - 4}, colour);
}

struct FakeWaveOutput::Device : WaveOutDevice {
    Device(FakeWaveOutput& output, DeviceEvents* events, std::uint32_t blockAlign)
        : output(output), events(events), blockAlign(blockAlign) {}
    ~Device() override {
        GiveBack();
        if (output.onClose) output.onClose();
        output.log.push_back("close");
        if (output.last == this) output.last = nullptr;
    }
    void Write(const std::uint8_t* data, std::size_t bytes, std::uint32_t loops, int tag) override {
        output.lastWrite.assign(data, data + bytes);
        output.log.push_back("write " + std::to_string(bytes) + " x" +
                             (loops == kLoopUntilReset ? std::string("loop") : std::to_string(loops)) + " tag " +
                             std::to_string(tag));
        queued.push_back({bytes, tag});
    }
    void Reset() override {
        output.log.push_back("reset");
        GiveBack();
        played = 0;
    }
    std::uint64_t PlayedBytes() override { return played; }
    void SetVolume(PackedVolume volume) override { output.log.push_back("volume " + std::to_string(volume)); }

    void GiveBack() {
        for (const auto& buffer : queued)
            if (events) output.notices.emplace_back(events, buffer.second);
        queued.clear();
    }

    FakeWaveOutput& output;
    DeviceEvents* events;
    std::uint32_t blockAlign;
    std::vector<std::pair<std::size_t, int>> queued;  // bytes, tag
    std::uint64_t played = 0;
};

std::unique_ptr<WaveOutDevice> FakeWaveOutput::Open(const WaveFormatInfo& format, DeviceEvents* events) {
    opened.push_back(format);
    log.push_back("open " + std::to_string(format.nSamplesPerSec) + " " + std::to_string(format.nChannels) +
                  (events ? " stream" : " plain"));
    if (failOpen) return nullptr;
    auto device = std::make_unique<Device>(*this, events, format.nBlockAlign);
    last = device.get();
    return device;
}

bool FakeWaveOutput::FinishBuffer() {
    if (!last || last->queued.empty()) return false;
    const auto [bytes, tag] = last->queued.front();
    last->queued.erase(last->queued.begin());
    last->played += bytes;
    if (last->events) notices.emplace_back(last->events, tag);
    return true;
}

void FakeWaveOutput::Play(std::uint64_t bytes) {
    if (last) last->played += bytes;
}

void FakeWaveOutput::Deliver() {
    for (const auto& [events, tag] : std::exchange(notices, {})) events->OnWaveOutDone(tag);
}

namespace {
struct FakeMidiDevice : MidiOutDevice {
    FakeMidiDevice(FakeMidiOutput& output) : output(output), volume(output.startVolume) { ++output.openDevices; }
    ~FakeMidiDevice() override {
        --output.openDevices;
        output.log.push_back("close");
    }
    void ShortMessage(std::uint32_t packed) override {
        const std::uint8_t status = packed & 0xFF;
        // Program change and channel pressure carry one data byte.
        const int length = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
        std::string bytes;
        char hex[4];
        for (int i = 0; i < length; ++i) {
            std::snprintf(hex, sizeof hex, "%02X", (packed >> (8 * i)) & 0xFF);
            bytes += (i ? " " : "") + std::string(hex);
        }
        output.log.push_back(bytes);
    }
    void Reset() override { output.log.push_back("reset"); }
    PackedVolume Volume() override { return volume; }
    void SetVolume(PackedVolume v) override {
        volume = v;
        char text[20];
        std::snprintf(text, sizeof text, "volume %08X", v);
        output.log.push_back(text);
    }
    FakeMidiOutput& output;
    PackedVolume volume;
};
}  // namespace

std::unique_ptr<MidiOutDevice> FakeMidiOutput::Open(int deviceNo) {
    log.push_back("open " + std::to_string(deviceNo));
    if (failing.count(deviceNo) || (deviceNo != kMidiMapper && deviceNo >= DeviceCount())) return nullptr;
    return std::make_unique<FakeMidiDevice>(*this);
}

std::vector<std::string> FakeMidiOutput::TakeMessages() {
    std::vector<std::string> messages;
    for (const std::string& entry : TakeLog())
        if (std::isxdigit(static_cast<unsigned char>(entry[0])) && entry[2] == ' ') messages.push_back(entry);
    return messages;
}

}  // namespace earloop::testing
