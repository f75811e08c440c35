// How much of each audio period the mixer's work takes.
//
//   earloop_mixer_bench [seconds]
//
// Renders `seconds` (default 20) of a looped stereo voice at 22050 Hz into a
// 48000 Hz card, the highest rate the player uses, then of eight such voices
// (seven more started in one period, or a period apart), in periods of 256
// and 1024 frames, and
// prints the work per period as a percent of the period: the mean, the
// 99.9th percentile and the worst period, and apart the worst period of the
// first 0.25 s after voices start (while the converters read ahead). The
// work is timed by the thread's CPU clock, so that time spent preempted on a
// busy machine does not count as work. Then the same through libsoxr's HQ and
// MQ recipes alone, and eight voices rendered by a card thread paced in real
// time while the GUI thread resets and rewrites a voice and changes the
// volume every millisecond: there the periods that ended after their deadline
// (underruns: the card would have played a gap) and the periods the mixer
// could not render in full (skipped) are counted. Last, the time a restart
// costs the GUI thread. (That rendering allocates nothing is a test:
// tests/audio_thread.)

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

#include <time.h>

#include "platform/audio/mixer.h"
#include "platform/audio/resampler.h"
#include "platform/midi/midi_output.h"

namespace {

using Clock = std::chrono::steady_clock;

// The calling thread's CPU time: the work of a period without the time the
// thread spent preempted, which on a busy machine would swamp it.
struct ThreadCpuClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ThreadCpuClock>;
    static constexpr bool is_steady = true;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
    }
};

constexpr std::uint32_t kCard = 48000, kVoiceRate = 22050;

std::vector<std::uint8_t> Tone(std::size_t frames) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < frames; ++i)
        for (double hz : {441.0, 662.0}) {
            const double t = static_cast<double>(i) / kVoiceRate;
            const auto s = static_cast<std::uint16_t>(std::lround(9000 * std::sin(2 * std::numbers::pi * hz * t)));
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(s & 0xFF), static_cast<std::uint8_t>(s >> 8)});
        }
    return bytes;
}

// Percent of the period. Each converter reads ahead for a while after its
// voice starts, so the first kStartSeconds are summed up apart.
struct Figures {
    double mean = 0, p999 = 0, worst = 0;  // after the start
    double start = 0;                      // the worst period of the start
};
constexpr double kStartSeconds = 0.25;

Figures Summarise(const std::vector<double>& percent, std::size_t period) {
    const auto startPeriods =
        std::min(percent.size() - 1, static_cast<std::size_t>(kStartSeconds * kCard / static_cast<double>(period)));
    Figures f;
    f.start = *std::max_element(percent.begin(), percent.begin() + static_cast<std::ptrdiff_t>(startPeriods) + 1);
    std::vector<double> steady(percent.begin() + static_cast<std::ptrdiff_t>(startPeriods), percent.end());
    for (double p : steady) f.mean += p / static_cast<double>(steady.size());
    std::sort(steady.begin(), steady.end());
    f.p999 = steady[(steady.size() - 1) * 999 / 1000];
    f.worst = steady.back();
    return f;
}

double PeriodNs(std::size_t period) { return 1e9 * static_cast<double>(period) / kCard; }

// Times `render(period)` once per period for `seconds` of card time, back to back.
template <typename Render>
Figures TimePeriods(std::size_t period, double seconds, Render render) {
    const auto periods = static_cast<std::size_t>(seconds * kCard / static_cast<double>(period));
    std::vector<double> percent;
    for (std::size_t i = 0; i < periods; ++i) {
        const auto start = ThreadCpuClock::now();
        render(period);
        const double ns = static_cast<double>((ThreadCpuClock::now() - start).count());
        percent.push_back(100 * ns / PeriodNs(period));
    }
    return Summarise(percent, period);
}

// A card thread renders one period per period of real time for `seconds`,
// as PortAudio's callback would, while the GUI thread calls `gui` every
// millisecond. A period whose work ends after its deadline by the steady
// clock (late work, or the thread not run in time) is an underrun.
template <typename Gui>
Figures CardThread(earloop::Mixer& mixer, std::size_t period, double seconds, Gui gui) {
    const auto periods = static_cast<std::size_t>(seconds * kCard / static_cast<double>(period));
    const auto step = std::chrono::nanoseconds(static_cast<std::int64_t>(PeriodNs(period)));
    std::vector<double> percent;
    percent.reserve(periods);
    std::atomic<bool> done{false};
    std::thread card([&] {
        std::vector<float> out(2 * period);
        auto deadline = Clock::now();
        for (std::size_t i = 0; i < periods; ++i) {
            deadline += step;
            const auto work = ThreadCpuClock::now();
            mixer.Render(out.data(), period);
            percent.push_back(100 * static_cast<double>((ThreadCpuClock::now() - work).count()) / PeriodNs(period));
            const auto end = Clock::now();
            if (end > deadline) {
                mixer.CountUnderrun();
                deadline = end;
            }
            std::this_thread::sleep_until(deadline);
        }
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) {
        gui();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    card.join();
    return Summarise(percent, period);
}

void Print(const char* what, std::size_t period, const Figures& f) {
    std::printf("%-44s %4zu frames: mean %5.2f %%, 99.9 %% of periods under %5.2f %%, worst %5.2f %%; start %5.2f %%\n",
                what, period, f.mean, f.p999, f.worst, f.start);
}

}  // namespace

// The built-in synthesizer beside the mixer's voices, holding the Note box's
// chord on its program, as while "Play Notes by MIDI" sounds.
template <typename Render>
void TimeWithSynthesizerChord(earloop::Mixer& mixer, std::size_t period, double seconds, Render render) {
    earloop::SystemMidiOutput midi(mixer);
    const auto synth = midi.Open(earloop::kMidiMapper);
    if (!synth) {
        std::printf("no built-in synthesizer (TimGM6mb.sf2 missing): its run is left out\n");
        return;
    }
    synth->ShortMessage(0xC0 | 22 << 8);
    for (int note : {48, 60, 64, 67, 72, 76}) synth->ShortMessage(0x90 | note << 8 | 100 << 16);
    Print("mixer, those and a six-note synthesizer chord", period, TimePeriods(period, seconds, render));
}

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const auto tone = Tone(kVoiceRate);  // 1 s, looped
    const auto format = earloop::Pcm16Format(2, kVoiceRate);
    std::vector<float> out(2 * 1024);
    std::uint64_t skipped = 0;

    for (std::size_t period : {256u, 1024u}) {
        earloop::Mixer mixer(kCard);
        auto voice = mixer.Open(format, nullptr);
        voice->Write(tone.data(), tone.size(), earloop::kLoopUntilReset, 1);
        auto render = [&](std::size_t frames) { mixer.Render(out.data(), frames); };
        Print("mixer, one 22050 Hz stereo voice, 48000 Hz", period, TimePeriods(period, seconds, render));

        // Started in the same period, the converters do their block work in
        // the same periods; started a period apart, as voices the user starts
        // are, they take turns.
        for (bool together : {true, false}) {
            std::vector<std::unique_ptr<earloop::WaveOutDevice>> more;
            for (int i = 0; i < 7; ++i) {
                more.push_back(mixer.Open(format, nullptr));
                more.back()->Write(tone.data(), tone.size(), earloop::kLoopUntilReset, 1);
                if (!together) render(period);
            }
            Print(together ? "mixer, eight such voices started together" : "mixer, eight such voices a period apart",
                  period, TimePeriods(period, seconds, render));
            if (!together) TimeWithSynthesizerChord(mixer, period, seconds, render);
        }
        skipped += mixer.SkippedPeriods();
    }

    using Quality = earloop::Resampler::Quality;
    for (auto [quality, name] : {std::pair{Quality::High, "libsoxr HQ alone"}, {Quality::Medium, "libsoxr MQ alone"}}) {
        auto r = earloop::Resampler::Create(kVoiceRate, kCard, 2, quality);
        std::vector<float> steady(2 * earloop::kMaxInputFrames, 0.25f);
        Print(name, 256, TimePeriods(256, seconds, [&](std::size_t frames) {
                  std::size_t got = r->Drain(out.data(), frames);
                  while (got < frames) {
                      const std::size_t in = r->InputFor(frames - got);
                      got += r->Process(steady.data(), in, out.data() + 2 * got, frames - got);
                  }
              }));
    }

    {
        earloop::Mixer mixer(kCard);
        std::vector<std::unique_ptr<earloop::WaveOutDevice>> voices;
        for (int i = 0; i < 8; ++i) {
            voices.push_back(mixer.Open(format, nullptr));
            voices.back()->Write(tone.data(), tone.size(), earloop::kLoopUntilReset, 1);
        }
        earloop::PackedVolume volume = 0;
        const Figures f = CardThread(mixer, 256, seconds / 4, [&] {
            voices[0]->Reset();
            voices[0]->Write(tone.data(), tone.size(), earloop::kLoopUntilReset, 1);
            mixer.SetDeviceZeroVolume(volume += 0x00010001);
        });
        Print("card thread, eight voices, GUI thread busy", 256, f);
        skipped += mixer.SkippedPeriods();
        std::printf("card thread: %llu underruns in %.0f s of periods\n",
                    static_cast<unsigned long long>(mixer.Underruns()), seconds / 4);
    }
    std::printf("skipped periods, all runs: %llu\n", static_cast<unsigned long long>(skipped));

    earloop::Mixer mixer(kCard);
    auto voice = mixer.Open(format, nullptr);
    double worstMs = 0;
    for (int i = 0; i < 20; ++i) {
        voice->Write(tone.data(), tone.size(), 1, 1);
        mixer.Render(out.data(), 256);
        const auto start = Clock::now();
        voice->Reset();
        voice->Write(tone.data(), tone.size(), 1, 1);
        worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("GUI thread: Reset and the Write that restarts the voice, worst %.2f ms\n", worstMs);
    return 0;
}
