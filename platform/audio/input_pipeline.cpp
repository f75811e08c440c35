#include "platform/audio/input_pipeline.h"

#include <algorithm>

#include "platform/audio/pcm16.h"

namespace earloop {

namespace {

// The program's frames: 16-bit stereo.
constexpr std::size_t kInputFrameBytes = 4;

}  // namespace

bool IsInputFormat(const WaveFormatInfo& format) { return format == Pcm16Format(2, kInputRate); }

void InputNotices::PostOpen(DeviceEvents& events) { queue_.push_back({&events, true, 0, 0}); }

void InputNotices::PostData(DeviceEvents& events, int bufferTag, std::size_t bytesRecorded) {
    queue_.push_back({&events, false, bufferTag, bytesRecorded});
}

std::size_t InputNotices::Deliver() {
    std::size_t delivered = 0;
    while (!queue_.empty()) {
        const Notice notice = queue_.front();
        queue_.pop_front();
        ++delivered;
        if (notice.open)
            notice.events->OnWaveInOpen();
        else
            notice.events->OnWaveInData(notice.bufferTag, notice.bytesRecorded);
    }
    return delivered;
}

CaptureRing::CaptureRing(unsigned channels)
    : channels_(channels), ring_(std::make_unique<SpscRing<Block, kBlocks>>()) {}

void CaptureRing::Capture(const float* frames, std::size_t count) {
    while (count > 0) {
        Block block;
        block.frames = std::min(count, kFramesPerBlock);
        std::copy_n(frames, block.frames * channels_, block.samples);
        if (!ring_->TryPush(block)) {
            CountOverrun();
            return;
        }
        frames += block.frames * channels_;
        count -= block.frames;
    }
}

void CaptureRing::CountOverrun() { overruns_.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t CaptureRing::Overruns() const { return overruns_.load(std::memory_order_relaxed); }

std::span<const float> CaptureRing::Peek() const {
    const std::uint64_t oldest = ring_->Popped();
    if (oldest == ring_->Available()) return {};
    const Block& block = ring_->At(oldest);
    return {block.samples + readFrames_ * channels_, (block.frames - readFrames_) * channels_};
}

void CaptureRing::Consume(std::size_t frames) {
    const std::uint64_t oldest = ring_->Popped();
    readFrames_ += frames;
    if (readFrames_ < ring_->At(oldest).frames) return;
    readFrames_ = 0;
    ring_->PopUntil(oldest + 1);
}

void CaptureRing::Clear() {
    readFrames_ = 0;
    ring_->PopUntil(ring_->Available());
}

std::unique_ptr<InputPipeline> InputPipeline::Create(std::uint32_t rate, unsigned channels, DeviceEvents& events,
                                                     InputNotices& notices) {
    auto resampler = Resampler::Create(rate, kInputRate, channels);
    if (!resampler) return nullptr;
    return std::unique_ptr<InputPipeline>(new InputPipeline(channels, std::move(resampler), events, notices));
}

InputPipeline::InputPipeline(unsigned channels, std::unique_ptr<Resampler> resampler, DeviceEvents& events,
                             InputNotices& notices)
    : channels_(channels),
      ring_(channels),
      resampler_(std::move(resampler)),
      converted_(kConvertFrames * channels),
      samples_(kConvertFrames * channels),
      events_(events),
      notices_(notices) {}

void InputPipeline::AddBuffer(std::uint8_t* data, std::size_t bytes, int bufferTag) {
    buffers_.push_back({data, bytes / kInputFrameBytes, bufferTag});
}

// The converter is handed no more input than the room in the oldest buffer
// takes, so that its output always has a place; what it holds back for its
// filter comes out with the next input.
void InputPipeline::Pump() {
    while (!buffers_.empty()) {
        const Buffer& oldest = buffers_.front();
        if (oldest.filled == oldest.frames) {
            GiveBackOldest();
            continue;
        }
        const std::span<const float> captured = ring_.Peek();
        if (captured.empty()) return;
        const std::size_t room = std::min(oldest.frames - oldest.filled, kConvertFrames);
        const std::size_t taken = std::min(captured.size() / channels_, resampler_->InputFor(room));
        const std::size_t made = resampler_->Process(captured.data(), taken, converted_.data(), room);
        ring_.Consume(taken);
        Place(made);
    }
}

void InputPipeline::Place(std::size_t frames) {
    Buffer& oldest = buffers_.front();
    FloatsToPcm16<1>(converted_.data(), samples_.data(), frames * channels_);
    std::uint8_t* to = oldest.data + oldest.filled * kInputFrameBytes;
    for (std::size_t i = 0; i < frames; ++i, to += kInputFrameBytes) {
        const std::int16_t left = samples_[i * channels_];
        WritePcm16(to, left);
        WritePcm16(to + 2, channels_ == 2 ? samples_[i * 2 + 1] : left);
    }
    oldest.filled += frames;
}

void InputPipeline::GiveBackOldest() {
    const Buffer oldest = buffers_.front();
    buffers_.pop_front();
    notices_.PostData(events_, oldest.tag, oldest.filled * kInputFrameBytes);
}

void InputPipeline::Reset() {
    Pump();
    ring_.Clear();
    while (!buffers_.empty()) GiveBackOldest();
    resampler_->Restart();
}

}  // namespace earloop
