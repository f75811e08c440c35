#include "platform/audio/mixer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <thread>
#include <utility>

#include "platform/audio/pcm16.h"
#include "platform/audio/resampler.h"
#include "platform/audio/spsc_ring.h"

namespace earloop {

namespace {

constexpr std::size_t kMaxVoices = 8;
// Buffers a voice holds until they are done; the player queues two at most.
constexpr std::size_t kQueuedBuffers = 32;
// Done notices between two collections on the GUI thread.
constexpr std::size_t kNoticeSlots = 64;
// Sources beside the voices: the synthesizer, and one more opened before the
// first is closed.
constexpr std::size_t kMaxSources = 2;

// libsoxr's HQ recipe rather than MQ: at these rates it costs no more
// (bench/mixer_bench.cpp), and its 20-bit precision keeps the converter's own
// images and aliases below the 16-bit source's noise, so nothing is added to
// what the user is training the ear on.
constexpr Resampler::Quality kQuality = Resampler::Quality::High;

// A queue in a fixed ring of slots, for one thread.
template <typename T, std::size_t N>
class FixedQueue {
public:
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    const T& operator[](std::size_t i) const { return slots_[(head_ + i) % N]; }
    void PopFront() {
        head_ = (head_ + 1) % N;
        --size_;
    }
    void Clear() { head_ = size_ = 0; }
    // When full, the oldest item makes room.
    void Push(const T& item) {
        if (size_ == N) PopFront();
        slots_[(head_ + size_++) % N] = item;
    }

private:
    std::array<T, N> slots_{};
    std::size_t head_ = 0, size_ = 0;
};

// A buffer as the GUI thread queues it; the audio thread only reads it.
struct QueuedBuffer {
    const std::uint8_t* data = nullptr;
    std::size_t frames = 0;
    std::uint32_t loops = 1;  // passes; kLoopUntilReset: forever
};

// Real frames fed without a gap from resampler input frame `timeline` of the
// conversion whose output frame 0 is the voice's card frame `segmentStart`.
struct Run {
    std::uint64_t segmentStart = 0, timeline = 0, real = 0;
};

// Buffer number `buffer` (its count in the voice's ring) of voice `voice` is done.
struct Notice {
    std::size_t voice = 0;
    std::uint64_t buffer = 0;
};

// One voice. Each section says which thread writes its fields and who else
// reads them.
struct Voice {
    // --- Shared ---
    // The format: written by the GUI thread while the voice is closed, when
    // the audio thread has forgotten it (see Mixer::Shared::AwaitRender); read
    // by the audio thread only while it holds buffers pushed after that. The
    // converter is used by the audio thread while the voice plays, and by the
    // GUI thread (restarted, freed) only after a reset or while the ring is
    // parked (the audio thread parks it when the voice falls idle).
    std::unique_ptr<Resampler> resampler;
    unsigned channels = 1;
    std::uint32_t rate = 0;
    bool notify = false;  // the device has events: its done notices go back
    // The GUI thread pushes; the audio thread pops each buffer once it has
    // been heard, or given back by a reset.
    SpscRing<QueuedBuffer, kQueuedBuffers> buffers;
    // The GUI thread writes, the audio thread reads as each period starts:
    // the buffers counted below it are given back.
    std::atomic<std::uint64_t> resetAt{0};
    // The audio thread writes as each period ends, the GUI thread reads:
    // frames of the voice's data heard since the reset at `playedSince`.
    std::atomic<std::uint64_t> playedFrames{0};
    std::atomic<std::uint64_t> playedSince{0};

    // --- GUI thread only ---
    bool open = false;
    DeviceEvents* events = nullptr;
    std::uint64_t givenBackBelow = 0;  // the last value stored in resetAt
    // The tags of the buffers pushed whose notice is not yet collected, in
    // order (notifying voices only).
    std::deque<int> unreported;

    // --- Audio thread only ---
    std::uint64_t resetApplied = 0;
    // Buffers taken from the ring: those from buffers.Popped() up to here are
    // the voice's queue. The first `fed` of them are fed whole and wait to be
    // heard; the next one is read from frame `readFrame`, in pass `passes`.
    std::uint64_t taken = 0;
    std::size_t fed = 0, readFrame = 0;
    std::uint32_t passes = 0;
    // realFed after a fed buffer's last pass, by its count modulo the ring.
    std::array<std::uint64_t, kQueuedBuffers> realEnd{};
    std::uint64_t realFed = 0;     // frames of the voice's own data fed since the reset
    std::uint64_t timeline = 0;    // resampler input frames, data and padding, since its restart
    std::uint64_t produced = 0;    // resampler output frames since its restart
    std::uint64_t cardFrames = 0;  // card frames rendered, heard or not
    std::uint64_t segmentStart = 0;  // the card frame of the resampler's first output frame
    // The queue ran dry: zeros go in until output frame tailEnd is out.
    bool draining = false;
    std::uint64_t tailEnd = 0;
    // Maps what has been heard back to the voice's data; the first run is the
    // one playing, the ones after it start later. Each starts at a buffer
    // still queued, so the ring's size is room enough.
    FixedQueue<Run, kQueuedBuffers + 1> runs;

    bool Dry() const { return buffers.Popped() + fed == taken; }
    bool Active() const { return !Dry() || draining; }
    std::size_t FrameBytes() const { return channels * 2u; }
};

}  // namespace

struct Mixer::Shared {
    Shared(std::uint32_t rate, std::uint32_t latency, bool isAudible)
        : cardRate(rate), latencyFrames(latency), audible(isAudible) {}

    const std::uint32_t cardRate, latencyFrames;
    bool audible;  // GUI thread only
    std::array<Voice, kMaxVoices> voices;

    // --- Shared ---
    std::atomic<PackedVolume> volume{0xFFFFFFFF};  // the GUI thread writes, the audio thread reads
    SpscRing<Notice, kNoticeSlots> notices;        // the audio thread pushes, the GUI thread pops
    // The GUI thread attaches (release: the source is whole) and detaches
    // (then waits in AwaitRender); the audio thread reads them as each period starts.
    std::array<std::atomic<MixerSource*>, kMaxSources> sources{};
    // The audio thread adds one as each Render starts and one as it ends (odd:
    // rendering); the GUI thread reads it in AwaitRender.
    std::atomic<std::uint64_t> renderPasses{0};
    // Counted by the card's driver and by Render; read by anyone.
    std::atomic<std::uint64_t> underruns{0}, skippedPeriods{0};

    // --- GUI thread only ---
    std::vector<std::pair<DeviceEvents*, int>> pending;  // notices collected, not yet delivered
    // Converters created by this mixer: each takes the next stagger slot, so
    // that a mixer renders the same whatever other mixers the process made.
    std::uint32_t convertersCreated = 0;

    // --- Audio thread only ---
    std::array<float, kMaxInputFrames * 2> input{};
    std::array<float, kBlockFrames * 2> voiceOut{};

    // ---------------------------------------------------------------- GUI thread

    // Returns once any Render that may have begun before this call has ended.
    // Every Render after it sees all the GUI thread wrote before the call, so
    // what the GUI thread gave up before it (buffers, a converter) is never
    // read again. Waits for one period's work at most, and not at all while
    // no Render runs. The read is a read-modify-write, ordered against the
    // one that starts a Render: either that Render reads this call's value,
    // and so sees the GUI thread's earlier writes, or this call sees it
    // running and waits for its end.
    void AwaitRender() {
        const std::uint64_t passes = renderPasses.fetch_add(0, std::memory_order_acq_rel);
        if (passes % 2 == 0) return;
        while (renderPasses.load(std::memory_order_acquire) == passes) std::this_thread::yield();
    }

    // Moves the notices the audio thread has sent to `pending`, but those of
    // buffers a reset has given back already.
    void CollectNotices() {
        const std::uint64_t end = notices.Available();
        for (std::uint64_t n = notices.Popped(); n < end; ++n) {
            Voice& v = voices[notices.At(n).voice];
            if (notices.At(n).buffer < v.givenBackBelow) continue;
            pending.push_back({v.events, v.unreported.front()});
            v.unreported.pop_front();
        }
        notices.PopUntil(end);
    }

    void Write(Voice& v, const std::uint8_t* data, std::size_t bytes, std::uint32_t loops, int tag) {
        const QueuedBuffer buffer{data, bytes / v.FrameBytes(), loops == 0 ? 1 : loops};
        // A parked ring is an idle voice: a fresh conversion starts with this buffer.
        if (!v.buffers.TryPush(buffer, [&] { RestartConverter(v); })) {
            if (v.events) pending.push_back({v.events, tag});  // no room: given back unplayed
            return;
        }
        if (v.events) v.unreported.push_back(tag);
    }

    // Every queued buffer is given back, its notice after those already due,
    // and the audio thread lets go of them and of the converter.
    void GiveBack(Voice& v) {
        CollectNotices();
        for (int tag : v.unreported) pending.push_back({v.events, tag});
        v.unreported.clear();
        v.givenBackBelow = v.buffers.Pushed();
        v.resetAt.store(v.givenBackBelow, std::memory_order_release);
        AwaitRender();
    }

    // Only while the audio thread leaves the converter alone (see Voice).
    static void RestartConverter(Voice& v) {
        if (!v.resampler->Pristine()) v.resampler->Restart();
    }

    std::uint64_t PlayedBytes(const Voice& v) const {
        // Zero until the audio thread has rendered the last reset.
        if (v.playedSince.load(std::memory_order_acquire) != v.givenBackBelow) return 0;
        return v.playedFrames.load(std::memory_order_relaxed) * v.FrameBytes();
    }

    // -------------------------------------------------------------- audio thread

    // As a period starts: a reset the GUI thread asked for, then the buffers
    // it pushed since.
    void Sync(Voice& v) {
        const std::uint64_t reset = v.resetAt.load(std::memory_order_acquire);
        if (reset != v.resetApplied) Forget(v, reset);
        TakeNew(v);
    }

    void Forget(Voice& v, std::uint64_t reset) {
        v.buffers.PopUntil(reset);
        v.resetApplied = v.taken = reset;
        v.fed = v.readFrame = v.passes = 0;
        v.realFed = v.timeline = v.produced = 0;
        v.draining = false;
        v.runs.Clear();
        v.playedFrames.store(0, std::memory_order_relaxed);
        v.playedSince.store(reset, std::memory_order_release);
    }

    // Takes the buffers pushed since the last look. After the queue ran dry
    // they begin a new run; on an idle voice, a fresh conversion whose first
    // output frame plays now (the GUI thread restarted the converter).
    void TakeNew(Voice& v) {
        const std::uint64_t available = v.buffers.Available();
        if (available == v.taken) return;
        if (v.Dry()) {
            if (!v.draining) {
                v.segmentStart = v.cardFrames;
                v.timeline = v.produced = 0;
            }
            v.runs.Push({v.segmentStart, v.timeline, v.realFed});
        }
        v.taken = available;
    }

    // Frames of the voice's data heard so far: its card frames less the
    // latency, mapped through the runs to the data that produced them.
    std::uint64_t PlayedFrames(Voice& v) {
        if (v.runs.Empty()) return 0;
        const std::int64_t heard = static_cast<std::int64_t>(v.cardFrames) - latencyFrames;
        // Resampler input frames before `heard`, times cardRate, from the start of `r`.
        auto reached = [&](const Run& r) {
            return (heard - static_cast<std::int64_t>(r.segmentStart)) * static_cast<std::int64_t>(v.rate) -
                   static_cast<std::int64_t>(r.timeline) * cardRate;
        };
        while (v.runs.Size() > 1 && reached(v.runs[1]) >= 0) v.runs.PopFront();
        const Run& r = v.runs[0];
        const std::int64_t into = reached(r);
        if (into <= 0) return r.real;
        const std::uint64_t end = v.runs.Size() > 1 ? v.runs[1].real : v.realFed;
        return std::min(r.real + static_cast<std::uint64_t>(into) / cardRate, end);
    }

    // Converts the next `frames` input frames into `dst`: the queued data in
    // order, each buffer for all its passes, then zeros once it runs dry.
    void FillInput(Voice& v, float* dst, std::size_t frames) {
        std::size_t got = 0;
        while (got < frames && !v.Dry()) {
            const std::uint64_t index = v.buffers.Popped() + v.fed;
            const QueuedBuffer& b = v.buffers.At(index);
            const std::size_t take = std::min(frames - got, b.frames - v.readFrame);
            const std::uint8_t* src = b.data + v.readFrame * v.FrameBytes();
            for (std::size_t i = 0; i < take * v.channels; ++i)
                dst[got * v.channels + i] = Pcm16ToFloat(ReadPcm16(src + 2 * i));
            got += take;
            v.readFrame += take;
            v.realFed += take;
            if (v.readFrame < b.frames) continue;
            v.readFrame = 0;
            if (b.frames > 0 && (b.loops == kLoopUntilReset || ++v.passes < b.loops)) continue;
            v.passes = 0;
            v.realEnd[index % kQueuedBuffers] = v.realFed;
            ++v.fed;
        }
        std::fill(dst + got * v.channels, dst + frames * v.channels, 0.0f);
        if (got > 0) v.draining = false;
        if (v.Dry() && !v.draining) {
            const std::uint64_t lastReal = v.timeline + got;
            v.draining = true;
            v.tailEnd = (lastReal * cardRate + v.rate - 1) / v.rate + v.resampler->TailFrames();
        }
        v.timeline += frames;
    }

    // The voice's next `frames` card frames into `out` (its own channels);
    // returns how many there are before it falls idle.
    std::size_t Produce(Voice& v, float* out, std::size_t frames) {
        Resampler& r = *v.resampler;
        std::size_t got = 0;
        // Each pass feeds at least one frame; the bound only guards against a
        // converter that never answers.
        for (int pass = 0; got < frames && pass < 4096; ++pass) {
            // What is already inside comes first, so the input never runs ahead.
            const std::size_t drained = r.Drain(out + got * v.channels, frames - got);
            got += drained;
            v.produced += drained;
            if (got == frames) break;
            if (v.Dry() && v.produced >= v.tailEnd) {
                // Idle: the converter is the GUI thread's until the next buffer.
                if (v.buffers.TryPark(v.taken)) {
                    v.draining = false;
                    break;
                }
                TakeNew(v);  // pushed just now: the conversion goes on into it
            }
            const std::size_t want = std::max<std::size_t>(1, r.InputFor(frames - got));
            FillInput(v, input.data(), want);
            const std::size_t made = r.Process(input.data(), want, out + got * v.channels, frames - got);
            got += made;
            v.produced += made;
        }
        return got;
    }

    // Buffers whose last frame has been heard: done notices, in order. A full
    // notice ring leaves the rest for the next step.
    void Retire(Voice& v, std::size_t voice) {
        if (v.fed == 0) return;
        const std::uint64_t played = PlayedFrames(v);
        for (; v.fed > 0; --v.fed) {
            const std::uint64_t oldest = v.buffers.Popped();
            if (v.realEnd[oldest % kQueuedBuffers] > played) return;
            if (v.notify && !notices.TryPush({voice, oldest})) return;
            v.buffers.PopUntil(oldest + 1);
        }
    }

    void Render(float* out, std::size_t frames) {
        renderPasses.fetch_add(1, std::memory_order_acq_rel);
        std::fill(out, out + frames * 2, 0.0f);
        for (Voice& v : voices) Sync(v);
        const PackedVolume gains = volume.load(std::memory_order_relaxed);
        const float gainLeft = static_cast<float>(gains & 0xFFFF) / 65535.0f;
        const float gainRight = static_cast<float>(gains >> 16) / 65535.0f;
        bool incomplete = false;
        for (std::size_t at = 0; at < frames; at += kBlockFrames) {
            const std::size_t n = std::min(kBlockFrames, frames - at);
            float* mix = out + at * 2;
            for (std::size_t voice = 0; voice < kMaxVoices; ++voice) {
                Voice& v = voices[voice];
                const std::size_t got = v.Active() ? Produce(v, voiceOut.data(), n) : 0;
                // Short of frames yet not idle: the converter failed to deliver.
                incomplete = incomplete || (got < n && v.Active());
                const float* s = voiceOut.data();
                for (std::size_t i = 0; i < got; ++i) {
                    const float left = s[i * v.channels], right = s[i * v.channels + v.channels - 1];
                    mix[2 * i] += left * gainLeft;
                    mix[2 * i + 1] += right * gainRight;
                }
                v.cardFrames += n;
                Retire(v, voice);
            }
        }
        for (auto& slot : sources)
            if (MixerSource* source = slot.load(std::memory_order_acquire)) source->MixInto(out, frames);
        for (std::size_t i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
        for (Voice& v : voices) v.playedFrames.store(PlayedFrames(v), std::memory_order_relaxed);
        if (incomplete) skippedPeriods.fetch_add(1, std::memory_order_relaxed);
        renderPasses.fetch_add(1, std::memory_order_release);
    }
};

namespace {

// Every call comes from the GUI thread.
class VoiceDevice final : public WaveOutDevice {
public:
    VoiceDevice(Mixer::Shared& shared, Voice& voice) : shared_(shared), voice_(voice) {}
    ~VoiceDevice() override {
        shared_.GiveBack(voice_);
        voice_.open = false;
        voice_.events = nullptr;
        voice_.resampler.reset();
    }

    void Write(const std::uint8_t* data, std::size_t bytes, std::uint32_t loops, int bufferTag) override {
        shared_.Write(voice_, data, bytes, loops, bufferTag);
    }

    // The next buffer starts a fresh conversion.
    void Reset() override {
        shared_.GiveBack(voice_);
        Mixer::Shared::RestartConverter(voice_);
    }

    std::uint64_t PlayedBytes() override { return shared_.PlayedBytes(voice_); }

    // Sets the program's one wave volume (see Mixer::DeviceZeroVolume).
    void SetVolume(PackedVolume volume) override { shared_.volume.store(volume, std::memory_order_relaxed); }

private:
    Mixer::Shared& shared_;
    Voice& voice_;
};

}  // namespace

Mixer::Mixer(std::uint32_t cardRate, std::uint32_t latencyFrames, bool audible)
    : shared_(std::make_unique<Shared>(cardRate, latencyFrames, audible)) {}

Mixer::~Mixer() = default;

std::unique_ptr<WaveOutDevice> Mixer::Open(const WaveFormatInfo& format, DeviceEvents* events) {
    const bool playable = format.wFormatTag == 1 && format.wBitsPerSample == 16 &&
                          (format.nChannels == 1 || format.nChannels == 2) &&
                          format.nBlockAlign == format.nChannels * 2 && format.nSamplesPerSec >= 4000 &&
                          format.nSamplesPerSec <= 192000;
    if (!playable) return nullptr;
    for (Voice& v : shared_->voices) {
        if (v.open) continue;
        // A closed voice is forgotten by the audio thread, which reads its
        // format again only with the next buffer pushed.
        v.resampler = Resampler::Create(format.nSamplesPerSec, shared_->cardRate, format.nChannels, kQuality,
                                        shared_->convertersCreated++);
        if (!v.resampler) return nullptr;
        v.open = true;
        v.events = events;
        v.notify = events != nullptr;
        v.channels = format.nChannels;
        v.rate = format.nSamplesPerSec;
        return std::make_unique<VoiceDevice>(*shared_, v);
    }
    return nullptr;
}

PackedVolume Mixer::DeviceZeroVolume() { return shared_->volume.load(std::memory_order_relaxed); }

void Mixer::SetDeviceZeroVolume(PackedVolume volume) { shared_->volume.store(volume, std::memory_order_relaxed); }

bool Mixer::Audible() { return shared_->audible; }

void Mixer::FallSilent() { shared_->audible = false; }

bool Mixer::Attach(MixerSource& source) {
    for (auto& slot : shared_->sources) {
        if (slot.load(std::memory_order_relaxed)) continue;
        slot.store(&source, std::memory_order_release);
        return true;
    }
    return false;
}

void Mixer::Detach(MixerSource& source) {
    for (auto& slot : shared_->sources)
        if (slot.load(std::memory_order_relaxed) == &source) slot.store(nullptr, std::memory_order_relaxed);
    shared_->AwaitRender();
}

void Mixer::Render(float* out, std::size_t frames) { shared_->Render(out, frames); }

void Mixer::DeliverEvents() {
    shared_->CollectNotices();
    // From a batch: a notice may write the next buffer, or reset, at once.
    const auto batch = std::exchange(shared_->pending, {});
    for (const auto& [events, tag] : batch) events->OnWaveOutDone(tag);
}

std::uint32_t Mixer::CardRate() const { return shared_->cardRate; }

std::uint32_t Mixer::LatencyFrames() const { return shared_->latencyFrames; }

void Mixer::CountUnderrun() { shared_->underruns.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t Mixer::Underruns() const { return shared_->underruns.load(std::memory_order_relaxed); }

std::uint64_t Mixer::SkippedPeriods() const { return shared_->skippedPeriods.load(std::memory_order_relaxed); }

CaptureOutput::CaptureOutput(std::uint32_t cardRate) : mixer_(cardRate, 0) {}

void CaptureOutput::Advance(std::size_t frames) {
    const std::size_t at = captured_.size();
    captured_.resize(at + frames * 2);
    mixer_.Render(captured_.data() + at, frames);
    mixer_.DeliverEvents();
}

}  // namespace earloop
