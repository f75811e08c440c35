#pragma once
// Sound and MIDI ports for a machine where the program has no device. The
// wave output opens a silent device that takes every buffer and plays
// nothing, so that a wave can be loaded; input and MIDI answer "no device";
// device 0's volume is only remembered. They stand in until the real
// adapters are wired.

#include "platform/ports/audio_ports.h"
#include "platform/ports/midi_port.h"

namespace earloop {

class SilentWaveOutDevice : public WaveOutDevice {
public:
    void Write(const std::uint8_t*, std::size_t, std::uint32_t, int) override {}
    void Reset() override {}
    std::uint64_t PlayedBytes() override { return 0; }
    void SetVolume(PackedVolume) override {}
};

class SilentWaveOutput : public WaveOutput {
public:
    std::unique_ptr<WaveOutDevice> Open(const WaveFormatInfo&, DeviceEvents*) override {
        return std::make_unique<SilentWaveOutDevice>();
    }
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
