#pragma once
// Repeat play at 37 % and +5 semitones with the Note box analysing, through
// a real mixer under a clock its driver moves: the simulated card of a test
// or the program's own output in real time (bench/soak_bench.cpp). Each tick
// of the position timer compares the position shown with the one played:
// the mark plus the card time heard since the play last started there, at
// the tempo of the stretch's chunks and the shifted rate, so that neither the
// device's counts nor the program's conversions of them are the measure.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own entry (sanitizer/allocator_interface.h, which
// GCC does not install).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "fakes/app_harness.h"
#include "platform/audio/mixer.h"

namespace earloop::testing {

// Bytes of the heap in use: the sanitizer's count under AddressSanitizer,
// the C library's otherwise.
inline std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

struct SoakFigures {
    std::uint64_t ticks = 0;
    std::uint64_t repeats = 0;
    double worstDriftMs = 0;  // the shown position against the played one
    std::uint64_t boxes = 0;  // message boxes shown: none expected
    // Periods the card filled with a gap, and periods a voice could not render in full.
    std::uint64_t underruns = 0, skippedPeriods = 0;
};

class RepeatSoak {
public:
    static constexpr int kSpeedPercent = 37;
    static constexpr int kShift = 5;
    static constexpr int kRepeatEndMs = 5000;

    explicit RepeatSoak(Mixer& mixer) : mixer_(mixer), h_(mixer) {}

    // Twenty seconds of a three-note chord at 22.05 kHz stereo, the Note box
    // open, the shift and the speed set, the mark at the start and the repeat
    // end moved on to 5 s. False when the program did not start.
    bool Prepare() {
        if (!h_.Start()) return false;
        constexpr std::uint32_t kRate = 22050;
        std::vector<std::int16_t> samples;
        for (std::uint32_t i = 0; i < 20 * kRate; ++i) {
            double value = 0;
            for (double hz : {261.63, 329.63, 392.0}) value += std::sin(2 * std::numbers::pi * hz * i / kRate);
            samples.insert(samples.end(), 2, static_cast<std::int16_t>(6000 * value));
        }
        h_.Load(std::move(samples), 2, kRate);
        h_.app.Command(ControlId::OpenNoteBox);
        for (int i = 0; i < kShift; ++i) h_.app.Command(ControlId::ShiftUp);
        h_.app.SpeedSliderChanged(kSpeedPercent);
        h_.app.Command(ControlId::MarkSet);
        h_.app.Command(ControlId::RepeatSet);
        for (int step = 0; step < 10 && h_.app.Marks().repeatEndMs < kRepeatEndMs; ++step)
            h_.app.Command(ControlId::RepeatLater);
        return h_.app.Marks().repeatEndMs >= kRepeatEndMs;
    }

    // Play, at the card's `nowMs`.
    bool Play(double nowMs) {
        h_.app.Command(ControlId::Play);
        startedAtMs_ = nowMs;
        lastShownMs_ = 0;
        return h_.app.Playback().play == PlayState::Playing;
    }

    // The position timer at the card's `nowMs`, when it runs.
    void Tick(double nowMs) {
        h_.timers.nowMs = static_cast<std::uint64_t>(nowMs);
        if (!h_.timers.Running(kPositionTimerId)) return;
        h_.app.Timer(kPositionTimerId);
        const double shown = ShownMs();
        const double markMs = h_.app.Marks().markMs;
        // A turn back to the mark shows the mark and restarts the output from it now.
        if (shown <= markMs && lastShownMs_ > markMs) {
            startedAtMs_ = nowMs;
            ++figures_.repeats;
        }
        lastShownMs_ = shown;
        const double latencyMs = 1000.0 * mixer_.LatencyFrames() / mixer_.CardRate();
        const double heard = std::max(0.0, nowMs - startedAtMs_ - latencyMs);
        const double played = markMs + heard * Tempo();
        figures_.worstDriftMs = std::max(figures_.worstDriftMs, std::abs(shown - played));
        ++figures_.ticks;
        figures_.boxes += h_.dialogs.boxes.size();
        figures_.underruns = mixer_.Underruns();
        figures_.skippedPeriods = mixer_.SkippedPeriods();
        // What the fakes keep of each tick goes, so that only the program can grow.
        h_.dialogs.boxes.clear();
        h_.window.events.clear();
        h_.text.calls.clear();
        h_.midiOut.log.clear();
    }

    const SoakFigures& Figures() const { return figures_; }
    BasicAppHarness<FakeMidiOutput>& Harness() { return h_; }

private:
    // Source time played per second heard: the stretch's chunks of source
    // per chunk of output, played at the shifted rate (37 % slows the
    // shifted play, which +5 makes faster: about 0.49).
    double Tempo() const {
        const PlaybackState& p = h_.app.Playback();
        const SampleStore& s = h_.app.Samples();
        return static_cast<double>(p.inChunkBytes) / p.outChunkBytes * s.outputFormat.nSamplesPerSec /
               s.baseOutputFormat.nSamplesPerSec;
    }

    // The time readout: " 1234 msec / 20000 msec ".
    double ShownMs() const { return std::stod(h_.window.statusTexts.at(1)); }

    Mixer& mixer_;
    BasicAppHarness<FakeMidiOutput> h_;
    double startedAtMs_ = 0;
    double lastShownMs_ = 0;
    SoakFigures figures_;
};

}  // namespace earloop::testing
