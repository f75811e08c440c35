#include "platform/audio/resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace earloop {

namespace {

// libsoxr's filter rings for about 90 frames at the lower of the two rates
// (measured to -100 dB); 128 leaves a margin.
constexpr std::uint64_t kRingFramesAtLowerRate = 128;

// A non-null input of length 0 asks libsoxr for output without flushing.
const float kNoInput = 0.0f;

}  // namespace

Resampler::Resampler(std::uint32_t inRate, std::uint32_t outRate, unsigned channels)
    : inRate_(inRate),
      outRate_(outRate),
      channels_(channels),
      ioRatio_(static_cast<double>(inRate) / static_cast<double>(outRate)) {}

std::unique_ptr<Resampler> Resampler::Create(std::uint32_t inRate, std::uint32_t outRate, unsigned channels,
                                             Quality quality, std::uint32_t staggerSlot) {
    std::unique_ptr<Resampler> r(new Resampler(inRate, outRate, channels));
    if (inRate == outRate) return r;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t q = soxr_quality_spec(quality == Quality::High ? SOXR_HQ : SOXR_MQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);  // no worker threads on the audio thread
    soxr_error_t error = nullptr;
    r->soxr_ = soxr_create(inRate, outRate, channels, &error, &io, &q, &runtime);
    if (error || !r->soxr_) return nullptr;
    const std::uint64_t lower = std::min(inRate, outRate);
    r->tailFrames_ = static_cast<std::uint32_t>((kRingFramesAtLowerRate * outRate + lower - 1) / lower);
    r->skipped_.resize(kBlockFrames * channels);
    // libsoxr does its work in blocks of many steps; converters primed alike
    // and started in one step would all do it in the same steps. Each of
    // eight converters in turn is primed one step's input longer.
    r->stagger_ = staggerSlot % 8 * r->InputFor(kBlockFrames);
    r->Prime();
    return r;
}

Resampler::~Resampler() { soxr_delete(soxr_); }

void Resampler::Restart() {
    if (soxr_) {
        soxr_clear(soxr_);
        Prime();
    }
    pristine_ = true;
}

// libsoxr grows its internal queues with realloc as it streams, long after it
// starts, which must not happen on the audio thread. Streaming two large
// blocks of silence through it here grows them past what the audio thread's
// small steps ever need. The silence is a whole number of input periods of
// the rate ratio, so its output is a whole number of frames too; they are
// thrown away and the first frame fed afterwards comes out exactly where a new
// converter would put it.
void Resampler::Prime() {
    const std::uint64_t in = inRate_, out = outRate_;
    const std::size_t burst = std::max<std::size_t>(4096, 8 * InputFor(kBlockFrames));
    const std::uint64_t period = in / std::gcd(in, out);
    const std::uint64_t zeros = (2 * burst + stagger_ + period - 1) / period * period;
    const std::size_t sinkFrames = static_cast<std::size_t>(burst * out / in + 64);
    std::vector<float> silence(burst * channels_, 0.0f), sink(sinkFrames * channels_);
    std::uint64_t fed = 0, produced = 0;
    std::size_t idone = 0, odone = 0;
    while (fed < zeros) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(burst, zeros - fed));
        if (soxr_process(soxr_, silence.data(), n, &idone, sink.data(), sinkFrames, &odone)) break;
        fed += idone;
        produced += odone;
        if (idone == 0 && odone == 0) break;
    }
    do {
        if (soxr_process(soxr_, silence.data(), 0, &idone, sink.data(), sinkFrames, &odone)) break;
        produced += odone;
    } while (odone > 0);
    const std::uint64_t whole = zeros * out / in;
    skip_ = whole > produced ? whole - produced : 0;
}

std::size_t Resampler::InputFor(std::size_t outFrames) const {
    if (!soxr_) return std::min(outFrames, kMaxInputFrames);
    // As libsoxr rounds: ceil of a double product.
    const auto frames = static_cast<std::size_t>(std::ceil(static_cast<double>(outFrames) * ioRatio_));
    return std::min(frames, kMaxInputFrames);
}

// The priming silence that is out already goes to its own scratch, however
// few frames the caller asks for: otherwise a caller asking for one frame at a
// time would wait thousands of steps for the first real one.
void Resampler::SkipPriming() {
    while (skip_ > 0) {
        const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, kBlockFrames));
        std::size_t idone = 0, odone = 0;
        if (soxr_process(soxr_, &kNoInput, 0, &idone, skipped_.data(), frames, &odone) || odone == 0) return;
        skip_ -= odone;
    }
}

// What is left of the priming silence once input went in.
std::size_t Resampler::DropSkipped(float* out, std::size_t frames) {
    const auto dropped = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, frames));
    if (dropped == 0) return frames;
    skip_ -= dropped;
    std::memmove(out, out + dropped * channels_, (frames - dropped) * channels_ * sizeof(float));
    return frames - dropped;
}

std::size_t Resampler::Drain(float* out, std::size_t frames) {
    pristine_ = false;
    if (!soxr_) return 0;
    SkipPriming();
    std::size_t idone = 0, odone = 0;
    if (soxr_process(soxr_, &kNoInput, 0, &idone, out, frames, &odone)) return 0;
    return DropSkipped(out, odone);
}

std::size_t Resampler::Process(const float* in, std::size_t inFrames, float* out, std::size_t outFrames) {
    pristine_ = false;
    if (!soxr_) {
        const std::size_t n = std::min(inFrames, outFrames);
        std::copy(in, in + n * channels_, out);
        return n;
    }
    SkipPriming();
    std::size_t idone = 0, odone = 0;
    if (soxr_process(soxr_, in, inFrames, &idone, out, outFrames, &odone)) {
        // A converter in error stays silent but keeps time.
        std::fill(out, out + outFrames * channels_, 0.0f);
        return outFrames;
    }
    return DropSkipped(out, odone);
}

}  // namespace earloop
