#pragma once
// One voice's rate converter: libsoxr streaming interleaved float frames from
// the voice's rate to the card's, or a plain copy when the two are equal.
//
// Threads: Create and Restart run on the GUI thread and allocate; Drain and
// Process run on the audio thread and never allocate (see Prime in the .cpp).
// The owner makes sure the two never overlap. (The wave input's converter
// runs wholly on the GUI thread.)

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct soxr;

namespace earloop {

// Card frames the mixer renders in one step, and the most input frames it
// hands the converter at once: the sizes of the audio thread's scratch arrays.
inline constexpr std::size_t kBlockFrames = 256;
inline constexpr std::size_t kMaxInputFrames = 1024;

class Resampler {
public:
    // High: libsoxr's HQ recipe (20-bit precision, images and aliases below
    // -120 dB); Medium: MQ (16-bit). The mixer uses High, see mixer.cpp.
    enum class Quality { Medium, High };

    // nullptr when libsoxr refuses the rates. `staggerSlot`: how many
    // converters that may run together were created before this one.
    static std::unique_ptr<Resampler> Create(std::uint32_t inRate, std::uint32_t outRate, unsigned channels,
                                             Quality quality = Quality::High, std::uint32_t staggerSlot = 0);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // GUI thread: back to the state of a new converter (its output frame k is
    // input time k x in/out). Allocates.
    void Restart();
    // True until the audio thread first drains or feeds it after (re)start.
    bool Pristine() const { return pristine_; }

    // Audio thread. Frames still inside the converter, without new input.
    std::size_t Drain(float* out, std::size_t frames);
    // Takes all `inFrames` (at most InputFor(outFrames)) and writes at most
    // `outFrames`; returns the frames written.
    std::size_t Process(const float* in, std::size_t inFrames, float* out, std::size_t outFrames);
    // The input frames libsoxr takes for `outFrames` of output, capped at
    // kMaxInputFrames: the same rounding as its own, so Process takes them all.
    std::size_t InputFor(std::size_t outFrames) const;
    // Output frames the filter still rings after the last input frame.
    std::uint32_t TailFrames() const { return tailFrames_; }

private:
    Resampler(std::uint32_t inRate, std::uint32_t outRate, unsigned channels);
    void Prime();
    void SkipPriming();
    std::size_t DropSkipped(float* out, std::size_t frames);

    const std::uint32_t inRate_, outRate_;
    const unsigned channels_;
    const double ioRatio_;
    std::uint32_t tailFrames_ = 0;
    soxr* soxr_ = nullptr;  // null: equal rates, copied
    // Output frames of the priming silence still to be thrown away, and where
    // they go (sized at creation, so the audio thread never allocates).
    std::uint64_t skip_ = 0;
    std::vector<float> skipped_;
    std::uint64_t stagger_ = 0;  // extra input frames of priming, see Create
    bool pristine_ = true;
};

}  // namespace earloop
