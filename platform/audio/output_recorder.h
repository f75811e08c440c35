#pragma once
// A copy of what the sound card plays, kept in a WAV file (16-bit stereo at
// the card's rate) for tests and for users checking their set-up; the program
// makes one when EARLOOP_RECORD_OUTPUT names a file.
//
// Threads: whoever renders the mix (the PortAudio callback, or the GUI thread
// for the silent output) hands each period to Take, which copies it into a
// ring of preallocated blocks without lock, wait or allocation; the GUI
// thread's Write empties the ring into the file. Periods that find the ring
// full are written as silence of the same length, so the times stay right.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/spsc_ring.h"
#include "platform/audio/wav_writer.h"

namespace earloop {

class OutputRecorder {
public:
    // nullptr, with the reason in `why`, when the file cannot be made.
    static std::unique_ptr<OutputRecorder> Open(const std::string& path, std::uint32_t cardRate, std::string& why);
    // Writes what is left and completes the file.
    ~OutputRecorder();
    OutputRecorder(const OutputRecorder&) = delete;
    OutputRecorder& operator=(const OutputRecorder&) = delete;

    // The rendering thread: `frames` interleaved stereo frames just rendered.
    void Take(const float* stereo, std::size_t frames);
    // The GUI thread: appends what was taken, then the sizes so far, so that
    // the file stays whole should the program be killed.
    void Write();

private:
    static constexpr std::size_t kBlockFrames = 1024;
    // About 1.5 s at 44100 Hz between two Writes.
    static constexpr std::size_t kBlocks = 64;
    struct Block {
        std::size_t frames;
        float samples[kBlockFrames * 2];
    };

    OutputRecorder(const std::string& path, std::uint32_t cardRate);

    WavWriter wav_;
    std::unique_ptr<SpscRing<Block, kBlocks>> ring_;
    std::atomic<std::uint64_t> droppedFrames_{0};
    std::uint64_t silencedFrames_ = 0;  // of droppedFrames_, written so far
    bool reported_ = false;
};

}  // namespace earloop
