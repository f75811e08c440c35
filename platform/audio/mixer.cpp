#include "platform/audio/mixer.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "platform/audio/resampler.h"

namespace earloop {

namespace {

constexpr std::size_t kMaxVoices = 8;

// libsoxr's HQ recipe rather than MQ: at these rates it costs no more
// (bench/mixer_bench.cpp), and its 20-bit precision keeps the converter's own
// images and aliases below the 16-bit source's noise, so nothing is added to
// what the user is training the ear on.
constexpr Resampler::Quality kQuality = Resampler::Quality::High;

// A queue in a ring of slots. Only Push may grow it, on the GUI thread under
// the mixer's lock; the audio thread uses TryPush, PopFront and indexing,
// which never allocate.
template <typename T>
class Ring {
public:
    explicit Ring(std::size_t capacity) : slots_(capacity) {}
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return slots_[(head_ + i) % slots_.size()]; }
    const T& operator[](std::size_t i) const { return slots_[(head_ + i) % slots_.size()]; }
    T& Front() { return (*this)[0]; }
    void PopFront() {
        head_ = (head_ + 1) % slots_.size();
        --size_;
    }
    void Clear() { head_ = size_ = 0; }
    bool TryPush(const T& item) {
        if (size_ == slots_.size()) return false;
        ++size_;
        (*this)[size_ - 1] = item;
        return true;
    }
    void Push(const T& item) {
        if (size_ == slots_.size()) {
            std::vector<T> grown(slots_.size() * 2);
            for (std::size_t i = 0; i < size_; ++i) grown[i] = (*this)[i];
            slots_.swap(grown);
            head_ = 0;
        }
        TryPush(item);
    }

private:
    std::vector<T> slots_;
    std::size_t head_ = 0, size_ = 0;
};

struct QueuedBuffer {
    const std::uint8_t* data = nullptr;
    std::size_t frames = 0;
    std::uint32_t loopsLeft = 1;  // kLoopUntilReset: forever
    int tag = 0;
    std::uint64_t realEnd = 0;  // realFed after its last pass, once fed
};

// Real frames fed without a gap from resampler input frame `timeline` of the
// conversion whose output frame 0 is the voice's card frame `segmentStart`.
struct Run {
    std::uint64_t segmentStart = 0, timeline = 0, real = 0;
};

struct DoneEvent {
    DeviceEvents* events = nullptr;
    int tag = 0;
};

std::int16_t ReadSample(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

// One open device. Everything here is guarded by Shared::lock, except the
// resampler while the voice is idle (dry and not draining): the audio thread
// leaves it alone then, so the GUI thread restarts it without the lock.
struct Voice {
    bool open = false;
    DeviceEvents* events = nullptr;
    unsigned channels = 1;
    std::uint32_t rate = 0;
    std::unique_ptr<Resampler> resampler;

    // Buffers not yet done; the first `fed` of them are fed whole and wait to
    // be heard, the next one is read from frame `readFrame`.
    Ring<QueuedBuffer> queue{16};
    std::size_t fed = 0, readFrame = 0;
    std::uint64_t realFed = 0;     // frames of the voice's own data fed since open or reset
    std::uint64_t timeline = 0;    // resampler input frames, data and padding, since its restart
    std::uint64_t produced = 0;    // resampler output frames since its restart
    std::uint64_t cardFrames = 0;  // card frames rendered since open, heard or not
    std::uint64_t segmentStart = 0;  // the card frame of the resampler's first output frame
    // The queue ran dry: zeros go in until output frame tailEnd is out.
    bool draining = false;
    std::uint64_t tailEnd = 0;
    // Maps what has been heard back to the voice's data; the first run is the
    // one playing, the ones after it start later.
    Ring<Run> runs{8};

    bool Dry() const { return fed == queue.Size(); }
    bool Active() const { return !Dry() || draining; }
    std::size_t FrameBytes() const { return channels * 2u; }
};

}  // namespace

struct Mixer::Shared {
    Shared(std::uint32_t rate, std::uint32_t latency) : cardRate(rate), latencyFrames(latency) {}

    const std::uint32_t cardRate, latencyFrames;
    std::mutex lock;  // the GUI thread locks it, the audio thread only tries

    // Guarded by `lock`.
    PackedVolume volume = 0xFFFFFFFF;
    std::array<Voice, kMaxVoices> voices;
    Ring<DoneEvent> done{64};

    // Audio thread only (inside Render, holding the lock).
    std::array<float, kMaxInputFrames * 2> input{};
    std::array<float, kBlockFrames * 2> voiceOut{};

    // Frames of the voice's data heard so far: its card frames less the
    // latency, mapped through the runs to the data that produced them.
    std::uint64_t PlayedFrames(Voice& v) const {
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
            QueuedBuffer& b = v.queue[v.fed];
            const std::size_t take = std::min(frames - got, b.frames - v.readFrame);
            const std::uint8_t* src = b.data + v.readFrame * v.FrameBytes();
            for (std::size_t i = 0; i < take * v.channels; ++i)
                dst[got * v.channels + i] = ReadSample(src + 2 * i) * (1.0f / 32768.0f);
            got += take;
            v.readFrame += take;
            v.realFed += take;
            if (v.readFrame < b.frames) continue;
            v.readFrame = 0;
            if (b.frames > 0 && b.loopsLeft == kLoopUntilReset) continue;
            if (b.frames > 0 && b.loopsLeft > 1) {
                --b.loopsLeft;
                continue;
            }
            b.realEnd = v.realFed;
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
                v.draining = false;
                break;
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
    // event ring leaves the rest for the next step.
    void Retire(Voice& v) {
        if (v.fed == 0) return;
        const std::uint64_t played = PlayedFrames(v);
        while (v.fed > 0 && v.queue.Front().realEnd <= played) {
            if (v.events && !done.TryPush({v.events, v.queue.Front().tag})) return;
            v.queue.PopFront();
            --v.fed;
        }
    }

    void Render(float* out, std::size_t frames) {
        const float gainLeft = static_cast<float>(volume & 0xFFFF) / 65535.0f;
        const float gainRight = static_cast<float>(volume >> 16) / 65535.0f;
        for (std::size_t at = 0; at < frames; at += kBlockFrames) {
            const std::size_t n = std::min(kBlockFrames, frames - at);
            float* mix = out + at * 2;
            for (Voice& v : voices) {
                if (!v.open) continue;
                const std::size_t got = v.Active() ? Produce(v, voiceOut.data(), n) : 0;
                const float* s = voiceOut.data();
                for (std::size_t i = 0; i < got; ++i) {
                    const float left = s[i * v.channels], right = s[i * v.channels + v.channels - 1];
                    mix[2 * i] += left * gainLeft;
                    mix[2 * i + 1] += right * gainRight;
                }
                v.cardFrames += n;
                Retire(v);
            }
        }
        for (std::size_t i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
    }

    // GUI thread, under the lock: every queued buffer is given back, in order.
    void GiveBack(Voice& v) {
        for (std::size_t i = 0; i < v.queue.Size(); ++i)
            if (v.events) done.Push({v.events, v.queue[i].tag});
        v.queue.Clear();
        v.fed = v.readFrame = 0;
        v.realFed = v.timeline = v.produced = 0;
        v.draining = false;
        v.runs.Clear();
    }
};

namespace {

class VoiceDevice final : public WaveOutDevice {
public:
    VoiceDevice(Mixer::Shared& shared, Voice& voice) : shared_(shared), voice_(voice) {}
    ~VoiceDevice() override {
        Reset();
        std::unique_ptr<Resampler> resampler;
        std::lock_guard guard(shared_.lock);
        voice_.open = false;
        resampler = std::move(voice_.resampler);
    }

    void Write(const std::uint8_t* data, std::size_t bytes, std::uint32_t loops, int bufferTag) override {
        Voice& v = voice_;
        std::unique_lock guard(shared_.lock);
        if (v.Dry() && !v.draining && !v.resampler->Pristine()) {
            // Idle after an earlier stretch: a fresh conversion starts now.
            guard.unlock();
            v.resampler->Restart();
            guard.lock();
            v.timeline = v.produced = 0;
        }
        if (v.Dry()) {
            if (!v.draining) v.segmentStart = v.cardFrames;
            v.runs.Push({v.segmentStart, v.timeline, v.realFed});
        }
        v.queue.Push({data, bytes / v.FrameBytes(), loops == 0 ? 1 : loops, bufferTag, 0});
    }

    // The resampler restarts at the next Write.
    void Reset() override {
        std::lock_guard guard(shared_.lock);
        shared_.GiveBack(voice_);
    }

    std::uint64_t PlayedBytes() override {
        std::lock_guard guard(shared_.lock);
        return shared_.PlayedFrames(voice_) * voice_.FrameBytes();
    }

    // Sets the program's one wave volume (see Mixer::DeviceZeroVolume).
    void SetVolume(PackedVolume volume) override {
        std::lock_guard guard(shared_.lock);
        shared_.volume = volume;
    }

private:
    Mixer::Shared& shared_;
    Voice& voice_;
};

}  // namespace

Mixer::Mixer(std::uint32_t cardRate, std::uint32_t latencyFrames)
    : shared_(std::make_unique<Shared>(cardRate, latencyFrames)) {}

Mixer::~Mixer() = default;

std::unique_ptr<WaveOutDevice> Mixer::Open(const WaveFormatInfo& format, DeviceEvents* events) {
    const bool playable = format.wFormatTag == 1 && format.wBitsPerSample == 16 &&
                          (format.nChannels == 1 || format.nChannels == 2) &&
                          format.nBlockAlign == format.nChannels * 2 && format.nSamplesPerSec >= 4000 &&
                          format.nSamplesPerSec <= 192000;
    if (!playable) return nullptr;
    // Built before taking the lock: designing the filter takes a while.
    auto resampler = Resampler::Create(format.nSamplesPerSec, shared_->cardRate, format.nChannels, kQuality);
    if (!resampler) return nullptr;
    std::lock_guard guard(shared_->lock);
    for (Voice& v : shared_->voices) {
        if (v.open) continue;
        shared_->GiveBack(v);
        v.open = true;
        v.events = events;
        v.channels = format.nChannels;
        v.rate = format.nSamplesPerSec;
        v.resampler = std::move(resampler);
        v.cardFrames = v.segmentStart = 0;
        return std::make_unique<VoiceDevice>(*shared_, v);
    }
    return nullptr;
}

PackedVolume Mixer::DeviceZeroVolume() {
    std::lock_guard guard(shared_->lock);
    return shared_->volume;
}

void Mixer::SetDeviceZeroVolume(PackedVolume volume) {
    std::lock_guard guard(shared_->lock);
    shared_->volume = volume;
}

void Mixer::Render(float* out, std::size_t frames) {
    std::fill(out, out + frames * 2, 0.0f);
    std::unique_lock guard(shared_->lock, std::try_to_lock);
    if (!guard.owns_lock()) return;
    shared_->Render(out, frames);
}

void Mixer::DeliverEvents() {
    std::vector<DoneEvent> batch;
    {
        std::lock_guard guard(shared_->lock);
        batch.reserve(shared_->done.Size());
        for (; !shared_->done.Empty(); shared_->done.PopFront()) batch.push_back(shared_->done.Front());
    }
    // Without the lock: a notice may write the next buffer at once.
    for (const DoneEvent& e : batch) e.events->OnWaveOutDone(e.tag);
}

std::uint32_t Mixer::CardRate() const { return shared_->cardRate; }

CaptureOutput::CaptureOutput(std::uint32_t cardRate) : mixer_(cardRate, 0) {}

void CaptureOutput::Advance(std::size_t frames) {
    const std::size_t at = captured_.size();
    captured_.resize(at + frames * 2);
    mixer_.Render(captured_.data() + at, frames);
    mixer_.DeliverEvents();
}

}  // namespace earloop
