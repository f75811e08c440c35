#pragma once
// The program's wave output: every device the player opens is a voice of one
// mixer, converted by libsoxr from its own rate (8259 to 22050 Hz for the
// working samples) to the sound card's rate.
//
// Threads: the GUI thread opens voices and hands them buffers (Write, Reset,
// SetVolume, PlayedBytes); whoever drives the card (the PortAudio callback,
// the clock-paced silent output, a capture) calls Render; the GUI thread
// collects the done notices with DeliverEvents and they reach each voice's
// DeviceEvents there, in order. The mixer outlives its devices.
//
// Render takes no lock, allocates nothing and never waits: buffers reach it
// through a ring per voice, resets and the volume through atomics, and done
// notices go back through a ring (see mixer.cpp for who owns what). The GUI
// thread's Reset and closing wait for a Render already running to end, so
// that a buffer given back is never read again.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/audio_ports.h"

namespace earloop {

// A sound the mixer adds after its voices, at the card's rate and without the
// wave volume: the built-in MIDI synthesizer.
class MixerSource {
public:
    virtual ~MixerSource() = default;
    // Audio thread: adds `frames` interleaved stereo frames to `mix`. Takes
    // no lock, allocates nothing, never waits.
    virtual void MixInto(float* mix, std::size_t frames) = 0;
};

class Mixer : public WaveOutput {
public:
    // `latencyFrames`: card frames between Render and the speaker; the played
    // counters and the done notices wait for them. `audible`: false for the
    // silent stand-in for a missing sound card.
    explicit Mixer(std::uint32_t cardRate, std::uint32_t latencyFrames = 0, bool audible = true);
    ~Mixer() override;
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Mono or stereo 16-bit PCM at any rate from 4000 to 192000 Hz; nullptr
    // for anything else or when all 8 voices are taken. A device holds up to
    // 32 buffers not yet done; a Write beyond that is given back at once,
    // unplayed.
    std::unique_ptr<WaveOutDevice> Open(const WaveFormatInfo& format, DeviceEvents* events) override;
    // One wave volume for the whole program, as Windows keeps one per
    // application: this and every device's SetVolume set it for every voice,
    // open or opened later.
    PackedVolume DeviceZeroVolume() override;
    void SetDeviceZeroVolume(PackedVolume volume) override;
    bool Audible() override;
    // GUI thread: the card went away and a silent stand-in renders the mix
    // from now on; Audible says so.
    void FallSilent();

    // GUI thread: `source` is rendered from the next period on, until
    // detached; false when every place for a source is taken.
    bool Attach(MixerSource& source);
    // GUI thread: returns once no Render uses `source` any more, so that it
    // may be freed.
    void Detach(MixerSource& source);

    // Audio thread: `frames` interleaved stereo float frames of the mix at the
    // card rate. Never blocks, never allocates, and renders every voice in
    // full whatever the GUI thread is doing.
    void Render(float* out, std::size_t frames);
    // GUI thread: calls OnWaveOutDone for every done notice since the last
    // call, in the order they happened.
    void DeliverEvents();
    std::uint32_t CardRate() const;
    // Card frames between Render and the speaker.
    std::uint32_t LatencyFrames() const;

    // Any thread, non-blocking. The card's driver reports each period it had
    // to fill with a gap (PortAudio's output underflow flag).
    void CountUnderrun();
    std::uint64_t Underruns() const;
    // Periods in which a voice that had sound to play could not render all
    // of it (its converter failed or stalled).
    std::uint64_t SkippedPeriods() const;

    struct Shared;  // the GUI thread's side, the audio thread's side and what they share

private:
    std::unique_ptr<Shared> shared_;
};

// The mix rendered into memory under a clock the caller moves: exactly what
// a listener would hear. Tests and the companion tool's render use it.
class CaptureOutput {
public:
    explicit CaptureOutput(std::uint32_t cardRate);
    WaveOutput& Output() { return mixer_; }
    Mixer& GetMixer() { return mixer_; }
    // Renders the next `frames` card frames, keeps them, then delivers the
    // done notices they produced.
    void Advance(std::size_t frames);
    // Interleaved stereo, left first, from the capture's start.
    const std::vector<float>& Captured() const { return captured_; }
    std::uint32_t CardRate() const { return mixer_.CardRate(); }

private:
    Mixer mixer_;
    std::vector<float> captured_;
};

// The sound card as the program uses it: PortAudio's default output at the
// card's own rate or, when there is none, a silent output paced by the steady
// clock, so that playback, its position and its done notices still run.
// Either records what it plays when EARLOOP_RECORD_OUTPUT names a file
// (see output_recorder.h).
class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    static std::unique_ptr<AudioBackend> Start();
    virtual WaveOutput& Output() = 0;
    // The same mixer, for the sources beside the voices (the synthesizer).
    virtual Mixer& GetMixer() = 0;
    // GUI thread, every few milliseconds: delivers the done notices (and
    // moves the silent output on to the clock).
    virtual void Pump() = 0;
    // For a log line: which output and rate, or why it is silent.
    virtual std::string Description() const = 0;
};

}  // namespace earloop
