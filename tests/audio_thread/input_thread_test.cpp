// The wave input as the sound card drives it: frames captured on a thread of
// their own, without allocating and without waiting for the GUI thread,
// which converts them into the program's buffers meanwhile. Built twice: in
// the ordinary sanitized build and alone under ThreadSanitizer.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <thread>
#include <vector>

#include "audio_thread/allocation_counter.h"
#include "platform/audio/input_pipeline.h"

namespace earloop {
namespace {

using testing::AllocationCount;

// Frame `i` of a stereo ramp that comes through a conversion at equal rates
// unchanged: every sample a whole 16-bit value, the channels apart.
std::int16_t RampLeft(std::uint64_t i) { return static_cast<std::int16_t>(i * 7 % 65536 - 32768); }
std::int16_t RampRight(std::uint64_t i) { return static_cast<std::int16_t>(i * 13 % 65536 - 32768); }
void FillRamp(std::vector<float>& frames, std::uint64_t first, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        frames[2 * k] = RampLeft(first + k) / 32768.0f;
        frames[2 * k + 1] = RampRight(first + k) / 32768.0f;
    }
}

TEST(CaptureRing, CapturingAllocatesNothingAndNeverWaitsForTheReaderOrOverwritesWhatItReads) {
    CaptureRing ring(2);
    std::vector<float> frames(2 * 700);
    FillRamp(frames, 0, 300);
    ring.Capture(frames.data(), 300);
    // The GUI thread is in the middle of reading the oldest block.
    const std::span<const float> reading = ring.Peek();
    ASSERT_EQ(reading.size(), 2u * 300);
    const std::vector<float> expected(reading.begin(), reading.end());

    FillRamp(frames, 300, 700);
    std::atomic<bool> done{false};
    std::size_t allocations = 0;
    std::thread capturer([&] {
        AllocationCount count;
        // Far more than the ring holds: once it is full each period is lost.
        for (int period = 0; period < 400; ++period) ring.Capture(frames.data(), 700);
        allocations = count.Seen();
        done.store(true, std::memory_order_release);
    });
    // A capture that waited for the reader would never end.
    while (!done.load(std::memory_order_acquire)) {
        ASSERT_TRUE(std::equal(reading.begin(), reading.end(), expected.begin())) << "the block being read changed";
        std::this_thread::yield();
    }
    capturer.join();
    EXPECT_EQ(allocations, 0u);

    // 128 blocks: the 300 frames, 63 periods of a 512- and a 188-frame block,
    // and the first block of period 64; its rest and the 336 periods after
    // it are lost, each counted once.
    EXPECT_EQ(ring.Overruns(), 337u);
    std::size_t held = 0;
    for (std::span<const float> block = ring.Peek(); !block.empty(); block = ring.Peek()) {
        held += block.size() / 2;
        ring.Consume(block.size() / 2);
    }
    EXPECT_EQ(held, 300u + 63 * 700 + 512);
}

// The program's way with input buffers: each one taken is copied out and
// queued again.
struct Requeuer : DeviceEvents {
    explicit Requeuer(const std::vector<std::size_t>& sizes) {
        for (std::size_t tag = 0; tag < sizes.size(); ++tag) buffers[static_cast<int>(tag)].resize(sizes[tag]);
    }
    void QueueAll() {
        for (auto& [tag, memory] : buffers) pipeline->AddBuffer(memory.data(), memory.size(), tag);
    }
    void OnWaveOutDone(int) override {}
    void OnWaveInOpen() override {}
    void OnWaveInData(int tag, std::size_t bytes) override {
        std::vector<std::uint8_t>& memory = buffers[tag];
        received.insert(received.end(), memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(bytes));
        pipeline->AddBuffer(memory.data(), memory.size(), tag);
    }

    InputPipeline* pipeline = nullptr;
    std::map<int, std::vector<std::uint8_t>> buffers;
    std::vector<std::uint8_t> received;
};

TEST(InputPipelineOnItsOwnThread, CapturedFramesReachTheBuffersWholeAndInOrderWhileTheGuiThreadPumps) {
    // Buffers of odd sizes, so that their ends fall anywhere in the ring's blocks.
    Requeuer program({1000, 4096, 2052});
    InputNotices notices;
    // At the input rate the conversion is a copy: every sample can be checked.
    auto pipeline = InputPipeline::Create(kInputRate, 2, program, notices);
    ASSERT_NE(pipeline, nullptr);
    program.pipeline = pipeline.get();
    program.QueueAll();

    constexpr std::uint64_t kFrames = 150000;
    constexpr std::uint64_t kAhead = CaptureRing::kFramesPerBlock * CaptureRing::kBlocks / 2;
    std::atomic<std::uint64_t> taken{0};
    std::atomic<bool> done{false};
    std::size_t allocations = 0;
    std::thread card([&] {
        std::vector<float> period(2 * 1031);
        AllocationCount count;
        std::uint64_t sent = 0;
        for (std::size_t frames = 64; sent < kFrames; frames = frames * 7 % 1031 + 1) {
            // Keeps within the ring, as a card does while the GUI thread keeps up.
            while (sent - taken.load(std::memory_order_acquire) > kAhead) std::this_thread::yield();
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(frames, kFrames - sent));
            FillRamp(period, sent, n);
            pipeline->Ring().Capture(period.data(), n);
            sent += n;
        }
        allocations = count.Seen();
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) {
        pipeline->Pump();
        notices.Deliver();
        taken.store(program.received.size() / 4, std::memory_order_release);
        std::this_thread::yield();
    }
    card.join();
    do pipeline->Pump();
    while (notices.Deliver() > 0);
    pipeline->Reset();
    notices.Deliver();

    EXPECT_EQ(allocations, 0u) << "allocations on the capturing thread";
    EXPECT_EQ(pipeline->Ring().Overruns(), 0u);
    ASSERT_EQ(program.received.size(), kFrames * 4);
    for (std::uint64_t i = 0; i < kFrames; ++i) {
        const std::uint8_t* frame = program.received.data() + i * 4;
        const auto left = static_cast<std::int16_t>(frame[0] | frame[1] << 8);
        const auto right = static_cast<std::int16_t>(frame[2] | frame[3] << 8);
        ASSERT_EQ(left, RampLeft(i)) << "frame " << i;
        ASSERT_EQ(right, RampRight(i)) << "frame " << i;
    }
}

}  // namespace
}  // namespace earloop
