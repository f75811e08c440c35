#pragma once
// Wave output and wave input. Devices never call into the program: what they
// report reaches the GUI thread as a DeviceEvents call, queued in order, like
// any other message of the main window.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ports/wave_format_info.h"

namespace earloop {

// Device volumes pack the left channel in the low 16 bits and the right
// channel in the high 16 bits, 0 to 0xFFFF each.
using PackedVolume = std::uint32_t;

// The device volume for a slider's percentage (0 to 100), in both halves.
inline PackedVolume VolumeLevel(int percent) {
    const auto level = static_cast<PackedVolume>(percent * 65535 / 100);
    return level | level << 16;
}

class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;
    // A buffer written to a notifying output device has finished playing, or
    // was given back by Reset.
    virtual void OnWaveOutDone(int bufferTag) = 0;
    virtual void OnWaveInOpen() = 0;
    // An input buffer is full (or was given back by Reset with what it holds).
    virtual void OnWaveInData(int bufferTag, std::size_t bytesRecorded) = 0;
};

inline constexpr std::uint32_t kLoopUntilReset = 0xFFFFFFFF;

class WaveOutDevice {
public:
    virtual ~WaveOutDevice() = default;  // closing resets first
    // Queues `bytes` of `data` to play `loops` times after what is queued;
    // kLoopUntilReset repeats it until Reset. The data must stay valid and
    // unchanged until its done notice or a Reset.
    virtual void Write(const std::uint8_t* data, std::size_t bytes, std::uint32_t loops, int bufferTag) = 0;
    // Stops at once and gives back every queued buffer.
    virtual void Reset() = 0;
    // Bytes of the device's format that have reached the speaker since it was
    // opened or last reset.
    virtual std::uint64_t PlayedBytes() = 0;
    virtual void SetVolume(PackedVolume volume) = 0;
};

class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    // nullptr when no device can play `format`. With `events`, the device
    // reports each finished buffer; without, it reports nothing.
    virtual std::unique_ptr<WaveOutDevice> Open(const WaveFormatInfo& format, DeviceEvents* events) = 0;
    // The volume of output device 0, read at start-up and given back at exit.
    virtual PackedVolume DeviceZeroVolume() = 0;
    virtual void SetDeviceZeroVolume(PackedVolume volume) = 0;
    // False when no sound device could be opened: a silent stand-in plays,
    // so that positions and done notices still run, and nobody hears it.
    virtual bool Audible() = 0;
};

// Input buffers are filled in the order they were added; each full buffer is
// reported by OnWaveInData with its tag, in that order.
class WaveInDevice {
public:
    virtual ~WaveInDevice() = default;  // closing resets first
    // Hands an empty buffer of `bytes` (whole frames) to the device; it must
    // stay valid until it is reported.
    virtual void AddBuffer(std::uint8_t* data, std::size_t bytes, int bufferTag) = 0;
    virtual void Start() = 0;
    // Stops recording and gives back every buffer. Their notices, with what
    // each holds, are posted: they arrive after this call has returned, also
    // when the device is closed by then.
    virtual void Reset() = 0;
};

class WaveInput {
public:
    virtual ~WaveInput() = default;
    // nullptr when the default input cannot deliver `format`. A success
    // posts OnWaveInOpen; buffers are added and the device started after it.
    virtual std::unique_ptr<WaveInDevice> Open(const WaveFormatInfo& format, DeviceEvents& events) = 0;
};

}  // namespace earloop
