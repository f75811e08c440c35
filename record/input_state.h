#pragma once
// The sound input's state: the format it records in, its buffers and which
// of its modes runs. The GUI thread owns all of it; the input device only
// fills the buffers it was handed.

#include <array>
#include <cstdint>

#include "ports/wave_format_info.h"

namespace earloop {

// PCM, 11025 Hz, 2 channels, 16 bits: the only format the input records in.
inline constexpr WaveFormatInfo kInputFormat{1, 2, 11025, 44100, 4, 16};

// Each input buffer holds up to this many bytes; the recorder queues 4096.
inline constexpr std::size_t kInputBlockBytes = 10000;
inline constexpr std::size_t kRecordBufferBytes = 4096;
inline constexpr int kInputBufferCount = 2;

struct InputBuffers {
    std::array<std::array<std::uint8_t, kInputBlockBytes>, kInputBufferCount> blocks{};
    // The last block that arrived, kept for the displays.
    std::array<std::uint8_t, kInputBlockBytes> inputBlock{};
    // Whether each block is with the device now; a notice for a block that
    // is not (given back by a reset) is stale and dropped.
    std::array<bool, kInputBufferCount> queued{};
    // The open device's buffers are set up; cleared when it closes, so a
    // late notice cannot queue its block again.
    bool prepared = false;
};

struct InputState {
    bool liveInputOn = false;
    bool liveInputPaused = false;  // device closed, last picture kept
    bool recording = false;        // capturing into the capture file
    bool timerDisplay = false;     // the recorder's timer rewrites the elapsed time
    std::uint64_t recordStartMs = 0;
    std::uint64_t recordEndMs = 0;
    bool noTake = false;           // the recorder ended without a finished take
};

}  // namespace earloop
