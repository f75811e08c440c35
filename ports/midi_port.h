#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ports/audio_ports.h"

namespace earloop {

// The built-in synthesizer; numbered devices are external ports.
inline constexpr int kMidiMapper = -1;

class MidiOutDevice {
public:
    virtual ~MidiOutDevice() = default;
    // A channel message packed as status | data1 << 8 | data2 << 16.
    virtual void ShortMessage(std::uint32_t packed) = 0;
    // All notes off on every channel.
    virtual void Reset() = 0;
    virtual PackedVolume Volume() = 0;
    virtual void SetVolume(PackedVolume volume) = 0;
};

class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    virtual int DeviceCount() = 0;
    // Product name of a numbered device, at most 31 characters; empty when there is none.
    virtual std::string ProductName(int deviceNo) = 0;
    // nullptr when the device cannot be opened.
    virtual std::unique_ptr<MidiOutDevice> Open(int deviceNo) = 0;
};

}  // namespace earloop
