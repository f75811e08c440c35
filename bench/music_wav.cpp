// Writes the render benchmark's input: a 44.1 kHz 16-bit stereo WAV of music
// rather than a test tone, so that the lag searches of the stretchers have
// real work to do.
//
//   earloop_music_wav OUT.wav [seconds]   (default 60)
//
// A melody of harmonic notes (a new note of a pentatonic scale every 250 ms,
// with an attack and a decay), a bass line (a note a second) and a soft
// chord, panned apart, over noise 40 dB down. Every run writes the same file.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "wave/wav_format.h"

namespace {

constexpr std::uint32_t kRate = 44100;

// A repeatable stream of numbers in 0..1.
class Random {
public:
    double Next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t state_ = 0x5eed;
};

double NoteHz(int semitonesFromA3) { return 220.0 * std::pow(2.0, semitonesFromA3 / 12.0); }

// Five harmonics falling as 1/k; `t` seconds into a note of `length` seconds.
double Note(double hz, double t, double length) {
    const double envelope = std::min(1.0, t / 0.01) * std::exp(-3.0 * t / length);
    double sum = 0;
    for (int k = 1; k <= 5; ++k) sum += std::sin(2 * std::numbers::pi * hz * k * t) / k;
    return envelope * sum / 2.3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: earloop_music_wav OUT.wav [seconds]\n");
        return 2;
    }
    const int seconds = argc == 3 ? std::atoi(argv[2]) : 60;
    if (seconds < 1 || seconds > 3600) {
        std::fprintf(stderr, "earloop_music_wav: seconds must be from 1 to 3600\n");
        return 2;
    }
    constexpr int kScale[] = {0, 3, 5, 7, 10, 12, 15, 17};
    constexpr double kMelodyNote = 0.25, kBassNote = 1.0;
    const std::size_t frames = std::size_t{kRate} * static_cast<std::size_t>(seconds);
    Random random;
    std::vector<int> melody(static_cast<std::size_t>(seconds / kMelodyNote) + 1);
    for (int& step : melody) step = kScale[static_cast<int>(random.Next() * 8)] + 3;
    std::vector<int> bass(static_cast<std::size_t>(seconds) + 1);
    for (int& step : bass) step = kScale[static_cast<int>(random.Next() * 5)] - 12;

    std::vector<std::uint8_t> data(frames * 4);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto m = static_cast<std::size_t>(t / kMelodyNote);
        const auto b = static_cast<std::size_t>(t / kBassNote);
        const double lead = Note(NoteHz(melody[m]), t - m * kMelodyNote, kMelodyNote);
        const double low = Note(NoteHz(bass[b]), t - b * kBassNote, kBassNote);
        const double chord = 0.3 * (std::sin(2 * std::numbers::pi * NoteHz(-9) * t) +
                                    std::sin(2 * std::numbers::pi * NoteHz(-5) * t) +
                                    std::sin(2 * std::numbers::pi * NoteHz(-2) * t)) / 3;
        const double noise = (random.Next() - 0.5) * 0.02;
        const double left = 0.45 * lead + 0.35 * low + 0.1 * chord + noise;
        const double right = 0.25 * lead + 0.35 * low + 0.25 * chord + noise;
        earloop::WriteU16Le(&data[i * 4], static_cast<std::uint16_t>(static_cast<std::int16_t>(left * 32767)));
        earloop::WriteU16Le(&data[i * 4 + 2], static_cast<std::uint16_t>(static_cast<std::int16_t>(right * 32767)));
    }
    const auto header =
        earloop::CanonicalHeader(earloop::Pcm16Format(2, kRate), static_cast<std::uint32_t>(data.size()));
    std::FILE* file = std::fopen(argv[1], "wb");
    const bool ok = file && std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
                    std::fwrite(data.data(), 1, data.size(), file) == data.size();
    if (!file || std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "earloop_music_wav: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
