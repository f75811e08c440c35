#pragma once
// Sound and MIDI ports for a machine where the program has no device: every
// open answers "no device", and device 0's volume is only remembered. They
// stand in until the real adapters are wired.

#include "platform/ports/audio_ports.h"
#include "platform/ports/midi_port.h"

namespace earloop {

class NoWaveOutput : public WaveOutput {
public:
    std::unique_ptr<WaveOutDevice> Open(const WaveFormatInfo&, DeviceEvents*) override { return nullptr; }
    PackedVolume DeviceZeroVolume() override { return volume_; }
    void SetDeviceZeroVolume(PackedVolume volume) override { volume_ = volume; }

private:
    PackedVolume volume_ = 0xFFFFFFFF;
};

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
