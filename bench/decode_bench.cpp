// The decoding of a file that is not a WAV file, against FFmpeg's own command
// line tool decoding it to 16-bit PCM in the same run, and the peak memory of
// the whole load.
//
//   earloop_decode_bench FILE [runs]   (default 5)
//
// Our decoding alone is FFmpeg's decoder behind the program's port, assembled
// into the image (before the conversion to the working rate). Both take the
// best wall-clock time of the runs. The peak memory is the largest resident
// size of a child process that decodes and converts the file, less that of a
// child that does nothing, against the decoded frames (the working copy and
// the channel-difference copy are written into the same image).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ffmpeg/ffmpeg_decoder.h"
#include "platform/null_devices.h"
#include "wave/decoded_loader.h"
#include "wave/loader.h"

namespace earloop {
namespace {

class NoEscape : public KeyboardPort {
public:
    bool EscapePressed() override { return false; }
};

std::optional<WaveImage> Decode(const std::string& path) {
    FfmpegDecoder decoder;
    QuietDialogs dialogs;
    NoEscape keyboard;
    ErrorState error;
    DecodeOpening opening = decoder.Open(path, WORKING_RATE);
    auto* audio = std::get_if<std::unique_ptr<DecodedAudio>>(&opening);
    if (!audio) return std::nullopt;
    return LoadDecodedAudio(**audio, dialogs, keyboard, error);
}

template <class Work>
double BestSeconds(int runs, Work work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!work()) {
            std::fprintf(stderr, "a run failed\n");
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// The peak resident size in KiB of a child that runs `work`.
template <class Work>
long ChildPeakKiB(Work work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the measured load failed\n");
        std::exit(1);
    }
    return usage.ru_maxrss;
}

}  // namespace
}  // namespace earloop

int main(int argc, char** argv) {
    using namespace earloop;
    if (argc < 2) {
        std::fprintf(stderr, "usage: earloop_decode_bench FILE [runs]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    const auto probe = Decode(path);
    if (!probe) {
        std::fprintf(stderr, "%s does not decode\n", path.c_str());
        return 1;
    }
    const double ours = BestSeconds(runs, [&] { return Decode(path).has_value(); });
    const std::string command = "ffmpeg -nostdin -loglevel error -i '" + path + "' -f s16le -y /dev/null";
    const double theirs = BestSeconds(runs, [&] { return std::system(command.c_str()) == 0; });
    std::printf("%s: %s %u Hz, %u channels, %.1f s\n", path.c_str(), probe->decodedFrom.c_str(),
                probe->format.nSamplesPerSec, probe->format.nChannels,
                static_cast<double>(probe->dataBytes) / probe->format.nAvgBytesPerSec);
    std::printf("  decoding, best of %d: ours %.3f s, ffmpeg -f s16le %.3f s, ratio %.3f %s (target at most 1.3)\n",
                runs, ours, theirs, ours / theirs, ours <= 1.3 * theirs ? "ok" : "OVER");

    const long idle = ChildPeakKiB([] { return true; });
    const long loaded = ChildPeakKiB([&] {
        auto image = Decode(path);
        if (!image) return false;
        QuietDialogs dialogs;
        return PrepareSamples(*image, dialogs, true) > 0;
    });
    const double decodedMiB = probe->dataBytes / 1048576.0;
    const double imageMiB = probe->size / 1048576.0;
    std::printf("  peak memory of the load: %.1f MiB above an idle process; decoded frames %.1f MiB "
                "(image with room for the copies %.1f MiB); excess over the image %.1f MiB\n",
                (loaded - idle) / 1024.0, decodedMiB, imageMiB, (loaded - idle) / 1024.0 - imageMiB);
    return 0;
}
