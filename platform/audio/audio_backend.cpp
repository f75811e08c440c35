// The sound card behind the mixer: PortAudio's default output, or a silent
// output paced by the steady clock when PortAudio has none. Either keeps a
// copy of what it plays in the file EARLOOP_RECORD_OUTPUT names, if any.

#include <portaudio.h>

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

// Without a card: renders, on the GUI thread at each Pump, as many frames as
// the steady clock says have passed, so that positions and done notices run
// as they would with one.
class SilentBackend final : public AudioBackend {
public:
    static constexpr std::uint32_t kRate = 44100;
    // A longer gap (a suspended machine, a debugger) is not caught up.
    static constexpr std::uint64_t kMaxGapFrames = kRate / 5;

    explicit SilentBackend(std::string why)
        : why_(std::move(why)),
          mixer_(kRate, 0, false),
          scratch_(kMaxGapFrames * 2),
          recorder_(RecorderFromEnvironment(kRate)),
          start_(Clock::now()) {}

    WaveOutput& Output() override { return mixer_; }
    Mixer& GetMixer() override { return mixer_; }
    void Pump() override {
        const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count();
        const auto due = static_cast<std::uint64_t>(elapsed) * kRate / 1'000'000'000u;
        if (due - rendered_ > kMaxGapFrames) rendered_ = due - kMaxGapFrames;
        const auto frames = static_cast<std::size_t>(due - rendered_);
        mixer_.Render(scratch_.data(), frames);
        rendered_ = due;
        if (recorder_) {
            recorder_->Take(scratch_.data(), frames);
            recorder_->Write();
        }
        mixer_.DeliverEvents();
    }
    std::string Description() const override {
        return "silent output at " + std::to_string(kRate) + " Hz (" + why_ + ")";
    }

private:
    using Clock = std::chrono::steady_clock;
    std::string why_;
    Mixer mixer_;
    std::vector<float> scratch_;
    std::unique_ptr<OutputRecorder> recorder_;
    Clock::time_point start_;
    std::uint64_t rendered_ = 0;
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
        mixer_->DeliverEvents();
        if (recorder_) recorder_->Write();
    }
    std::string Description() const override { return description_; }

private:
    PortAudioBackend() = default;

    // PortAudio's audio thread.
    static int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags status, void* self) {
        PortAudioBackend& backend = *static_cast<PortAudioBackend*>(self);
        Mixer& mixer = *backend.mixer_;
        if (status & paOutputUnderflow) mixer.CountUnderrun();
        mixer.Render(static_cast<float*>(output), frames);
        if (OutputRecorder* recorder = backend.recorder_.get()) recorder->Take(static_cast<float*>(output), frames);
        return paContinue;
    }

    PaStream* stream_ = nullptr;
    std::unique_ptr<Mixer> mixer_;  // set before the stream starts
    std::unique_ptr<OutputRecorder> recorder_;  // likewise, if recording
    std::string description_;
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
