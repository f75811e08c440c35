#include "platform/audio/output_recorder.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace earloop {

std::unique_ptr<OutputRecorder> OutputRecorder::Open(const std::string& path, std::uint32_t cardRate,
                                                     std::string& why) {
    std::unique_ptr<OutputRecorder> recorder(new OutputRecorder(path, cardRate));
    if (recorder->wav_.Open()) return recorder;
    why = recorder->wav_.Error();
    recorder->reported_ = true;  // by the caller, with `why`
    return nullptr;
}

OutputRecorder::OutputRecorder(const std::string& path, std::uint32_t cardRate)
    : wav_(path, 2, cardRate), ring_(std::make_unique<SpscRing<Block, kBlocks>>()) {}

OutputRecorder::~OutputRecorder() {
    Write();
    if (!wav_.Finish() && !reported_) std::fprintf(stderr, "earloop: %s\n", wav_.Error().c_str());
}

void OutputRecorder::Take(const float* stereo, std::size_t frames) {
    while (frames > 0) {
        Block block;
        block.frames = std::min(frames, kBlockFrames);
        std::copy_n(stereo, block.frames * 2, block.samples);
        if (!ring_->TryPush(block)) {
            droppedFrames_.fetch_add(frames, std::memory_order_relaxed);
            return;
        }
        stereo += block.frames * 2;
        frames -= block.frames;
    }
}

void OutputRecorder::Write() {
    const std::uint64_t framesBefore = wav_.Frames();
    const std::uint64_t available = ring_->Available();
    for (std::uint64_t index = ring_->Popped(); index < available; ++index) {
        const Block& block = ring_->At(index);
        wav_.Append(block.samples, block.frames);
    }
    ring_->PopUntil(available);
    const std::uint64_t dropped = droppedFrames_.load(std::memory_order_relaxed);
    if (dropped > silencedFrames_) {
        const std::vector<float> silence((dropped - silencedFrames_) * 2, 0.0f);
        wav_.Append(silence.data(), dropped - silencedFrames_);
        silencedFrames_ = dropped;
    }
    if (wav_.Frames() == framesBefore) return;
    if (!wav_.Checkpoint() && !reported_) {
        std::fprintf(stderr, "earloop: %s\n", wav_.Error().c_str());
        reported_ = true;
    }
}

}  // namespace earloop
