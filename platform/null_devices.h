#pragma once
// Wave input that answers "no device": the program's wave input until its
// adapter is built.

#include "ports/audio_ports.h"

namespace earloop {

class NoWaveInput : public WaveInput {
public:
    std::unique_ptr<WaveInDevice> Open(const WaveFormatInfo&, DeviceEvents&) override { return nullptr; }
};

}  // namespace earloop
