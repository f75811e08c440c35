#pragma once
// Wave input and MIDI ports that answer "no device". They stand in until the
// real adapters are wired.

#include "ports/audio_ports.h"
#include "ports/midi_port.h"

namespace earloop {

class NoWaveInput : public WaveInput {
public:
    std::unique_ptr<WaveInDevice> Open(const WaveFormatInfo&, DeviceEvents&) override { return nullptr; }
};

class NoMidiOutput : public MidiOutput {
public:
    int DeviceCount() override { return 0; }
    std::string ProductName(int) override { return {}; }
    std::unique_ptr<MidiOutDevice> Open(int) override { return nullptr; }
};

}  // namespace earloop
