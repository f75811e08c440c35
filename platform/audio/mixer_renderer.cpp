#include "platform/audio/mixer_renderer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "analysis/analysis_parameters.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/mixer.h"
#include "platform/audio/wav_writer.h"
#include "playback/transport.h"
#include "ports/timer_port.h"

namespace earloop {

namespace {

constexpr std::uint32_t kCardRate = kRenderRate;
// The render moves the clock in steps of 10 ms of card frames and ticks the
// position timer every 100 ms of them, as the program's window timer would.
constexpr std::size_t kStepFrames = kCardRate / 100;
constexpr int kStepsPerTick = kPositionTimerMs / 10;
// After the end, how long the render waits for what was written to sound
// (the resampler's tail).
constexpr std::uint64_t kTailFrames = kCardRate / 10;
// Past the expected end, how long before a play that never ends is given up.
constexpr std::uint64_t kOverrunFrames = kCardRate;
// The program's state after a load: Sampling Time "normal", FF/RW step 5 s, Keep step 2.
constexpr int kLoadedBlockMode = 2;
constexpr int kFfRwStepMs = 5000;
constexpr int kLoadedKeepStep = 2;

// --- the engine's surroundings ---------------------------------------------

// Nothing is shown.
class SilentHooks : public TransportHooks {
public:
    void ShowSpeed(int) override {}
    void ShiftChanged(int, bool, bool) override {}
    void ShowPlayPosition(std::uint32_t) override {}
    void PlayStateChanged(PlayState) override {}
    void PlayEnded() override {}
};

// The stream device's done notices, handed to the engine as the main window does.
class DoneNotices : public DeviceEvents {
public:
    OutputEngine* engine = nullptr;
    void OnWaveOutDone(int bufferTag) override {
        if (engine) engine->OnBufferDone(bufferTag);
    }
    void OnWaveInOpen() override {}
    void OnWaveInData(int, std::size_t) override {}
};

// What the engine has written to the device it opened last, and how much of
// it has sounded, across the resets the engine makes.
struct DeviceTotals {
    std::uint64_t written = 0;
    std::uint64_t playedBeforeReset = 0;
    WaveOutDevice* live = nullptr;  // the inner device, while open
    std::uint64_t Played() const { return playedBeforeReset + (live ? live->PlayedBytes() : 0); }
};

class CountingDevice : public WaveOutDevice {
public:
    CountingDevice(std::unique_ptr<WaveOutDevice> inner, DeviceTotals& totals)
        : inner_(std::move(inner)), totals_(totals) {
        totals_ = {0, 0, inner_.get()};
    }
    ~CountingDevice() override {
        if (totals_.live == inner_.get()) {
            totals_.playedBeforeReset = totals_.Played();
            totals_.live = nullptr;
        }
    }
    void Write(const std::uint8_t* data, std::size_t bytes, std::uint32_t loops, int bufferTag) override {
        totals_.written += bytes;
        inner_->Write(data, bytes, loops, bufferTag);
    }
    void Reset() override {
        totals_.playedBeforeReset += inner_->PlayedBytes();
        inner_->Reset();
    }
    std::uint64_t PlayedBytes() override { return inner_->PlayedBytes(); }
    void SetVolume(PackedVolume volume) override { inner_->SetVolume(volume); }

private:
    std::unique_ptr<WaveOutDevice> inner_;
    DeviceTotals& totals_;
};

// The mixer's output with every device counted; one device is open at a
// time, so the totals are those of the one that plays.
class CountingOutput : public WaveOutput {
public:
    explicit CountingOutput(WaveOutput& inner) : inner_(inner) {}
    std::unique_ptr<WaveOutDevice> Open(const WaveFormatInfo& format, DeviceEvents* events) override {
        auto device = inner_.Open(format, events);
        if (!device) return nullptr;
        return std::make_unique<CountingDevice>(std::move(device), totals_);
    }
    PackedVolume DeviceZeroVolume() override { return inner_.DeviceZeroVolume(); }
    void SetDeviceZeroVolume(PackedVolume volume) override { inner_.SetDeviceZeroVolume(volume); }
    bool Audible() override { return inner_.Audible(); }
    const DeviceTotals& Totals() const { return totals_; }

private:
    WaveOutput& inner_;
    DeviceTotals totals_;
};

// --- the render ---------------------------------------------------------------

// Whole working frames of `ms`, bounded by the data.
std::uint32_t OffsetOfMs(std::uint32_t ms, std::uint32_t blockAlign, std::uint32_t workBytes) {
    const std::uint64_t frames = std::uint64_t{ms} * WORKING_RATE / 1000;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * blockAlign, workBytes));
}

// The card frames that `sourceFrames` of the working samples last on the
// output: the stream plays outChunk bytes for every inChunk bytes of source,
// and the device's rate is the shifted one.
std::uint64_t CardFramesOfSource(std::uint64_t sourceFrames, const PlaybackState& state, std::uint32_t outputRate) {
    const bool stream = state.streamOpen && state.inChunkBytes > 0;
    const std::uint64_t out = stream ? state.outChunkBytes : 1;
    const std::uint64_t in = stream ? state.inChunkBytes : 1;
    return sourceFrames * out * kCardRate / (in * outputRate);
}

std::uint64_t CardFramesOfDevice(std::uint64_t bytes, const WaveFormatInfo& device) {
    return bytes / device.nBlockAlign * kCardRate / device.nSamplesPerSec;
}

// The mixer under a clock the render moves, as CaptureOutput runs it, but
// handing each step to the file instead of keeping the whole mix in memory.
class SteppedMix {
public:
    SteppedMix(Mixer& mixer, AudioFileWriter& file) : mixer_(mixer), file_(file) {}

    // The next 10 ms of card frames; done notices are delivered after it.
    void Step() {
        const std::size_t at = held_.size();
        held_.resize(at + kStepFrames * 2);
        mixer_.Render(held_.data() + at, kStepFrames);
        rendered_ += kStepFrames;
        mixer_.DeliverEvents();
    }
    // Writes the frames rendered before card frame `end`; they belong to the
    // render. Frames after it are held until that is known.
    void WriteBefore(std::uint64_t end) {
        const std::uint64_t heldFrom = rendered_ - held_.size() / 2;
        if (end <= heldFrom) return;
        const auto frames = static_cast<std::size_t>(std::min(end, rendered_) - heldFrom);
        file_.Append(held_.data(), frames);
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(frames * 2));
    }
    std::uint64_t Rendered() const { return rendered_; }

private:
    Mixer& mixer_;
    AudioFileWriter& file_;
    std::vector<float> held_;  // stereo frames rendered and not yet written
    std::uint64_t rendered_ = 0;
};

// Restores what the render changes in the caller's store: the output
// format a shift re-tunes and the canceller's and full quality's switches.
class StoreRestore {
public:
    explicit StoreRestore(SampleStore& samples)
        : samples_(samples),
          format_(samples.outputFormat),
          vocalCancel_(samples.vocalCancelOn),
          fullQuality_(samples.fullQuality) {}
    ~StoreRestore() {
        samples_.outputFormat = format_;
        samples_.vocalCancelOn = vocalCancel_;
        samples_.fullQuality = fullQuality_;
    }
    StoreRestore(const StoreRestore&) = delete;
    StoreRestore& operator=(const StoreRestore&) = delete;

private:
    SampleStore& samples_;
    WaveFormatInfo format_;
    bool vocalCancel_;
    bool fullQuality_;
};

RenderOutcome Failure(std::string why) { return {RenderResult::Failed, std::move(why)}; }

// Plays the request with the program's transport into `file`: Done, Stopped
// by the progress, or Failed with why nothing usable was rendered.
RenderOutcome RenderLoaded(SampleStore& samples, const RenderSettings& request, AudioFileWriter& file,
                           RenderProgress& progress) {
    PlaybackState state;
    const MarkPoint noMarks;
    Mixer mixer(kCardRate);  // no latency: what is rendered has been heard
    CountingOutput output(mixer);
    // The render ticks the position timer itself, from the engine's own flag.
    NoTimers timers;
    SilentHooks hooks;
    DoneNotices notices;
    TransportControl transport(state, noMarks, samples, output, timers, notices, hooks, request.keepMode,
                               kLoadedKeepStep);
    OutputEngine& engine = transport.Output();
    notices.engine = &engine;
    SteppedMix mix(mixer, file);
    int steps = 0;
    std::uint64_t expected = 1;  // card frames, for the progress
    // False when the file failed or the progress stopped the render.
    const auto step = [&] {
        mix.Step();
        if (file.Failed()) return false;
        if (++steps % kStepsPerTick != 0) return true;
        if (state.positionTimerOn) engine.OnPositionTimer();
        return progress.Continue(static_cast<int>(std::min<std::uint64_t>(mix.Rendered() * 100 / expected, 100)));
    };

    // As the load leaves the program.
    samples.fullQuality = request.fullQuality;
    if (!engine.OpenPlainDevice()) return Failure("no output device for this format");
    const auto blockFrames = static_cast<std::uint32_t>(AnalysisBlockFrames(kLoadedBlockMode));
    transport.PrepareWave(blockFrames, kFfRwStepMs);

    // The shift first, as its command sets the speed; then the speed.
    if (request.shift != 0) {
        transport.SetShift(request.shift, false, blockFrames, kFfRwStepMs);
        if (!engine.PlainDeviceOpen()) return Failure("no output device at the shifted rate");
    }
    if (request.speedPercent) transport.SetSpeed(*request.speedPercent);
    samples.vocalCancelOn = request.vocalCancel;
    // Source lengths are working frames at the (shifted) working rate; what
    // was written is counted in frames of the device, which plays the
    // file's own rate at full quality.
    const WaveFormatInfo& working = samples.outputFormat;
    const WaveFormatInfo device = engine.DeviceFormat();
    const std::uint32_t blockAlign = working.nBlockAlign;

    if (request.keepMs) {
        // Play there, then Keep: the loop plays on the plain device until reset.
        transport.PlayFrom(OffsetOfMs(*request.keepMs, blockAlign, samples.workBytes));
        transport.Keep();
        expected = std::uint64_t{request.seconds} * kCardRate;
        while (mix.Rendered() < expected) {
            if (!step()) return {RenderResult::Stopped};
            mix.WriteBefore(expected);
        }
        return {RenderResult::Done};
    }

    transport.PlayFrom(OffsetOfMs(request.fromMs, blockAlign, samples.workBytes));

    const std::uint32_t from = state.startPosition;
    const std::uint32_t to =
        request.toMs ? std::max(from, OffsetOfMs(*request.toMs, blockAlign, samples.workBytes)) : samples.workBytes;
    const std::uint64_t target = CardFramesOfSource((to - from) / blockAlign, state, working.nSamplesPerSec);
    const std::uint64_t maxFrames = WavWriter::MaxFrames(samples.baseOutputFormat.nChannels);
    if (target > maxFrames) {
        return Failure("the render would last " + std::to_string(target / kCardRate) + " s; a WAV file holds " +
                       std::to_string(maxFrames / kCardRate) + " s (choose a part with --from and --to)");
    }
    expected = std::max<std::uint64_t>(target, 1);
    // What has sounded belongs to the render up to `to`, and what has been
    // written to the device will sound.
    const DeviceTotals& totals = output.Totals();
    const auto sure = [&] { return std::min(target, CardFramesOfDevice(totals.written, device)); };
    // The engine has ended when the timer saw the end of the data and, in
    // stream mode, every queued buffer has come back.
    const auto ended = [&state] {
        return state.atEnd && (state.streamOpen ? state.queuedBuffers <= 0 : !state.positionTimerOn);
    };
    // With --to the cut is at `to`, unless the play ends first; without, the
    // play must end by itself, a little after `target` at most.
    const std::uint64_t limit = request.toMs ? target : target + kOverrunFrames;
    bool reachedEnd = ended();
    while (!reachedEnd && mix.Rendered() < limit) {
        if (!step()) return {RenderResult::Stopped};
        mix.WriteBefore(sure());
        reachedEnd = ended();
    }
    if (!reachedEnd && !request.toMs) return Failure("the play did not end at the end of the data");
    for (std::uint64_t tail = 0; reachedEnd && totals.Played() < totals.written && tail < kTailFrames;
         tail += kStepFrames) {
        if (!step()) return {RenderResult::Stopped};
    }
    mix.WriteBefore(sure());
    return {RenderResult::Done};
}

}  // namespace

RenderOutcome MixerRenderer::Render(SampleStore& samples, const RenderSettings& settings, AudioFileType type,
                                    const std::string& path, RenderProgress& progress) {
    const StoreRestore restore(samples);
    const auto file = MakeAudioFileWriter(type, path, samples.baseOutputFormat.nChannels, kCardRate);
    if (!file->Open()) return Failure(file->Error());
    const RenderOutcome rendered = RenderLoaded(samples, settings, *file, progress);
    if (file->Failed()) {
        file->Abandon();
        return Failure(file->Error());
    }
    if (rendered.result != RenderResult::Done) {
        file->Abandon();
        return rendered;
    }
    if (!file->Finish()) return Failure(file->Error());
    return {RenderResult::Done, {}, file->Frames()};
}

}  // namespace earloop
