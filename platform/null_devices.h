#pragma once
// Wave input and MIDI output that answer "no device": the program's wave input
// until its adapter is built, and a program without MIDI in the tests.

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
