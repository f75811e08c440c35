// The sound card behind the mixer: PortAudio's default output, or a silent
// output paced by the steady clock when PortAudio has none or the card goes
// away while the program runs. Either keeps a
// copy of what it plays in the file EARLOOP_RECORD_OUTPUT names, if any.

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/mixer.h"
#include "platform/audio/output_recorder.h"
#include "platform/audio/quiet_stderr.h"

namespace earloop {

namespace {

using Clock = std::chrono::steady_clock;

// The recorder the environment asks for, or nullptr; a file that cannot be
// made is reported and the program plays on without it.
std::unique_ptr<OutputRecorder> RecorderFromEnvironment(std::uint32_t cardRate) {
    const char* path = std::getenv("EARLOOP_RECORD_OUTPUT");
    if (!path || !*path) return nullptr;
    std::string why;
    auto recorder = OutputRecorder::Open(path, cardRate, why);
    if (!recorder) std::fprintf(stderr, "earloop: EARLOOP_RECORD_OUTPUT: %s\n", why.c_str());
    return recorder;
}

// Renders the mix on the GUI thread, at each Pump, as many frames as the
// steady clock says have passed since it was made, so that positions and
// done notices run as they would with a card.
class PacedRender {
public:
    PacedRender(Mixer& mixer, OutputRecorder* recorder)
        : mixer_(mixer),
          recorder_(recorder),
          maxGapFrames_(mixer.CardRate() / 5),
          scratch_(maxGapFrames_ * 2),
          start_(Clock::now()) {}

    void Pump() {
        const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count();
        const auto due = static_cast<std::uint64_t>(elapsed) * mixer_.CardRate() / 1'000'000'000u;
        // A longer gap (a suspended machine, a debugger) is not caught up.
        if (due - rendered_ > maxGapFrames_) rendered_ = due - maxGapFrames_;
        const auto frames = static_cast<std::size_t>(due - rendered_);
        mixer_.Render(scratch_.data(), frames);
        rendered_ = due;
        if (recorder_) {
            recorder_->Take(scratch_.data(), frames);
            recorder_->Write();
        }
        mixer_.DeliverEvents();
    }

private:
    Mixer& mixer_;
    OutputRecorder* recorder_;
    const std::uint64_t maxGapFrames_;
    std::vector<float> scratch_;
    Clock::time_point start_;
    std::uint64_t rendered_ = 0;
};

// Without a card: the mix paced by the clock, heard by nobody.
class SilentBackend final : public AudioBackend {
public:
    static constexpr std::uint32_t kRate = 44100;

    explicit SilentBackend(std::string why)
        : why_(std::move(why)), mixer_(kRate, 0, false), recorder_(RecorderFromEnvironment(kRate)),
          paced_(mixer_, recorder_.get()) {}

    WaveOutput& Output() override { return mixer_; }
    Mixer& GetMixer() override { return mixer_; }
    void Pump() override { paced_.Pump(); }
    std::string Description() const override {
        return "silent output at " + std::to_string(kRate) + " Hz (" + why_ + ")";
    }

private:
    std::string why_;
    Mixer mixer_;
    std::unique_ptr<OutputRecorder> recorder_;
    PacedRender paced_;
};

class PortAudioBackend final : public AudioBackend {
public:
    // nullptr, with the reason in `why`, when there is no usable output.
    static std::unique_ptr<AudioBackend> Start(std::string& why) {
        PaError error = Pa_Initialize();
        if (error != paNoError) {
            why = std::string("PortAudio: ") + Pa_GetErrorText(error);
            return nullptr;
        }
        std::unique_ptr<PortAudioBackend> backend(new PortAudioBackend());
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
        if (!info) {
            why = "no output device";
            return nullptr;
        }
        PaStreamParameters out{};
        out.device = device;
        out.channelCount = 2;
        out.sampleFormat = paFloat32;
        // The high latency: no dropouts while a voice starts, and the played
        // counters take it into account anyway.
        out.suggestedLatency = info->defaultHighOutputLatency;
        const double rate = info->defaultSampleRate;
        error = Pa_OpenStream(&backend->stream_, nullptr, &out, rate, paFramesPerBufferUnspecified, paClipOff,
                              &PortAudioBackend::Callback, backend.get());
        if (error != paNoError) {
            why = std::string("PortAudio: ") + Pa_GetErrorText(error);
            backend->stream_ = nullptr;
            return nullptr;
        }
        const PaStreamInfo* stream = Pa_GetStreamInfo(backend->stream_);
        const double latency = stream ? stream->outputLatency : out.suggestedLatency;
        backend->mixer_ = std::make_unique<Mixer>(static_cast<std::uint32_t>(std::lround(rate)),
                                                  static_cast<std::uint32_t>(std::lround(latency * rate)));
        backend->description_ = std::string("PortAudio: ") + info->name + " (" +
                                Pa_GetHostApiInfo(info->hostApi)->name + "), " +
                                std::to_string(backend->mixer_->CardRate()) + " Hz, " +
                                std::to_string(std::lround(latency * 1000)) + " ms latency";
        backend->recorder_ = RecorderFromEnvironment(backend->mixer_->CardRate());
        error = Pa_StartStream(backend->stream_);
        if (error != paNoError) {
            why = std::string("PortAudio: ") + Pa_GetErrorText(error);
            return nullptr;
        }
        return backend;
    }

    ~PortAudioBackend() override {
        // A lost card is left as it is: stopping it waits for a server that
        // has gone (a killed JACK server), and its callback renders nothing.
        if (paced_) return;
        if (stream_) {
            Pa_StopStream(stream_);
            Pa_CloseStream(stream_);
        }
        recorder_.reset();  // after the stream: nothing is taken any more
        Pa_Terminate();
    }

    WaveOutput& Output() override { return *mixer_; }
    Mixer& GetMixer() override { return *mixer_; }
    void Pump() override {
        if (!paced_ && StreamLost()) TakeOverFromTheCard();
        if (paced_) {
            paced_->Pump();
            return;
        }
        mixer_->DeliverEvents();
        if (recorder_) recorder_->Write();
    }
    std::string Description() const override { return description_; }

private:
    // A card that has asked for nothing this long is gone (a JACK server
    // that ended never calls again).
    static constexpr auto kSilenceOfALostCard = std::chrono::seconds(1);
    // Who renders the mix: the callback between periods and while it runs,
    // or the GUI thread for good once the card is lost.
    enum Renderer : int { kCardIdle, kCardRendering, kPaced };

    PortAudioBackend() = default;

    // The stream has ended by itself (an error of the device) or its
    // callback has stopped coming.
    bool StreamLost() {
        const auto now = Clock::now();
        const std::uint64_t periods = periods_.load(std::memory_order_relaxed);
        // A pause of the GUI thread itself (a suspended machine) is no sign of the card's.
        if (periods != periodsSeen_ || now - lastPump_ > kSilenceOfALostCard) {
            periodsSeen_ = periods;
            lastProgress_ = now;
        }
        lastPump_ = now;
        return Pa_IsStreamActive(stream_) != 1 || now - lastProgress_ > kSilenceOfALostCard;
    }

    // The mix goes on under the clock with every voice as it was, so the
    // program keeps its place; a callback that comes back later renders nothing.
    // Waits for the next Pump while a period is being rendered.
    void TakeOverFromTheCard() {
        int idle = kCardIdle;
        if (!renderer_.compare_exchange_strong(idle, kPaced, std::memory_order_acq_rel)) return;
        std::fprintf(stderr, "earloop: %s stopped: playing silently\n", description_.c_str());
        mixer_->FallSilent();
        paced_ = std::make_unique<PacedRender>(*mixer_, recorder_.get());
    }

    // PortAudio's audio thread.
    static int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags status, void* self) {
        PortAudioBackend& backend = *static_cast<PortAudioBackend*>(self);
        auto* out = static_cast<float*>(output);
        int idle = kCardIdle;
        if (!backend.renderer_.compare_exchange_strong(idle, kCardRendering, std::memory_order_acquire)) {
            std::fill(out, out + frames * 2, 0.0f);
            return paComplete;
        }
        Mixer& mixer = *backend.mixer_;
        if (status & paOutputUnderflow) mixer.CountUnderrun();
        mixer.Render(out, frames);
        if (OutputRecorder* recorder = backend.recorder_.get()) recorder->Take(out, frames);
        backend.renderer_.store(kCardIdle, std::memory_order_release);
        backend.periods_.fetch_add(1, std::memory_order_relaxed);
        return paContinue;
    }

    PaStream* stream_ = nullptr;
    std::unique_ptr<Mixer> mixer_;  // set before the stream starts
    std::unique_ptr<OutputRecorder> recorder_;  // likewise, if recording
    std::string description_;
    std::atomic<int> renderer_{kCardIdle};
    std::atomic<std::uint64_t> periods_{0};  // rendered by the callback
    // GUI thread: the watch on the callback, and the mix once the card is lost.
    std::uint64_t periodsSeen_ = 0;
    Clock::time_point lastProgress_ = Clock::now(), lastPump_ = Clock::now();
    std::unique_ptr<PacedRender> paced_;
};

}  // namespace

std::unique_ptr<AudioBackend> AudioBackend::Start() {
    std::string why;
    std::unique_ptr<AudioBackend> backend;
    {
        QuietStderr quiet;
        backend = PortAudioBackend::Start(why);
    }
    if (backend) return backend;
    return std::make_unique<SilentBackend>(why);
}

}  // namespace earloop
