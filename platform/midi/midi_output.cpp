#include "platform/midi/midi_output.h"

#include <rtmidi/RtMidi.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/audio/mixer.h"
#include "platform/audio/quiet_stderr.h"
#include "platform/midi/synth_device.h"

namespace earloop {

namespace {

constexpr const char* kClientName = "Earloop";

// A system port opened through RtMidi. Every call comes from the GUI thread.
class PortDevice final : public MidiOutDevice {
public:
    explicit PortDevice(std::unique_ptr<RtMidiOut> port) : port_(std::move(port)) {}
    // A synthesizer behind the port must not hold notes after we let go.
    ~PortDevice() override { Reset(); }

    void ShortMessage(std::uint32_t packed) override {
        const unsigned char bytes[] = {static_cast<unsigned char>(packed), static_cast<unsigned char>(packed >> 8),
                                       static_cast<unsigned char>(packed >> 16)};
        if (const std::size_t length = ShortMessageBytes(bytes[0])) Send(bytes, length);
    }
    void Reset() override {
        for (unsigned char channel = 0; channel < 16; ++channel) {
            const unsigned char allNotesOff[] = {static_cast<unsigned char>(0xB0 | channel), 0x7B, 0x00};
            Send(allNotesOff, sizeof allNotesOff);
        }
    }
    // A port has no volume of its own; what was set is kept for the asking.
    PackedVolume Volume() override { return volume_; }
    void SetVolume(PackedVolume volume) override { volume_ = volume; }

private:
    // A port that has gone away (a device unplugged) swallows what is sent.
    void Send(const unsigned char* bytes, std::size_t length) {
        try {
            port_->sendMessage(bytes, length);
        } catch (const RtMidiError&) {
        }
    }

    std::unique_ptr<RtMidiOut> port_;
    PackedVolume volume_ = 0xFFFFFFFF;
};

// A client of the MIDI system `api`, or nullptr when it is missing (RtMidi
// throws, after ALSA and RtMidi have printed why, which the caller quiets).
std::unique_ptr<RtMidiOut> NewRtMidiOut(RtMidi::Api api) {
    try {
        return std::make_unique<RtMidiOut>(api, kClientName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

// The first MIDI system with output ports (ALSA's sequencer, then JACK), or
// nullptr when none has any. RtMidi's own choice stops at the first system
// that is missing. A JACK client without a server is not kept: RtMidi
// tries to connect it again at each count.
std::unique_ptr<RtMidiOut> FindPortSystem() {
    QuietStderr quiet;
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    for (RtMidi::Api api : apis) {
        auto client = NewRtMidiOut(api);
        try {
            if (client && client->getPortCount() > 0) return client;
        } catch (const RtMidiError&) {
        }
    }
    return nullptr;
}

}  // namespace

// The system's port list, as it was when first asked for, or nothing without
// ports. Looked for only then: the built-in synthesizer alone needs no MIDI
// system, and looking for one tries to reach a JACK server.
struct SystemMidiOutput::Ports {
    std::unique_ptr<RtMidiOut> lister = FindPortSystem();
};

SystemMidiOutput::Ports& SystemMidiOutput::FoundPorts() {
    if (!ports_) ports_ = std::make_unique<Ports>();
    return *ports_;
}

SoundFontSearch SystemSoundFontSearch() {
    const char* chosen = std::getenv("EARLOOP_SOUNDFONT");
    return {chosen ? chosen : "", {"/usr/share/sounds/sf2", "/usr/share/soundfonts"}};
}

std::optional<std::string> FindSoundFont(const SoundFontSearch& search) {
    std::error_code ignored;
    if (!search.chosen.empty() && std::filesystem::is_regular_file(search.chosen, ignored)) return search.chosen;
    for (const std::string& folder : search.folders) {
        const std::filesystem::path path = std::filesystem::path(folder) / kSoundFontName;
        if (std::filesystem::is_regular_file(path, ignored)) return path.string();
    }
    return std::nullopt;
}

std::string CutToWholeCharacters(std::string_view name, std::size_t bytes) {
    if (name.size() <= bytes) return std::string(name);
    std::size_t end = bytes;
    // Back to the first byte of the character the cut would split.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return std::string(name.substr(0, end));
}

std::size_t ShortMessageBytes(std::uint8_t status) {
    if (status < 0x80) return 0;
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0)) return 3;
    if (status < 0xE0) return 2;
    switch (status) {
    case 0xF1: case 0xF3: return 2;  // time code quarter frame, song select
    case 0xF2: return 3;             // song position
    case 0xF6: case 0xF8: case 0xFA: case 0xFB: case 0xFC: case 0xFE: case 0xFF: return 1;
    default: return 0;  // system exclusive, its end, the undefined ones
    }
}

SystemMidiOutput::SystemMidiOutput(Mixer& mixer, SoundFontSearch search)
    : mixer_(mixer), search_(std::move(search)) {}

SystemMidiOutput::~SystemMidiOutput() = default;

int SystemMidiOutput::DeviceCount() {
    RtMidiOut* lister = FoundPorts().lister.get();
    if (!lister) return 0;
    try {
        return static_cast<int>(lister->getPortCount());
    } catch (const RtMidiError&) {
        return 0;
    }
}

std::string SystemMidiOutput::ProductName(int deviceNo) {
    if (deviceNo < 0 || deviceNo >= DeviceCount()) return {};
    try {
        return CutToWholeCharacters(FoundPorts().lister->getPortName(static_cast<unsigned>(deviceNo)), kProductNameBytes);
    } catch (const RtMidiError&) {
        return {};
    }
}

std::unique_ptr<MidiOutDevice> SystemMidiOutput::Open(int deviceNo) {
    if (deviceNo == kMidiMapper) {
        const auto soundFont = FindSoundFont(search_);
        return soundFont ? OpenSynthDevice(mixer_, *soundFont) : nullptr;
    }
    if (deviceNo < 0 || deviceNo >= DeviceCount()) return nullptr;
    QuietStderr quiet;
    auto port = NewRtMidiOut(FoundPorts().lister->getCurrentApi());
    if (!port) return nullptr;
    try {
        port->openPort(static_cast<unsigned>(deviceNo), kClientName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    return std::make_unique<PortDevice>(std::move(port));
}

}  // namespace earloop
