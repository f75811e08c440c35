// How fast the time stretch alone runs: seconds of output per second of CPU.
//
//   earloop_stretch_bench IN.wav
//
// Loads IN.wav as the program does (working samples at 11025 Hz) and
// stretches the whole of it the way the stream device's buffers are filled,
// 20 chunks at a time, at speed 50 on the working rate, and at speed 50 on
// 22050 Hz (the stream of a shift of +12). Prints, for each, a line
//   stretch <name> <output seconds> <best CPU seconds of 5>
// for scripts/bench.sh, which sets them against the other stretchers.

#include <time.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <span>

#include "playback/output_engine.h"
#include "playback/time_stretch.h"
#include "tools/console_wave.h"

namespace {

using namespace earloop;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Run {
    double outputSeconds = 0;
    double cpuSeconds = 0;
};

// Read from every buffer, so that the compiler cannot drop the work.
volatile std::uint64_t sink = 0;

// The stream's refills from the start of the data to its end, as the output
// engine bounds them.
Run StretchWhole(std::span<const std::uint8_t> samples, const StretchGeometry& g,
                 std::array<std::uint8_t, kStreamBufferBytes>& buffer) {
    Run run;
    const double start = CpuSeconds();
    std::uint64_t frames = 0;
    std::uint32_t lag = 0;
    for (std::int64_t offset = 0;;) {
        const std::int64_t ahead =
            (static_cast<std::int64_t>(samples.size()) - offset - g.outChunkBytes) / g.outChunkBytes;
        const int chunks = static_cast<int>(std::min<std::int64_t>(ahead, kMaxStreamChunks));
        if (chunks < 1) break;
        StretchChunks(samples, static_cast<std::uint32_t>(offset), chunks, g, buffer, lag);
        sink = sink + buffer[static_cast<std::size_t>(chunks) * g.outChunkBytes / 2];
        offset += static_cast<std::int64_t>(chunks) * g.inChunkBytes;
        frames += static_cast<std::uint64_t>(chunks) * g.chunkFrames;
    }
    run.cpuSeconds = CpuSeconds() - start;
    run.outputSeconds = static_cast<double>(frames) / g.rate;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: earloop_stretch_bench IN.wav\n");
        return 2;
    }
    ConsoleDialogs dialogs;
    ErrorState error;
    auto image = LoadWaveForTool(argv[1], dialogs, error);
    if (!image) {
        std::fprintf(stderr, "Error %d: %s\n", error.code, error.message.c_str());
        return 1;
    }
    const std::uint32_t workBytes = PrepareSamples(*image, dialogs, true);
    const std::span<const std::uint8_t> samples(image->bytes.get() + image->dataOffset, workBytes);
    const std::uint32_t blockAlign = image->format.nBlockAlign;
    auto buffer = std::make_unique<std::array<std::uint8_t, kStreamBufferBytes>>();

    struct Case {
        const char* name;
        std::uint32_t rate;
    };
    for (const Case c : {Case{"speed50", WORKING_RATE}, Case{"shift12", PitchShiftedRate(kMaxPitchShift)}}) {
        const StretchGeometry g = MakeStretchGeometry(c.rate, blockAlign, 50);
        Run best{0, 1e9};
        for (int round = 0; round < 5; ++round) {
            const Run run = StretchWhole(samples, g, *buffer);
            if (run.cpuSeconds < best.cpuSeconds) best = run;
        }
        std::printf("stretch %s %.3f %.6f\n", c.name, best.outputSeconds, best.cpuSeconds);
    }
    return 0;
}
