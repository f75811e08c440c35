#include "playback/output_engine.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace earloop {

namespace {

// A done notice's tag: the stream's generation and the buffer's index.
constexpr int kGenerationMask = 0x3FFFFFFF;
int BufferTag(int generation, int index) { return generation << 1 | index; }
int GenerationOf(int tag) { return tag >> 1; }

}  // namespace

OutputEngine::OutputEngine(PlaybackState& state, SampleStore& samples, WaveOutput& output, TimerPort& timers,
                           DeviceEvents& streamEvents, PlaybackHooks& hooks)
    : state_(state),
      samples_(samples),
      output_(output),
      timers_(timers),
      streamEvents_(streamEvents),
      hooks_(hooks),
      // Every byte handed to a device is written first; untouched room costs nothing.
      streamBuffers_(std::make_unique_for_overwrite<std::uint8_t[]>(2 * kStreamRoom)),
      keepBuffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kKeepRoom)) {}

OutputEngine::~OutputEngine() = default;

std::uint32_t OutputEngine::Align(std::uint32_t bytes) const {
    const std::uint32_t blockAlign = samples_.outputFormat.nBlockAlign;
    return blockAlign == 0 ? bytes : bytes - bytes % blockAlign;
}

std::uint32_t OutputEngine::MsOfPosition(std::uint32_t position) const {
    const double perSecond = samples_.outputFormat.nAvgBytesPerSec;
    if (perSecond == 0) return 0;
    return static_cast<std::uint32_t>(position / perSecond * state_.pitchFactor * 1000.0);
}

std::uint32_t OutputEngine::PlayStopOffset(std::uint32_t ms) const {
    const double perSecond = samples_.outputFormat.nAvgBytesPerSec;
    return Align(static_cast<std::uint32_t>(perSecond / state_.pitchFactor * ms * 0.001));
}

double OutputEngine::WaveTimeBytes(std::uint32_t ms) const {
    return std::trunc(samples_.baseOutputFormat.nAvgBytesPerSec * static_cast<double>(ms) * 0.001);
}

std::uint32_t OutputEngine::WaveTimeOffset(std::uint32_t ms) const {
    return Align(static_cast<std::uint32_t>(WaveTimeBytes(ms)));
}

WaveFormatInfo OutputEngine::DeviceFormat() const {
    WaveFormatInfo format = samples_.outputFormat;
    if (!samples_.PlaysFullRate()) return format;
    format.nSamplesPerSec = static_cast<std::uint32_t>(std::lround(format.nSamplesPerSec * samples_.PlayScale()));
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    return format;
}

std::uint32_t OutputEngine::PlayedBytesOf(std::uint32_t workingBytes) const {
    const std::uint32_t blockAlign = samples_.outputFormat.nBlockAlign;
    if (!samples_.PlaysFullRate() || blockAlign == 0) return workingBytes;
    const double frames = std::trunc(workingBytes / blockAlign * samples_.PlayScale());
    return static_cast<std::uint32_t>(std::min(frames * blockAlign, 4294967295.0));
}

WaveOutDevice* OutputEngine::OpenDevice() const { return state_.streamOpen ? stream_.get() : plain_.get(); }

bool OutputEngine::OpenPlainDevice() {
    plain_ = output_.Open(DeviceFormat(), nullptr);
    return plain_ != nullptr;
}

void OutputEngine::ClosePlainDevice() {
    StopPositionTimer();
    plain_.reset();
}

void OutputEngine::ResetPlainDevice() {
    if (plain_) plain_->Reset();
}

void OutputEngine::OpenStreamDevice() {
    if (state_.streamOpen) return;
    stream_ = output_.Open(DeviceFormat(), &streamEvents_);
    state_.streamOpen = true;
}

void OutputEngine::CountStaleNotices() {
    state_.staleDone = state_.queuedBuffers != 0 && !state_.atEnd ? state_.queuedBuffers : 0;
}

void OutputEngine::ResetStreamDevice() {
    if (stream_) stream_->Reset();
    streamGeneration_ = (streamGeneration_ + 1) & kGenerationMask;
}

void OutputEngine::CloseStreamDevice() {
    StopPositionTimer();
    CountStaleNotices();
    ResetStreamDevice();
    stream_.reset();
    state_.streamOpen = false;
}

void OutputEngine::CloseOutput() {
    if (state_.streamOpen) CloseStreamDevice();
    ClosePlainDevice();
}

void OutputEngine::ReopenOutput() {
    CloseOutput();
    OpenPlainDevice();
}

void OutputEngine::ResetOutput() {
    const bool stretch = state_.StretchOn();
    if (stretch && state_.streamOpen) {
        CountStaleNotices();
        ResetStreamDevice();
    } else if (stretch) {
        ClosePlainDevice();
        OpenStreamDevice();
    } else if (state_.streamOpen) {
        CloseStreamDevice();
        OpenPlainDevice();
    } else {
        ResetPlainDevice();
    }
}

void OutputEngine::RestartOutput() {
    if (!state_.Sounding()) return;
    ResetOutput();
    if (state_.StretchOn())
        StartStretchPlay();
    else
        StartPlainPlay();
}

void OutputEngine::StartPlainPlay() {
    state_.startPosition = state_.position;
    state_.atEnd = false;
    StartPositionTimer();
    ResetPlainDevice();
    const std::span<const std::uint8_t> played = samples_.Played();
    const std::uint32_t offset = PlayedBytesOf(Align(std::min(state_.position, samples_.workBytes)));
    if (plain_) plain_->Write(played.data() + offset, played.size() - offset, 1, 0);
}

void OutputEngine::StartStretchPlay() {
    if (!samples_.loaded || !state_.StretchOn()) return;
    if (state_.speedPercent == 0) state_.speedPercent = 1;
    const WaveFormatInfo& format = samples_.outputFormat;
    geometry_ = MakeStretchGeometry(format.nSamplesPerSec, format.nBlockAlign, state_.speedPercent);
    if (samples_.PlaysFullRate())
        geometry_ = ScaleGeometry(geometry_, samples_.PlayScale(), DeviceFormat().nSamplesPerSec);
    state_.outChunkBytes = geometry_.outChunkBytes;
    state_.maxChunks = kMaxStreamChunks;
    state_.inChunkBytes = geometry_.inChunkBytes;
    state_.sourceRatio = state_.outChunkBytes == 0
                             ? 1.0
                             : static_cast<double>(state_.inChunkBytes) / static_cast<double>(state_.outChunkBytes);
    hooks_.ShowSpeed(state_.speedPercent);
    state_.startPosition = state_.position;

    // A caller that skipped ResetOutput still gets the stream device, alone.
    if (!state_.streamOpen) {
        ClosePlainDevice();
        OpenStreamDevice();
    }
    state_.streamSource = PlayedBytesOf(state_.position);
    StopPositionTimer();
    StartPositionTimer();
    state_.atEnd = false;
    state_.queuedBuffers = 0;
    streamLag_ = 0;
    streamGeneration_ = (streamGeneration_ + 1) & kGenerationMask;

    state_.fillIndex = 0;
    if ((state_.chunksInBuffer = ChunksAhead()) == 0) {
        // Nothing to play is a stream whose last buffer is done.
        StopPositionTimer();
        return;
    }
    QueueStreamBuffer();
    state_.fillIndex = 1;
    state_.streamSource += static_cast<std::uint32_t>(state_.chunksInBuffer) * state_.inChunkBytes;
    if ((state_.chunksInBuffer = ChunksAhead()) == 0) return;
    QueueStreamBuffer();
}

int OutputEngine::ChunksAhead() {
    const std::int64_t out = state_.outChunkBytes;
    const std::int64_t chunks =
        out == 0 ? 0 : (static_cast<std::int64_t>(samples_.Played().size()) - state_.streamSource - out) / out;
    if (chunks < 1) {
        state_.atEnd = true;
        return 0;
    }
    return static_cast<int>(std::min<std::int64_t>(chunks, state_.maxChunks));
}

void OutputEngine::QueueStreamBuffer() {
    const std::span buffer(streamBuffers_.get() + state_.fillIndex * kStreamRoom, kStreamRoom);
    StretchChunks(samples_.Played(), state_.streamSource, state_.chunksInBuffer, geometry_, buffer, streamLag_);
    ++state_.queuedBuffers;
    if (stream_)
        stream_->Write(buffer.data(), static_cast<std::size_t>(state_.chunksInBuffer) * state_.outChunkBytes, 1,
                       BufferTag(streamGeneration_, state_.fillIndex));
}

void OutputEngine::OnBufferDone(int bufferTag) {
    // Notices of buffers given back by a reset carry an older generation; the
    // count taken at the reset misses those of a stream that was at its end.
    if (GenerationOf(bufferTag) != streamGeneration_) {
        if (state_.staleDone > 0) --state_.staleDone;
        return;
    }
    // Notices arrive in order, so every stale one has come before this.
    state_.staleDone = 0;
    --state_.queuedBuffers;
    if (state_.atEnd) {
        if (state_.queuedBuffers <= 0) {
            ResetStreamDevice();
            StopPositionTimer();
        }
        return;
    }
    state_.fillIndex ^= 1;
    state_.streamSource += static_cast<std::uint32_t>(state_.chunksInBuffer) * state_.inChunkBytes;
    if ((state_.chunksInBuffer = ChunksAhead()) == 0) return;
    QueueStreamBuffer();
}

void OutputEngine::BuildKeepLoop(std::uint32_t offset, int keepMode) {
    const std::int64_t window = state_.keepBytes;
    const std::int64_t workBytes = samples_.workBytes;
    // The window begins one window before the offset when there is room for
    // two, and ends half a window before the end of the data.
    std::int64_t start = std::int64_t{offset} - window;
    if (start - window <= 0) start = offset;
    if (start + window + window / 2 >= workBytes) start = workBytes - window / 2 - window;
    const std::uint32_t aligned = Align(static_cast<std::uint32_t>(std::max<std::int64_t>(start, 0)));

    const WaveFormatInfo format = DeviceFormat();
    const auto builder = keepMode == 1 ? DoubleLoop : SingleLoop;
    const std::uint32_t length =
        builder(samples_.Played(), PlayedBytesOf(aligned), PlayedBytesOf(state_.keepBytes), format.nBlockAlign,
                format.nSamplesPerSec, std::span(keepBuffer_.get(), kKeepRoom));
    if (plain_ && length > 0) plain_->Write(keepBuffer_.get(), length, kLoopUntilReset, 0);
}

void OutputEngine::PrepareKeepHeader(std::uint32_t blockFrames) {
    state_.keepBytes = Align(samples_.outputFormat.nBlockAlign * blockFrames);
}

void OutputEngine::PrepareWholeWave(int ffRwStepMs) {
    const WaveFormatInfo& base = samples_.baseOutputFormat;
    state_.totalMs = LengthMs(samples_.workBytes, base);
    SetFfRwStep(ffRwStepMs, base);
}

void OutputEngine::SetFfRwStep(int ffRwStepMs, const WaveFormatInfo& format) {
    const auto step = static_cast<std::uint32_t>(format.nAvgBytesPerSec * static_cast<double>(ffRwStepMs) * 0.001);
    state_.ffStepBytes = format.nBlockAlign == 0 ? step : step - step % format.nBlockAlign;
}

bool OutputEngine::ApplyPitchShift(double factor, std::uint32_t blockFrames, int ffRwStepMs) {
    if (!samples_.loaded) return true;
    state_.startPosition = state_.position;
    if (state_.streamOpen) CloseStreamDevice();
    ClosePlainDevice();
    WaveFormatInfo& format = samples_.outputFormat;
    format = samples_.baseOutputFormat;
    format.nSamplesPerSec = static_cast<std::uint32_t>(WORKING_RATE * factor);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    PrepareKeepHeader(blockFrames);
    const bool reopened = OpenPlainDevice();
    PrepareWholeWave(ffRwStepMs);
    return reopened;
}

void OutputEngine::SetWaveVolume(int percent) {
    if (WaveOutDevice* device = OpenDevice()) device->SetVolume(VolumeLevel(percent));
}

void OutputEngine::StartPositionTimer() {
    if (state_.positionTimerOn) return;
    timers_.StartTimer(kPositionTimerId, kPositionTimerMs);
    state_.positionTimerOn = true;
}

void OutputEngine::StopPositionTimer() {
    if (!state_.positionTimerOn) return;
    timers_.StopTimer(kPositionTimerId);
    state_.positionTimerOn = false;
}

void OutputEngine::OnPositionTimer() {
    WaveOutDevice* device = OpenDevice();
    std::uint64_t played = device ? device->PlayedBytes() : 0;
    // Back to working frames first, rounded down as the working play counts them.
    if (const std::uint32_t blockAlign = samples_.outputFormat.nBlockAlign; samples_.PlaysFullRate())
        played = static_cast<std::uint64_t>(static_cast<double>(played / blockAlign) / samples_.PlayScale()) * blockAlign;
    const double sourcePlayed =
        state_.streamOpen ? static_cast<double>(played) * state_.sourceRatio : static_cast<double>(played);
    const double position = std::min(static_cast<double>(state_.startPosition) + sourcePlayed, 4294967295.0);
    state_.position = Align(static_cast<std::uint32_t>(position));

    if (state_.position >= samples_.workBytes || state_.play == PlayState::Stopped) {
        state_.position = samples_.workBytes;
        hooks_.PlayEnded();
        StopPositionTimer();
        state_.atEnd = true;
        return;
    }
    if (hooks_.RepeatCheck()) return;
    hooks_.ShowPlayPosition(state_.position);
}

}  // namespace earloop
