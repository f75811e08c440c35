#include "platform/midi/synth_device.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>

#include "platform/audio/spsc_ring.h"

namespace earloop {

namespace {

// Messages the GUI thread may send between two periods: the tuning at start-up
// is about a hundred.
constexpr std::size_t kEventSlots = 1024;
// FluidSynth renders in 64-frame blocks; this many frames per call.
constexpr std::size_t kChunkFrames = 256;
// Voices sounding at once; General MIDI asks for 24, a chord and a held
// reference tone need far fewer, and each voice costs rendering time.
constexpr int kPolyphony = 64;
// The gain at full volume. FluidSynth's own 0.2 puts one note near -33 dBFS,
// too quiet beside the wave; 1.0 puts a note near -19 dBFS, so that a chord
// still has room before the mix is clipped.
constexpr float kFullVolumeGain = 1.0f;

// Linear in the louder half of the packed volume, as a wave volume is.
float GainOf(PackedVolume volume) {
    const auto louder = std::max(volume & 0xFFFFu, volume >> 16);
    return kFullVolumeGain * static_cast<float>(louder) / 65535.0f;
}

// What the GUI thread asks of the synthesizer, in order.
struct SynthEvent {
    bool reset = false;          // all notes off on every channel
    std::uint32_t message = 0;   // else this short message
};

// Threads: the GUI thread creates, attaches, detaches and frees it and pushes
// events and the gain; after attaching, only the audio thread calls FluidSynth.
class SynthSource final : public MixerSource {
public:
    ~SynthSource() override {
        if (synth_) delete_fluid_synth(synth_);
        if (settings_) delete_fluid_settings(settings_);
    }

    // GUI thread.
    bool Load(const std::string& soundFont, std::uint32_t rate) {
        // FluidSynth's messages go to stderr through stdio, which locks, and
        // some come from the audio thread (a note beyond the polyphony); a
        // failed load is reported as the device failing to open.
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
        settings_ = new_fluid_settings();
        if (!settings_) return false;
        // Only the audio thread calls the synthesizer once it is attached, so
        // FluidSynth's own mutex is left out: the callback takes no lock.
        fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
        // Rendered at the card's rate: no converter and no added delay, and
        // FluidSynth tunes every sample to whatever rate it renders at.
        fluid_settings_setnum(settings_, "synth.sample-rate", rate);
        fluid_settings_setint(settings_, "synth.polyphony", kPolyphony);
        fluid_settings_setint(settings_, "synth.cpu-cores", 1);
        // The whole font in memory at load: nothing is read from disk (or
        // allocated) while a note starts.
        fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 0);
        // Dry: the chorus detunes copies of a reference tone, and a reverb
        // tail would outlast a reset.
        fluid_settings_setint(settings_, "synth.reverb.active", 0);
        fluid_settings_setint(settings_, "synth.chorus.active", 0);
        fluid_settings_setnum(settings_, "synth.gain", kFullVolumeGain);
        synth_ = new_fluid_synth(settings_);
        return synth_ && fluid_synth_sfload(synth_, soundFont.c_str(), 1) != FLUID_FAILED;
    }

    // GUI thread. A message beyond a full queue is lost; the queue holds ten
    // times what the program sends at once.
    void Post(const SynthEvent& event) { events_.TryPush(event); }
    void SetVolume(PackedVolume volume) {
        volume_ = volume;
        gain_.store(GainOf(volume), std::memory_order_relaxed);
    }
    PackedVolume Volume() const { return volume_; }

    // Audio thread.
    void MixInto(float* mix, std::size_t frames) override {
        const std::uint64_t end = events_.Available();
        for (std::uint64_t n = events_.Popped(); n < end; ++n) Apply(events_.At(n));
        events_.PopUntil(end);
        const float gain = gain_.load(std::memory_order_relaxed);
        if (gain != appliedGain_) fluid_synth_set_gain(synth_, appliedGain_ = gain);
        for (std::size_t at = 0; at < frames; at += kChunkFrames) {
            const std::size_t n = std::min(kChunkFrames, frames - at);
            fluid_synth_write_float(synth_, static_cast<int>(n), left_.data(), 0, 1, right_.data(), 0, 1);
            float* out = mix + at * 2;
            for (std::size_t i = 0; i < n; ++i) {
                out[2 * i] += left_[i];
                out[2 * i + 1] += right_[i];
            }
        }
    }

private:
    void Apply(const SynthEvent& event) {
        if (event.reset) {
            // Ended at once, not released: a reset is heard as silence.
            fluid_synth_all_notes_off(synth_, -1);
            fluid_synth_all_sounds_off(synth_, -1);
            return;
        }
        const int status = static_cast<int>(event.message & 0xFF);
        const int channel = status & 0x0F;
        const int data1 = static_cast<int>(event.message >> 8 & 0x7F);
        const int data2 = static_cast<int>(event.message >> 16 & 0x7F);
        switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
        case 0x90: fluid_synth_noteon(synth_, channel, data1, data2); break;  // velocity 0: note off
        case 0xA0: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
        case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;  // RPNs included
        case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
        case 0xD0: fluid_synth_channel_pressure(synth_, channel, data1); break;
        case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
        default: break;  // system messages mean nothing to the synthesizer
        }
    }

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    PackedVolume volume_ = 0xFFFFFFFF;  // GUI thread's
    // The GUI thread pushes and writes; the audio thread pops and reads.
    SpscRing<SynthEvent, kEventSlots> events_;
    std::atomic<float> gain_{kFullVolumeGain};
    // The audio thread's.
    float appliedGain_ = kFullVolumeGain;
    std::array<float, kChunkFrames> left_{}, right_{};
};

// Every call comes from the GUI thread.
class SynthDevice final : public MidiOutDevice {
public:
    SynthDevice(Mixer& mixer, std::unique_ptr<SynthSource> source) : mixer_(mixer), source_(std::move(source)) {}
    ~SynthDevice() override { mixer_.Detach(*source_); }

    void ShortMessage(std::uint32_t packed) override { source_->Post({false, packed}); }
    void Reset() override { source_->Post({true, 0}); }
    PackedVolume Volume() override { return source_->Volume(); }
    void SetVolume(PackedVolume volume) override { source_->SetVolume(volume); }

private:
    Mixer& mixer_;
    std::unique_ptr<SynthSource> source_;
};

}  // namespace

std::unique_ptr<MidiOutDevice> OpenSynthDevice(Mixer& mixer, const std::string& soundFont) {
    auto source = std::make_unique<SynthSource>();
    if (!source->Load(soundFont, mixer.CardRate()) || !mixer.Attach(*source)) return nullptr;
    return std::make_unique<SynthDevice>(mixer, std::move(source));
}

}  // namespace earloop
