#pragma once
// The wave input's work between whatever captures sound and the program's
// buffers: the same for the sound card, the paced file input and the tests.
//
// Threads. The capturing thread (PortAudio's callback; the GUI thread itself
// for the file input) hands its frames to the pipeline's CaptureRing: no
// lock, no allocation, no wait. Everything else runs on the GUI thread: the
// pipeline's Pump takes the frames in order, converts them with libsoxr to
// 11025 Hz, makes them 16-bit stereo (a mono input on both sides), fills the
// buffers the program added, in the order added, and posts each full
// buffer's notice to InputNotices, which delivers them when told.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "platform/audio/resampler.h"
#include "platform/audio/spsc_ring.h"
#include "ports/audio_ports.h"

namespace earloop {

// The one format the wave input delivers, the program's working format:
// 16-bit stereo at 11025 Hz.
inline constexpr std::uint32_t kInputRate = 11025;
bool IsInputFormat(const WaveFormatInfo& format);

// The input's notices on their way to the GUI thread, in the order posted.
// GUI thread only. It outlives the devices, so that what a device posts as
// it closes still arrives.
class InputNotices {
public:
    void PostOpen(DeviceEvents& events);
    void PostData(DeviceEvents& events, int bufferTag, std::size_t bytesRecorded);
    // Hands every notice to its events, those posted by the handlers meanwhile
    // included; returns how many.
    std::size_t Deliver();

private:
    struct Notice {
        DeviceEvents* events;
        bool open;  // else a buffer's
        int bufferTag;
        std::size_t bytesRecorded;
    };
    std::deque<Notice> queue_;
};

// Frames from the capturing thread to the GUI thread, in order: a ring of
// preallocated blocks (see spsc_ring.h for the handover). The capturing side
// never waits for the reading side: what finds the ring full is lost, and
// counted.
class CaptureRing {
public:
    // 64 K frames, about 1.4 s at 48000 Hz between two pumps (which come
    // every 10 ms) before input is lost.
    static constexpr std::size_t kFramesPerBlock = 512;
    static constexpr std::size_t kBlocks = 128;

    explicit CaptureRing(unsigned channels);  // 1 or 2

    // --- the capturing thread: no lock, no allocation, no wait ---

    // `count` interleaved float frames.
    void Capture(const float* frames, std::size_t count);
    // The driver lost input before it reached Capture.
    void CountOverrun();

    // --- the GUI thread ---

    // The oldest frames not yet read (interleaved samples, whole frames): the
    // rest of one block; empty when nothing waits. They stay as they are
    // until consumed, however much is captured meanwhile.
    std::span<const float> Peek() const;
    // Done with the first `frames` of Peek().
    void Consume(std::size_t frames);
    // Drops everything captured so far.
    void Clear();

    // Any thread: periods in which input was lost, the ring full or the
    // driver's word.
    std::uint64_t Overruns() const;

private:
    struct Block {
        std::size_t frames;
        float samples[kFramesPerBlock * 2];
    };

    const unsigned channels_;
    std::unique_ptr<SpscRing<Block, kBlocks>> ring_;  // the producer's and consumer's sides, as it says
    std::atomic<std::uint64_t> overruns_{0};           // the capturing thread's
    std::size_t readFrames_ = 0;                       // the GUI thread's: of the oldest block
};

// The GUI thread's side of one input device: what the capturing thread puts
// into its ring, converted into the buffers the program adds. libsoxr works
// in blocks, so what it holds back (about 55 ms from 48000 Hz) comes out
// with later input; a reset drops it.
class InputPipeline {
public:
    // `rate` and `channels` (1 or 2): what is captured. nullptr when libsoxr
    // refuses the rate.
    static std::unique_ptr<InputPipeline> Create(std::uint32_t rate, unsigned channels, DeviceEvents& events,
                                                 InputNotices& notices);
    InputPipeline(const InputPipeline&) = delete;
    InputPipeline& operator=(const InputPipeline&) = delete;

    // For the capturing thread.
    CaptureRing& Ring() { return ring_; }

    // Queues an empty buffer of `bytes` (whole 4-byte frames are filled).
    void AddBuffer(std::uint8_t* data, std::size_t bytes, int bufferTag);
    // Converts what was captured into the queued buffers and posts the
    // notice of each one filled. What finds no buffer waits in the ring.
    void Pump();
    // While nothing captures: pumps what was captured, drops the rest and
    // gives back every buffer, each notice with the bytes it holds.
    void Reset();

private:
    struct Buffer {
        std::uint8_t* data;
        std::size_t frames;  // whole frames it takes
        int tag;
        std::size_t filled = 0;  // frames
    };
    // Frames converted at once: the scratch arrays' length.
    static constexpr std::size_t kConvertFrames = 1024;

    InputPipeline(unsigned channels, std::unique_ptr<Resampler> resampler, DeviceEvents& events,
                  InputNotices& notices);
    // Appends `frames` converted frames from converted_ to the oldest buffer.
    void Place(std::size_t frames);
    void GiveBackOldest();

    const unsigned channels_;
    CaptureRing ring_;
    // The rest is the GUI thread's.
    std::unique_ptr<Resampler> resampler_;
    std::deque<Buffer> buffers_;
    std::vector<float> converted_;
    std::vector<std::int16_t> samples_;
    DeviceEvents& events_;
    InputNotices& notices_;
};

}  // namespace earloop
