#include "platform/audio/wave_input.h"

#include <portaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/audio/pcm16.h"
#include "platform/audio/quiet_stderr.h"
#include "wave/wav_format.h"

namespace earloop {

// The samples of the file played in place of the card.
struct SystemWaveInput::FileWave {
    std::uint32_t rate = 0;
    unsigned channels = 0;
    std::vector<float> samples;  // interleaved
    std::size_t Frames() const { return samples.size() / channels; }
};

namespace {

// The file's samples, or nullopt with the reason in `why`.
std::optional<SystemWaveInput::FileWave> ReadFileWave(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot be opened";
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() < kCanonicalHeaderBytes || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVEfmt ", 8) != 0) {
        why = "not a WAV file";
        return std::nullopt;
    }
    const WaveFormatInfo format = FormatAt(bytes.data());
    if (format.wFormatTag != 1 || format.wBitsPerSample != 16 || format.nChannels < 1 || format.nChannels > 2 ||
        format.nSamplesPerSec == 0) {
        why = "not 16-bit PCM in one or two channels";
        return std::nullopt;
    }
    const std::optional<std::size_t> tag = FindDataTag(bytes.data(), bytes.size());
    if (!tag) {
        why = "no data chunk";
        return std::nullopt;
    }
    const std::size_t start = *tag + 8;
    const std::size_t dataBytes = std::min<std::size_t>(ReadU32Le(bytes.data() + *tag + 4), bytes.size() - start);
    SystemWaveInput::FileWave wave{format.nSamplesPerSec, format.nChannels, {}};
    wave.samples.resize(dataBytes / (2u * format.nChannels) * format.nChannels);
    if (wave.samples.empty()) {
        why = "no samples";
        return std::nullopt;
    }
    for (std::size_t i = 0; i < wave.samples.size(); ++i)
        wave.samples[i] = Pcm16ToFloat(ReadPcm16(bytes.data() + start + 2 * i));
    return wave;
}

// Where a device's frames come from.
class InputSource {
public:
    virtual ~InputSource() = default;
    virtual void Start() = 0;
    // Returns once nothing captures any more.
    virtual void Stop() = 0;
    // GUI thread, at each pump: captures what is due.
    virtual void Advance() {}
};

// One use of PortAudio: initialised while it lives (PortAudio counts them).
class PortAudioSession {
public:
    PortAudioSession() : error_(Pa_Initialize()) {}
    ~PortAudioSession() {
        if (error_ == paNoError) Pa_Terminate();
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool Ready() const { return error_ == paNoError; }

private:
    PaError error_;
};

class CardSource final : public InputSource {
public:
    CardSource(std::unique_ptr<PortAudioSession> session, PaStream* stream)
        : session_(std::move(session)), stream_(stream) {}
    ~CardSource() override { Pa_CloseStream(stream_); }

    void Start() override {
        if (Pa_IsStreamStopped(stream_) == 1) Pa_StartStream(stream_);
    }
    // Aborting returns once the callback has ended for good.
    void Stop() override {
        if (Pa_IsStreamStopped(stream_) == 0) Pa_AbortStream(stream_);
    }

    // PortAudio's audio thread.
    static int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags status, void* pipeline) {
        InputPipeline& to = *static_cast<InputPipeline*>(pipeline);
        if (status & paInputOverflow) to.Ring().CountOverrun();
        if (input) to.Ring().Capture(static_cast<const float*>(input), frames);
        return paContinue;
    }

private:
    std::unique_ptr<PortAudioSession> session_;  // outlives the stream
    PaStream* stream_;
};

// The file, looped, delivered as the clock says a card would have.
class FileSource final : public InputSource {
public:
    static constexpr std::uint64_t kRingFrames = CaptureRing::kFramesPerBlock * CaptureRing::kBlocks;

    FileSource(const SystemWaveInput::FileWave& wave, const SystemWaveInput::Clock& clock, InputPipeline& pipeline)
        : wave_(wave),
          clock_(clock),
          pipeline_(pipeline),
          maxGapFrames_(std::min<std::uint64_t>(wave.rate / 5, kRingFrames / 2)) {}

    void Start() override {
        if (running_) return;
        running_ = true;
        started_ = clock_();
        fed_ = 0;
    }
    void Stop() override { running_ = false; }

    void Advance() override {
        if (!running_) return;
        constexpr std::uint64_t kNsPerSecond = 1'000'000'000u;
        const auto elapsed = static_cast<std::uint64_t>(std::max<std::int64_t>(0, (clock_() - started_).count()));
        // In two parts, so that days of input do not overflow.
        const std::uint64_t due =
            elapsed / kNsPerSecond * wave_.rate + elapsed % kNsPerSecond * wave_.rate / kNsPerSecond;
        // A longer gap than 200 ms (a suspended machine, a debugger) is not
        // caught up; nor one the ring cannot take at once.
        if (due - fed_ > maxGapFrames_) fed_ = due - maxGapFrames_;
        while (fed_ < due) {
            const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(due - fed_, wave_.Frames() - at_));
            pipeline_.Ring().Capture(wave_.samples.data() + at_ * wave_.channels, frames);
            at_ = (at_ + frames) % wave_.Frames();
            fed_ += frames;
        }
    }

private:
    const SystemWaveInput::FileWave& wave_;
    const SystemWaveInput::Clock& clock_;
    InputPipeline& pipeline_;
    const std::uint64_t maxGapFrames_;
    bool running_ = false;
    std::chrono::nanoseconds started_{0};
    std::uint64_t fed_ = 0;  // frames since the start
    std::size_t at_ = 0;     // the file's next frame
};

}  // namespace

struct SystemWaveInput::Device final : WaveInDevice {
    Device(std::vector<Device*>& open, std::unique_ptr<InputPipeline> pipeline)
        : open_(open), pipeline_(std::move(pipeline)) {
        open_.push_back(this);
    }
    ~Device() override {
        Reset();
        open_.erase(std::find(open_.begin(), open_.end(), this));
    }

    void AddBuffer(std::uint8_t* data, std::size_t bytes, int bufferTag) override {
        pipeline_->AddBuffer(data, bytes, bufferTag);
    }
    void Start() override { source_->Start(); }
    void Reset() override {
        source_->Stop();
        pipeline_->Reset();
    }
    void Pump() {
        source_->Advance();
        pipeline_->Pump();
    }

    std::vector<Device*>& open_;
    std::unique_ptr<InputPipeline> pipeline_;
    std::unique_ptr<InputSource> source_;  // set once made; stops capturing before the pipeline goes
};

std::unique_ptr<SystemWaveInput> SystemWaveInput::FromEnvironment() {
    const char* path = std::getenv("EARLOOP_INPUT_WAVE");
    if (!path || !*path) return std::make_unique<SystemWaveInput>();
    return std::make_unique<SystemWaveInput>(path, [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    });
}

SystemWaveInput::SystemWaveInput() = default;

SystemWaveInput::SystemWaveInput(const std::string& path, Clock clock) : fromFile_(true), clock_(std::move(clock)) {
    std::string why;
    if (auto wave = ReadFileWave(path, why))
        file_ = std::make_unique<FileWave>(std::move(*wave));
    else
        std::fprintf(stderr, "earloop: EARLOOP_INPUT_WAVE %s: %s\n", path.c_str(), why.c_str());
}

SystemWaveInput::~SystemWaveInput() = default;

std::unique_ptr<WaveInDevice> SystemWaveInput::Open(const WaveFormatInfo& format, DeviceEvents& events) {
    if (!IsInputFormat(format)) return nullptr;
    auto device = fromFile_ ? OpenFile(events) : OpenCard(events);
    if (device) notices_.PostOpen(events);
    return device;
}

std::unique_ptr<WaveInDevice> SystemWaveInput::OpenFile(DeviceEvents& events) {
    if (!file_) return nullptr;
    auto pipeline = InputPipeline::Create(file_->rate, file_->channels, events, notices_);
    if (!pipeline) return nullptr;
    auto device = std::make_unique<Device>(open_, std::move(pipeline));
    device->source_ = std::make_unique<FileSource>(*file_, clock_, *device->pipeline_);
    return device;
}

std::unique_ptr<WaveInDevice> SystemWaveInput::OpenCard(DeviceEvents& events) {
    QuietStderr quiet;  // PortAudio's probes of missing devices
    auto session = std::make_unique<PortAudioSession>();
    if (!session->Ready()) return nullptr;
    const PaDeviceIndex index = Pa_GetDefaultInputDevice();
    const PaDeviceInfo* info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
    if (!info || info->maxInputChannels < 1) return nullptr;
    PaStreamParameters in{};
    in.device = index;
    in.channelCount = std::min(info->maxInputChannels, 2);
    in.sampleFormat = paFloat32;
    // The high latency: the GUI thread takes the input every 10 ms anyway.
    in.suggestedLatency = info->defaultHighInputLatency;
    const auto rate = static_cast<std::uint32_t>(std::lround(info->defaultSampleRate));
    auto pipeline = InputPipeline::Create(rate, static_cast<unsigned>(in.channelCount), events, notices_);
    if (!pipeline) return nullptr;
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, &in, nullptr, rate, CaptureRing::kFramesPerBlock, paClipOff,
                      &CardSource::Callback, pipeline.get()) != paNoError)
        return nullptr;
    auto device = std::make_unique<Device>(open_, std::move(pipeline));
    device->source_ = std::make_unique<CardSource>(std::move(session), stream);
    return device;
}

void SystemWaveInput::Pump() {
    do {
        for (Device* device : open_) device->Pump();
    } while (notices_.Deliver() > 0);
}

}  // namespace earloop
