#pragma once
// The program's wave input: PortAudio's default input device, or a WAV file
// played in its stead.
//
// The card: an input stream at the device's own rate, in two channels when
// it has them (else one), whose callback hands each period to an
// InputPipeline; that converts it to the program's format (16-bit stereo at
// 11025 Hz, the only format opened: any other gets nullptr) and cuts it into
// the buffers the program adds. Without an input device Open returns nullptr.
//
// The file: when the environment variable EARLOOP_INPUT_WAVE names a 16-bit
// PCM WAV file (any rate, mono or stereo), every device opened plays that
// file instead of the card, from its start and looped, paced by the steady
// clock as a card would deliver it, through the same conversion, buffer
// cutting and notices. So a machine without a microphone, and the tests of
// the whole program, record a known sound. A file that cannot be read is
// reported on standard error, and then the input opens nothing.
//
// Threads: everything but the card's callback runs on the GUI thread. Open
// posts OnWaveInOpen; Pump, every few milliseconds, converts what arrived,
// fills the buffers and delivers the notices in order, those of the buffers a
// Reset gives back included (after it has returned, also when the device is
// closed by then). The input outlives the devices it opens.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/input_pipeline.h"
#include "ports/audio_ports.h"

namespace earloop {

class SystemWaveInput : public WaveInput {
public:
    // A steady time from any start.
    using Clock = std::function<std::chrono::nanoseconds()>;

    // The file EARLOOP_INPUT_WAVE names, paced by the steady clock, or else
    // the card.
    static std::unique_ptr<SystemWaveInput> FromEnvironment();
    // PortAudio's default input.
    SystemWaveInput();
    // The WAV file at `path`, paced by `clock`.
    SystemWaveInput(const std::string& path, Clock clock);
    ~SystemWaveInput() override;
    SystemWaveInput(const SystemWaveInput&) = delete;
    SystemWaveInput& operator=(const SystemWaveInput&) = delete;

    std::unique_ptr<WaveInDevice> Open(const WaveFormatInfo& format, DeviceEvents& events) override;
    // GUI thread, every few milliseconds: the file's frames that are due,
    // the conversion of what arrived, and every notice posted.
    void Pump();

    struct Device;
    struct FileWave;

private:
    std::unique_ptr<WaveInDevice> OpenCard(DeviceEvents& events);
    std::unique_ptr<WaveInDevice> OpenFile(DeviceEvents& events);

    bool fromFile_ = false;
    std::unique_ptr<FileWave> file_;  // null with the card, or when the file was unreadable
    Clock clock_;
    InputNotices notices_;
    std::vector<Device*> open_;
};

}  // namespace earloop
