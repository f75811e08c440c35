// The mixer as the sound card drives it: Render on a thread of its own while
// the GUI thread writes, resets, changes the volume and reopens voices and
// plays the built-in synthesizer; the ring between the two; and rendering,
// the synthesizer's included, that allocates nothing. Built twice:
// in the ordinary sanitized build and alone under ThreadSanitizer.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "audio_thread/allocation_counter.h"
#include "platform/audio/mixer.h"
#include "platform/audio/spsc_ring.h"
#include "platform/midi/midi_output.h"

namespace earloop {
namespace {

using testing::AllocationCount;

// The set-up's SoundFont by its own name, not the machine's default.
const SoundFontSearch kTimGm6mb{"/usr/share/sounds/sf2/TimGM6mb.sf2", {}};

// What the program sends the synthesizer: notes on and off across the
// channels, programs, the wheel's range by RPN and bends, all notes off.
void PlaySynth(MidiOutDevice& synth, std::mt19937& random) {
    const auto channel = static_cast<std::uint32_t>(random() % 16);
    const auto note = static_cast<std::uint32_t>(36 + random() % 48);
    switch (random() % 8) {
    case 0: synth.ShortMessage(0xC0 | channel | static_cast<std::uint32_t>(random() % 128) << 8); break;
    case 1:
        for (std::uint32_t cc : {0x0065u, 0x0064u, 0x0206u, 0x7F65u, 0x7F64u}) synth.ShortMessage(0xB0 | channel | cc << 8);
        break;
    case 2: synth.ShortMessage(0xE0 | channel | (static_cast<std::uint32_t>(random()) & 0x7F7F) << 8); break;
    case 3: synth.Reset(); break;
    case 4: synth.SetVolume(static_cast<PackedVolume>(random())); break;
    case 5: synth.ShortMessage(0x80 | channel | note << 8 | 64 << 16); break;
    default: synth.ShortMessage(0x90 | channel | note << 8 | (1 + random() % 127) << 16); break;
    }
}

TEST(SpscRing, FillsToItsSizeParksOnlyWhenReadUpAndWakesOnce) {
    SpscRing<int, 4> ring;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ring.TryPush(i));
    EXPECT_FALSE(ring.TryPush(4)) << "full";
    EXPECT_EQ(ring.Available(), 4u);
    EXPECT_FALSE(ring.TryPark(3)) << "an item the consumer has not seen";
    ring.PopUntil(3);
    EXPECT_TRUE(ring.TryPush(4));
    EXPECT_EQ(ring.At(4), 4) << "in the slot of item 0";
    EXPECT_TRUE(ring.TryPark(5));
    EXPECT_EQ(ring.Available(), 5u) << "the mark is not an item";
    int wakes = 0;
    EXPECT_TRUE(ring.TryPush(5, [&] { ++wakes; }));
    EXPECT_TRUE(ring.TryPush(6, [&] { ++wakes; }));
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(ring.Available(), 7u);
    EXPECT_EQ(ring.At(6), 6);
}

// Items cross the wrap point many times between two threads, in order; the
// consumer parks whenever it has read everything, and the producer's wake
// step writes what the consumer reads next without any other ordering.
TEST(SpscRing, ItemsArriveInOrderAcrossThreadsAndParkingHandsOver) {
    SpscRing<std::uint64_t, 8> ring;
    constexpr std::uint64_t kItems = 20000;
    std::uint64_t handedOver = 0, wakes = 0;  // written while parked, read after the next item
    std::thread consumer([&] {
        std::uint64_t next = 0, sawWakes = 0;
        while (next < kItems) {
            const std::uint64_t available = ring.Available();
            if (available == next) {
                if (ring.TryPark(available)) {
                    while (ring.Available() == next) std::this_thread::yield();
                    ++sawWakes;
                    EXPECT_EQ(handedOver, sawWakes);
                }
                continue;
            }
            for (; next < available; ++next) ASSERT_EQ(ring.At(next), next);
            ring.PopUntil(available);
        }
    });
    for (std::uint64_t i = 0; i < kItems;) {
        if (ring.TryPush(i, [&] { handedOver = ++wakes; })) {
            ++i;
        } else {
            std::this_thread::yield();
        }
    }
    consumer.join();
    EXPECT_EQ(handedOver, wakes);
}

// 16-bit stereo or mono frames at a steady level.
std::vector<std::uint8_t> Level(std::size_t frames, unsigned channels, std::uint8_t level) {
    return std::vector<std::uint8_t>(frames * channels * 2, level);
}

// Renders periods of changing lengths, back to back, until stopped, counting
// what it allocates.
class Card {
public:
    explicit Card(Mixer& mixer)
        : thread_([this, &mixer] {
              std::vector<float> out(2 * 1031);
              AllocationCount count;
              for (std::size_t frames = 64; !stop_.load(std::memory_order_acquire); frames = frames * 7 % 1031 + 1) {
                  mixer.Render(out.data(), frames);
                  periods_.fetch_add(1, std::memory_order_relaxed);
              }
              allocations_ = count.Seen();
          }) {}
    // The number of allocations made while rendering.
    std::size_t Stop() {
        stop_.store(true, std::memory_order_release);
        thread_.join();
        return allocations_;
    }
    std::uint64_t Periods() const { return periods_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> periods_{0};
    std::size_t allocations_ = 0;
    std::thread thread_;  // last: starts once the rest is there
};

// One device as the player uses it: every buffer in memory of its own, freed
// as soon as its notice arrives or a reset gives it back, so that a read of a
// buffer given up is a use after free (AddressSanitizer) or a race
// (ThreadSanitizer). A streaming device writes the next buffer from each
// notice, as the player's stretch mode does.
struct Player : DeviceEvents {
    Player(Mixer& mixer, std::uint32_t rate, unsigned deviceChannels, bool notifyingDevice, bool streamingMode)
        : channels(deviceChannels), notifying(notifyingDevice), streaming(streamingMode) {
        device = mixer.Open(Pcm16Format(static_cast<std::uint16_t>(channels), rate), notifying ? this : nullptr);
    }
    void Write(std::size_t frames, std::uint32_t loops) {
        const int tag = nextTag++;
        auto& memory = live[tag] = Level(frames, channels, static_cast<std::uint8_t>(0x10 + tag % 0x20));
        written.push_back(tag);
        queuedBytes += memory.size() * (loops == 0 ? 1 : loops);
        loopsForever = loopsForever || loops == kLoopUntilReset;
        device->Write(memory.data(), memory.size(), loops, tag);
    }
    void Reset() {
        device->Reset();
        live.clear();
        queuedBytes = lastPlayed = 0;
        loopsForever = false;
    }
    // Played bytes only grow, and never pass what was queued.
    void CheckPlayed() {
        const std::uint64_t played = device->PlayedBytes();
        EXPECT_GE(played, lastPlayed);
        if (!loopsForever) {
            EXPECT_LE(played, queuedBytes);
        }
        lastPlayed = played;
        everPlayed = everPlayed || played > 0;
    }
    void OnWaveOutDone(int tag) override {
        done.push_back(tag);
        live.erase(tag);
        if (streaming && !closed) Write(300 + tag % 700, 1);
    }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}

    unsigned channels;
    bool notifying, streaming;
    bool closed = false, loopsForever = false, everPlayed = false;
    std::unique_ptr<WaveOutDevice> device;
    std::map<int, std::vector<std::uint8_t>> live;
    int nextTag = 0;
    std::vector<int> written, done;
    std::uint64_t queuedBytes = 0, lastPlayed = 0;
};

TEST(MixerOnItsOwnThread, EveryBufferComesBackOnceInOrderWhileTheGuiThreadWritesResetsAndReopens) {
    Mixer mixer(48000, 1024);
    std::mt19937 random(10);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::uint32_t rates[] = {8259, 11025, 22050, 48000};
    std::vector<std::unique_ptr<Player>> players, closed;
    auto open = [&](std::size_t i) {
        players[i] = std::make_unique<Player>(mixer, rates[pick(4)], 1 + pick(2), i != 3, i == 0);
        ASSERT_NE(players[i]->device, nullptr);
        if (players[i]->streaming) players[i]->Write(500, 1);
    };
    players.resize(4);
    for (std::size_t i = 0; i < players.size(); ++i) open(i);

    SystemMidiOutput midi(mixer, kTimGm6mb);
    auto synth = midi.Open(kMidiMapper);
    ASSERT_NE(synth, nullptr) << "TimGM6mb.sf2 is missing: scripts/install-deps.sh installs it";

    Card card(mixer);
    for (int step = 0; step < 1000; ++step) {
        const std::size_t i = static_cast<std::size_t>(pick(4));
        Player& p = *players[i];
        PlaySynth(*synth, random);
        if (pick(100) == 0) {
            // Closing detaches it while the card renders; its memory goes at once.
            synth.reset();
            synth = midi.Open(kMidiMapper);
            ASSERT_NE(synth, nullptr);
        }
        switch (pick(16)) {
        case 0:
            p.Reset();
            if (p.streaming) p.Write(500, 1);
            break;
        case 1: {
            // Closing gives everything back; the notices still reach the player.
            p.closed = true;
            p.device.reset();
            p.live.clear();
            closed.push_back(std::move(players[i]));
            open(i);
            break;
        }
        case 2:
            mixer.SetDeviceZeroVolume(static_cast<PackedVolume>(random()));
            break;
        case 3:
            if (p.live.size() < 4) p.Write(static_cast<std::size_t>(pick(2000)), pick(8) == 0 ? kLoopUntilReset : 1 + pick(3));
            break;
        default:
            if (p.live.size() < 3) p.Write(static_cast<std::size_t>(1 + pick(1500)), 1);
            break;
        }
        players[i]->CheckPlayed();
        mixer.DeliverEvents();
        std::this_thread::yield();
    }
    // The card catches up with what is queued, so that notices of heard
    // buffers come too; then everything closes while it still renders.
    for (const std::uint64_t target = card.Periods() + 300; card.Periods() < target;) std::this_thread::yield();
    mixer.DeliverEvents();
    for (auto& p : players) {
        p->CheckPlayed();
        p->closed = true;
        p->device.reset();
        closed.push_back(std::move(p));
    }
    synth.reset();
    mixer.DeliverEvents();
    EXPECT_EQ(card.Stop(), 0u) << "allocations on the audio thread";
    EXPECT_EQ(mixer.SkippedPeriods(), 0u);

    bool played = false;
    for (const auto& p : closed) {
        // Every buffer written comes back once, in order; the plain device reports nothing.
        EXPECT_EQ(p->done, p->notifying ? p->written : std::vector<int>{});
        played = played || p->everPlayed;
    }
    EXPECT_TRUE(played) << "the card played";

    std::vector<float> out(2 * 512, 1.0f);
    mixer.Render(out.data(), 512);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return s == 0; })) << "every voice closed";
}

TEST(MixerRender, AllocatesNothing) {
    {
        // The counter sees what it must: plain allocations and a C library realloc.
        AllocationCount count;
        static void* volatile sink;
        sink = std::malloc(64);
        sink = std::realloc(sink, 100000);
        std::free(sink);
        auto grown = std::make_unique<std::vector<int>>(100);
        sink = grown.get();
        EXPECT_GE(count.Seen(), 3u);
    }

    Mixer mixer(48000, 700);
    struct Voice { std::uint32_t rate; unsigned channels; bool notify; };
    const Voice voices[] = {{8259, 1, true},  {11025, 2, true}, {22050, 2, false}, {48000, 1, true},
                            {44100, 2, true}, {4000, 1, false}, {192000, 2, true}, {16000, 1, true}};
    struct Ignore : DeviceEvents {
        void OnWaveOutDone(int) override {}
        void OnWaveInOpen() override {}
        void OnWaveInData(int, std::size_t) override {}
    } events;
    std::vector<std::unique_ptr<WaveOutDevice>> devices;
    std::vector<std::vector<std::uint8_t>> memory;
    for (const Voice& v : voices) {
        devices.push_back(mixer.Open(Pcm16Format(static_cast<std::uint16_t>(v.channels), v.rate), v.notify ? &events : nullptr));
        ASSERT_NE(devices.back(), nullptr) << v.rate;
        memory.push_back(Level(v.rate / 10, v.channels, 0x20));
    }
    auto writeAll = [&](std::uint32_t loops) {
        for (std::size_t i = 0; i < devices.size(); ++i) {
            devices[i]->Write(memory[i].data(), memory[i].size() / 3, 1, 1);
            devices[i]->Write(memory[i].data(), 0, 1, 2);
            devices[i]->Write(memory[i].data(), memory[i].size(), loops, 3);
        }
    };
    std::vector<float> out(2 * 4096);
    std::size_t seen = 0;
    auto render = [&](std::size_t frames) {
        AllocationCount count;
        mixer.Render(out.data(), frames);
        seen += count.Seen();
    };
    writeAll(3);
    for (std::size_t frames : {1u, 255u, 256u, 257u, 1024u, 4096u, 4096u, 4096u, 4096u, 4096u}) render(frames);
    mixer.DeliverEvents();
    // Idle voices start again, a reset one restarts mid-buffer, one reopens.
    writeAll(kLoopUntilReset);
    for (int i = 0; i < 20; ++i) render(512);
    devices[1]->Reset();
    devices[4].reset();
    devices[4] = mixer.Open(Pcm16Format(1, 22050), &events);
    writeAll(2);
    for (int i = 0; i < 40; ++i) render(333);
    mixer.DeliverEvents();
    EXPECT_EQ(seen, 0u);

    // The synthesizer beside them, from its first period: notes starting and
    // ending on every channel, programs, RPNs, bends, resets, the gain.
    SystemMidiOutput midi(mixer, kTimGm6mb);
    auto synth = midi.Open(kMidiMapper);
    ASSERT_NE(synth, nullptr) << "TimGM6mb.sf2 is missing: scripts/install-deps.sh installs it";
    std::mt19937 random(3);
    for (int period = 0; period < 400; ++period) {
        for (int m = 0; m < 8; ++m) PlaySynth(*synth, random);
        render(1 + random() % 1024);
    }
    // More notes at once than the synthesizer has voices.
    for (std::uint32_t note = 20; note < 110; ++note) synth->ShortMessage(0x90 | note << 8 | 100 << 16);
    for (int i = 0; i < 20; ++i) render(512);
    EXPECT_EQ(seen, 0u) << "the synthesizer allocated";
    EXPECT_EQ(mixer.SkippedPeriods(), 0u);
}

}  // namespace
}  // namespace earloop
