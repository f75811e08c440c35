// What one analysis tick costs, and our FFT against FFTW.
//
//   earloop_analysis_bench [ticks]
//
// The input is 6 s of a stereo chord at the working rate, 11025 Hz: C3 in the
// bass under C4, E4 and G4, each with six harmonics, the right channel a
// little detuned and delayed, each note with its own attack and slow decay,
// and a little noise.
//
// 1. The analysis tick at 2048 points (Sampling Time "precision"), as the
//    play tick runs it: AnalysisPosition, ComputeSpectrum, BuildPitchLevels,
//    DetectNotes, NameChords and NameBassNote, and the drawing of the
//    spectrum strip and the detail view into the client picture (the window
//    port does nothing with it). `ticks` (default 5000) ticks at play
//    positions spread over the whole wave; the median, 99th percentile and
//    worst tick as a share of the 100 ms tick period, and the median of each
//    stage. On a busy machine a preemption shows in the worst tick.
// 2. Fft against FFTW's complex transform (FFTW_MEASURE plans) on the same
//    2048-point mixed blocks ComputeSpectrum transforms, in this run: time per
//    transform, the ratio ours / FFTW, and the largest difference between the
//    two after our 1/sqrt(N) scaling. Built without FFTW (no fftw3 through
//    pkg-config), the comparison is left out and the program says so.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "analysis/analysis_parameters.h"
#include "analysis/chord_naming.h"
#include "analysis/note_detection.h"
#include "analysis/spectrum.h"
#include "display/main_view.h"
#include "platform/null_devices.h"

#ifdef EARLOOP_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kRate = 11025;
constexpr int kChannels = 2;
constexpr std::uint32_t kBlockAlign = 4;
constexpr double kSeconds = 6.0;
constexpr double kTickMs = 100.0;
constexpr int kPoints = 2048;

double Ns(Clock::time_point from, Clock::time_point to) {
    return static_cast<double>(std::chrono::nanoseconds(to - from).count());
}

// 16-bit little-endian stereo frames of the chord.
std::vector<std::uint8_t> Chord() {
    struct Note {
        double hz, amplitude, attackAt;
    };
    const Note notes[] = {{130.81, 3500, 0.0}, {261.63, 2600, 0.05}, {329.63, 2200, 0.1}, {392.00, 2200, 0.15}};
    const auto frames = static_cast<std::size_t>(kSeconds * kRate);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 40.0);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(frames * kBlockAlign);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        for (int channel = 0; channel < kChannels; ++channel) {
            const double detune = channel == 0 ? 1.0 : 1.0015;
            const double tc = t - channel * 0.0007;
            double v = noise(random);
            for (const Note& n : notes) {
                const double since = tc - n.attackAt;
                if (since < 0) continue;
                const double envelope = std::min(since / 0.02, 1.0) * std::exp(-since / 4.0);
                for (int h = 1; h <= 6; ++h) {
                    const double hz = n.hz * h * detune;
                    if (hz >= kRate / 2.0) break;
                    v += n.amplitude * envelope / h * std::sin(2 * std::numbers::pi * hz * since + h);
                }
            }
            const auto s = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
            bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(s >> 8));
        }
    }
    return bytes;
}

// The window port, dialogs and text of a program that shows nothing.
struct NullWindow : earloop::WindowPort {
    earloop::ControlHandle CreateControl(const earloop::ControlSpec&) override { return 0; }
    void EnableControl(earloop::ControlHandle, bool) override {}
    void ShowControl(earloop::ControlHandle, bool) override {}
    void SetControlText(earloop::ControlHandle, const std::string&) override {}
    void CheckControl(earloop::ControlHandle, bool) override {}
    void SetSliderRange(earloop::ControlHandle, int, int) override {}
    void SetSliderTicks(earloop::ControlHandle, int, int) override {}
    void SetSliderPosition(earloop::ControlHandle, int) override {}
    void SetProgressRange(earloop::ControlHandle, int, int) override {}
    void SetProgressValue(earloop::ControlHandle, int) override {}
    void PresentControl(earloop::ControlHandle, const earloop::FrameBuffer&) override {}
    void DescribeDrawnText(const std::string&, earloop::Rect, const std::string&) override {}
    void CreateStatusBar(const std::vector<int>&) override {}
    void SetStatusText(int, const std::string&) override {}
    void SetIcon(const earloop::FrameBuffer&) override {}
    void SetMenu(const std::vector<earloop::MenuSpec>&) override {}
    void CheckMenuItem(int, bool) override {}
    bool SetAccelerators(const std::vector<earloop::Accelerator>&) override { return true; }
    void Present(const earloop::FrameBuffer&, earloop::Rect) override {}
    void Invalidate(earloop::Rect) override {}
    void Show() override {}
    void EnableWindow(bool) override {}
    void Raise() override {}
    void AcceptDroppedFiles() override {}
    void SetBusyCursor(bool) override {}
    void RequestClose() override {}
};
struct NullText : earloop::TextRenderer {
    void DrawText(earloop::FrameBuffer&, earloop::Point, std::string_view, const earloop::FontSpec&, earloop::Rgb,
                  std::optional<earloop::Rgb>) override {}
};

// Stages of one tick, in nanoseconds.
enum Stage { kPosition, kSpectrum, kLevels, kNotes, kChords, kStrip, kDetail, kStages };
const char* const kStageNames[kStages] = {
    "AnalysisPosition", "ComputeSpectrum (mix, FFT, magnitudes)", "BuildPitchLevels",
    "DetectNotes", "NameChords + NameBassNote", "MainView::DrawSpectrum (the strip)",
    "MainView::DrawDetailView"};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1))];
}

void TickBench(std::span<const std::uint8_t> samples, int ticks) {
    using namespace earloop;
    NullWindow window;
    QuietDialogs dialogs;
    NullText text;
    MainWindow mainWindow;
    MainView view(window, dialogs, text, mainWindow);
    view.Pictures().spectrumGrid = FrameBuffer(600, 90);

    AnalysisParameters parameters;
    parameters.blockMode = 3;
    auto state = std::make_unique<SpectrumState>();
    state->block = SetAnalysisBlock(kRate, parameters.blockMode, parameters.analysisRange);
    parameters.analysisPoints = state->block.points;
    parameters.pitchBase = state->block.pitchBase;
    const std::uint32_t blockBytes = static_cast<std::uint32_t>(parameters.analysisPoints) * kBlockAlign;
    const auto workBytes = static_cast<std::uint32_t>(samples.size());
    constexpr int kDisplayCount = 5;

    std::vector<double> total, stage[kStages];
    std::map<std::string, int> chordTexts;
    std::vector<int> midiNotes;
    // Positions walk the wave by a step prime to its frames, so that they
    // cover it evenly in no simple order; the first 100 ticks warm up.
    const std::uint32_t frames = workBytes / kBlockAlign;
    const std::uint32_t step = 7919;
    for (int i = -100; i < ticks; ++i) {
        const std::uint32_t position =
            static_cast<std::uint32_t>((static_cast<std::uint64_t>(i + 100) * step) % frames) * kBlockAlign;
        Clock::time_point t[kStages + 1];
        t[0] = Clock::now();
        const std::uint32_t at = AnalysisPosition(position, blockBytes, workBytes, kBlockAlign);
        t[1] = Clock::now();
        ComputeSpectrum(samples, at, state->block.points, kBlockAlign, kChannels, {}, state->buffers);
        t[2] = Clock::now();
        BuildPitchLevels(state->block, state->buffers.spectrum, state->pitchLevel);
        t[3] = Clock::now();
        std::optional<NoteDetection> found = DetectNotes(state->pitchLevel, parameters, 0);
        t[4] = Clock::now();
        std::string chord, bass;
        if (found) {
            midiNotes.clear();
            for (const DetectedNote& n : found->detectedNotes) midiNotes.push_back(n.midiNote);
            chord = NameChords(midiNotes, kDisplayCount, ChordMode::Simple, AccidentalStyle::Sharps);
            if (!found->sortedNotes.empty())
                bass = NameBassNote(found->sortedNotes.front().midiNote, found->sortedNotes.front().offCentre != 0,
                                    AccidentalStyle::Sharps);
        }
        t[5] = Clock::now();
        view.DrawSpectrum(state->pitchLevel, state->buffers.blockPeak, parameters.clipLevel, 0);
        t[6] = Clock::now();
        view.DrawDetailView({.samples = samples,
                             .position = at,
                             .windowBytes = blockBytes,
                             .blockAlign = kBlockAlign,
                             .channels = kChannels});
        t[7] = Clock::now();
        if (i < 0) continue;
        total.push_back(Ns(t[0], t[kStages]));
        for (int s = 0; s < kStages; ++s) stage[s].push_back(Ns(t[s], t[s + 1]));
        std::string shown = chord;
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        std::replace(shown.begin(), shown.end(), '\r', ' ');
        ++chordTexts[shown + " / " + bass];
    }

    std::printf("1. One analysis tick at %d points, %d ticks over %.0f s of a stereo chord at %u Hz\n",
                state->block.points, ticks, kSeconds, kRate);
    std::printf("   (share of the %.0f ms tick period)\n\n", kTickMs);
    auto share = [](double ns) { return 100.0 * ns / (kTickMs * 1e6); };
    std::printf("   %-42s %10s %10s %10s\n", "", "median", "99th pct", "worst");
    for (int s = 0; s < kStages; ++s)
        std::printf("   %-42s %7.1f us %7.1f us %7.1f us\n", kStageNames[s], Percentile(stage[s], 50) / 1e3,
                    Percentile(stage[s], 99) / 1e3, Percentile(stage[s], 100) / 1e3);
    const double median = Percentile(total, 50), p99 = Percentile(total, 99), worst = Percentile(total, 100);
    std::printf("   %-42s %7.1f us %7.1f us %7.1f us\n", "whole tick", median / 1e3, p99 / 1e3, worst / 1e3);
    std::printf("   %-42s %8.3f %% %8.3f %% %8.3f %%\n", "whole tick / tick period", share(median), share(p99),
                share(worst));
    std::printf("\n   Most frequent chord / bass texts (a check that the analysis hears the chord):\n");
    std::vector<std::pair<int, std::string>> ranked;
    for (const auto& [textShown, count] : chordTexts) ranked.emplace_back(count, textShown);
    std::sort(ranked.rbegin(), ranked.rend());
    for (std::size_t i = 0; i < std::min<std::size_t>(3, ranked.size()); ++i)
        std::printf("     %5.1f %% of ticks: \"%s\"\n", 100.0 * ranked[i].first / ticks, ranked[i].second.c_str());
}

// The 2048-frame blocks ComputeSpectrum transforms: the DC offset of 1000
// frames removed, the channels mixed to one at half size.
std::vector<std::vector<double>> MixedBlocks(std::span<const std::uint8_t> samples, int count) {
    auto sample = [&](std::size_t offset) {
        return static_cast<int>(static_cast<std::int16_t>(samples[offset] | (samples[offset + 1] << 8)));
    };
    const std::size_t frames = samples.size() / kBlockAlign;
    std::vector<std::vector<double>> blocks;
    for (int b = 0; b < count; ++b) {
        const std::size_t start = (frames - kPoints) * static_cast<std::size_t>(b) / static_cast<std::size_t>(count);
        long long sumL = 0, sumR = 0;
        for (std::size_t f = start; f < start + 1000; ++f) {
            sumL += sample(f * kBlockAlign);
            sumR += sample(f * kBlockAlign + 2);
        }
        const int mL = static_cast<int>(sumL / 1000), mR = static_cast<int>(sumR / 1000);
        std::vector<double> block(kPoints);
        for (std::size_t i = 0; i < kPoints; ++i) {
            const std::size_t f = (start + i) * kBlockAlign;
            block[i] = static_cast<std::int16_t>((sample(f) - mL) / 2 + (sample(f + 2) - mR) / 2);
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// Mean nanoseconds per call of `transform(block)` over all blocks, best of 7 rounds.
template <typename Transform>
double TimePerTransform(const std::vector<std::vector<double>>& blocks, int repeats, Transform transform) {
    double best = 1e300;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        for (int r = 0; r < repeats; ++r)
            for (const auto& block : blocks) transform(block);
        best = std::min(best, Ns(start, Clock::now()) / (static_cast<double>(repeats) * blocks.size()));
    }
    return best;
}

void FftBench(std::span<const std::uint8_t> samples) {
    const auto blocks = MixedBlocks(samples, 32);
    const int repeats = 40;
    std::vector<double> re(kPoints), im(kPoints);
    double sink = 0;
    auto ours = [&](const std::vector<double>& block) {
        std::copy(block.begin(), block.end(), re.begin());
        std::fill(im.begin(), im.end(), 0.0);
        earloop::Fft(1, re, im);
        sink += re[1];
    };
    std::printf("\n2. Fft against FFTW, complex %d-point transforms of %zu mixed blocks of the chord\n", kPoints,
                blocks.size());
    std::printf("   (each call copies the block into the work arrays first; best of 7 rounds of %d passes)\n\n",
                repeats);

#ifndef EARLOOP_HAVE_FFTW
    const double oursNs = TimePerTransform(blocks, repeats, ours);
    std::printf("   %-44s %8.2f us per transform\n", "ours: Fft(1, re, im), in place", oursNs / 1e3);
    std::printf("   FFTW comparison left out: built without FFTW (no fftw3 found through pkg-config;\n"
                "   scripts/bench.sh analysis installs Debian's libfftw3-dev)\n");
#else
    fftw_complex* inPlace = fftw_alloc_complex(kPoints);
    fftw_complex* in = fftw_alloc_complex(kPoints);
    fftw_complex* out = fftw_alloc_complex(kPoints);
    // FFTW_MEASURE overwrites the arrays while planning: plan first, fill after.
    fftw_plan planInPlace = fftw_plan_dft_1d(kPoints, inPlace, inPlace, FFTW_FORWARD, FFTW_MEASURE);
    fftw_plan planOut = fftw_plan_dft_1d(kPoints, in, out, FFTW_FORWARD, FFTW_MEASURE);
    fftw_plan planBackward = fftw_plan_dft_1d(kPoints, in, out, FFTW_BACKWARD, FFTW_MEASURE);
    auto fftwInPlace = [&](const std::vector<double>& block) {
        for (std::size_t i = 0; i < kPoints; ++i) inPlace[i][0] = block[i], inPlace[i][1] = 0.0;
        fftw_execute(planInPlace);
        sink += inPlace[1][0];
    };
    auto fftwOutOfPlace = [&](const std::vector<double>& block) {
        for (std::size_t i = 0; i < kPoints; ++i) in[i][0] = block[i], in[i][1] = 0.0;
        fftw_execute(planOut);
        sink += out[1][0];
    };
    // Interleaved so that a change in the machine's speed touches all three alike.
    double oursNs = 1e300, inPlaceNs = 1e300, outNs = 1e300;
    for (int pass = 0; pass < 3; ++pass) {
        oursNs = std::min(oursNs, TimePerTransform(blocks, repeats, ours));
        inPlaceNs = std::min(inPlaceNs, TimePerTransform(blocks, repeats, fftwInPlace));
        outNs = std::min(outNs, TimePerTransform(blocks, repeats, fftwOutOfPlace));
    }
    std::printf("   %-44s %8.2f us per transform\n", "ours: Fft(1, re, im), in place", oursNs / 1e3);
    std::printf("   %-44s %8.2f us per transform\n", "FFTW: fftw_plan_dft_1d, in place", inPlaceNs / 1e3);
    std::printf("   %-44s %8.2f us per transform\n", "FFTW: fftw_plan_dft_1d, out of place", outNs / 1e3);
    std::printf("   ratio ours / FFTW in place     %6.2f\n", oursNs / inPlaceNs);
    std::printf("   ratio ours / FFTW out of place %6.2f\n", oursNs / outNs);

    // Agreement: ours times sqrt(N) against FFTW, both directions (sign 1 is
    // FFTW_FORWARD, e^(-2 pi i k n / N); sign -1 is FFTW_BACKWARD). The block
    // also goes in as the imaginary part of a second input, so that the
    // imaginary path is checked.
    const double scale = std::sqrt(static_cast<double>(kPoints));
    double worstAbs[2] = {0, 0}, largest[2] = {0, 0};
    for (int direction = 0; direction < 2; ++direction) {
        const int sign = direction == 0 ? 1 : -1;
        const fftw_plan plan = direction == 0 ? planOut : planBackward;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const auto& block = blocks[b];
            const auto& other = blocks[(b + 1) % blocks.size()];
            for (std::size_t i = 0; i < kPoints; ++i) {
                re[i] = in[i][0] = block[i];
                im[i] = in[i][1] = (b % 2) ? other[i] : 0.0;
            }
            earloop::Fft(sign, re, im);
            fftw_execute(plan);
            for (std::size_t k = 0; k < kPoints; ++k) {
                worstAbs[direction] = std::max({worstAbs[direction], std::abs(re[k] * scale - out[k][0]),
                                                std::abs(im[k] * scale - out[k][1])});
                largest[direction] = std::max(largest[direction], std::hypot(out[k][0], out[k][1]));
            }
        }
    }
    std::printf("\n   Agreement over all %zu blocks, ours x sqrt(%d) against FFTW (unscaled):\n", blocks.size(),
                kPoints);
    std::printf("     sign  1 / FFTW_FORWARD:  max abs difference %.4g, largest bin magnitude %.4g, relative %.3g\n",
                worstAbs[0], largest[0], worstAbs[0] / largest[0]);
    std::printf("     sign -1 / FFTW_BACKWARD: max abs difference %.4g, largest bin magnitude %.4g, relative %.3g\n",
                worstAbs[1], largest[1], worstAbs[1] / largest[1]);
    std::printf("     (our twiddles take pi as 3.1415926, so a relative difference near 1e-7 is expected)\n");

    fftw_destroy_plan(planInPlace);
    fftw_destroy_plan(planOut);
    fftw_destroy_plan(planBackward);
    fftw_free(inPlace);
    fftw_free(in);
    fftw_free(out);
#endif
    if (sink == 12345.678) std::printf(" ");
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(std::atoi(argv[1]), 10) : 5000;
    const auto samples = Chord();
    TickBench(samples, ticks);
    FftBench(samples);
    return 0;
}
