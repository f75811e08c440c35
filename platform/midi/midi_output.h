#pragma once
// The MIDI output of the program. Device -1 is FluidSynth, rendered inside
// the mixer as one more source, so that MIDI sounds on any machine and a
// capture of the mixer hears it; devices 0..n-1 are the system's MIDI output
// ports through RtMidi (the ALSA sequencer, or JACK where that runs).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/midi_port.h"

namespace earloop {

class Mixer;

// Where the built-in synthesizer's General MIDI SoundFont is looked for.
struct SoundFontSearch {
    std::string chosen;                // a user's own SoundFont (EARLOOP_SOUNDFONT); used when it exists
    std::vector<std::string> folders;  // searched in order for kSoundFontName
};

// The font the set-up installs (Debian's timgm6mb-soundfont), by its own
// name: default-GM.sf2 points at whichever GM font was installed last.
inline constexpr const char* kSoundFontName = "TimGM6mb.sf2";

// EARLOOP_SOUNDFONT and the folders Debian installs SoundFonts to.
SoundFontSearch SystemSoundFontSearch();
// The SoundFont's path, or nullopt when there is none.
std::optional<std::string> FindSoundFont(const SoundFontSearch& search);

// `name` cut to at most `bytes` bytes without splitting a UTF-8 character
// (a product name fills a 32-byte field with its terminator).
std::string CutToWholeCharacters(std::string_view name, std::size_t bytes);
inline constexpr std::size_t kProductNameBytes = 31;

// The bytes a short message with this status byte has on the wire (1 to 3),
// or 0 for what is no short message: a data byte (running status is not
// kept between calls), a system exclusive start or end, an undefined status.
std::size_t ShortMessageBytes(std::uint8_t status);

class SystemMidiOutput : public MidiOutput {
public:
    // `mixer` renders the built-in synthesizer and outlives every device.
    explicit SystemMidiOutput(Mixer& mixer, SoundFontSearch search = SystemSoundFontSearch());
    ~SystemMidiOutput() override;
    SystemMidiOutput(const SystemMidiOutput&) = delete;
    SystemMidiOutput& operator=(const SystemMidiOutput&) = delete;

    // The system's output ports; 0 without a MIDI system (no ALSA sequencer).
    int DeviceCount() override;
    std::string ProductName(int deviceNo) override;
    // -1: the synthesizer, nullptr without its SoundFont or when the mixer
    // has no room; 0..n-1: that port.
    std::unique_ptr<MidiOutDevice> Open(int deviceNo) override;

private:
    struct Ports;
    Ports& FoundPorts();
    Mixer& mixer_;
    SoundFontSearch search_;
    std::unique_ptr<Ports> ports_;
};

}  // namespace earloop
