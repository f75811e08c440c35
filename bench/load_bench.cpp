// How much longer loading a wave takes than reading its file.
//
//   earloop_load_bench [size [path]]
//
// Writes a 44.1 kHz stereo WAV of `size` bytes (default 1G; suffixes K, M, G)
// at `path` (default a new temporary folder), reads it once so that it is
// cached, then times, in turn, a plain read of the whole file in 512 KiB
// blocks into one buffer, and LoadWaveFile + PrepareSamples over the real
// file system, converting as the file is read (as the program loads) and
// converting after the whole read (as a recorded take is converted). Prints
// the best of a few rounds of each, their ratios, and the peak memory of each
// load against memoryFactor x file size. The loads and the read run on one
// thread, so their CPU times (user and system) are printed too: on a machine
// busy with other work they vary less than the clock.

#include <fcntl.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/null_devices.h"
#include "platform/posix/posix_file_system.h"
#include "wave/loader.h"
#include "wave/wav_format.h"

namespace {

using earloop::kLoadBlockBytes;
using Clock = std::chrono::steady_clock;

class NoEscape : public earloop::KeyboardPort {
public:
    bool EscapePressed() override { return false; }
};

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "earloop_load_bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

std::uint64_t ParseSize(const char* text) {
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    std::uint64_t unit = 1;
    switch (end && *end ? *end : 0) {
        case 'k': case 'K': unit = 1ull << 10; break;
        case 'm': case 'M': unit = 1ull << 20; break;
        case 'g': case 'G': unit = 1ull << 30; break;
        case 0: break;
        default: errno = EINVAL; Die(std::string("size ") + text);
    }
    return static_cast<std::uint64_t>(number * static_cast<double>(unit));
}

// 44.1 kHz stereo: a slow sine on the left, a faster one on the right, a
// small DC offset on both.
void WriteWave(const std::string& path, std::uint64_t fileBytes) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>((fileBytes - earloop::kRecorderHeaderBytes) / 4 * 4);
    std::vector<std::uint8_t> header(44);
    std::memcpy(header.data(), "RIFF", 4);
    earloop::WriteU32Le(header.data() + 4, dataBytes + 36);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    earloop::WriteU32Le(header.data() + 16, 16);
    earloop::WriteU16Le(header.data() + 20, 1);
    earloop::WriteU16Le(header.data() + 22, 2);
    earloop::WriteU32Le(header.data() + 24, 44100);
    earloop::WriteU32Le(header.data() + 28, 44100 * 4);
    earloop::WriteU16Le(header.data() + 32, 4);
    earloop::WriteU16Le(header.data() + 34, 16);
    std::memcpy(header.data() + 36, "data", 4);
    earloop::WriteU32Le(header.data() + 40, dataBytes);

    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Die("cannot create " + path);
    if (::write(fd, header.data(), header.size()) != static_cast<ssize_t>(header.size())) Die("write");
    // One second of samples, repeated.
    std::vector<std::int16_t> second(44100 * 2);
    for (std::size_t i = 0; i < 44100; ++i) {
        second[2 * i] = static_cast<std::int16_t>(200 + 12000 * std::sin(2 * M_PI * 220.0 * i / 44100));
        second[2 * i + 1] = static_cast<std::int16_t>(-150 + 9000 * std::sin(2 * M_PI * 660.0 * i / 44100));
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(second.data());
    const std::size_t secondBytes = second.size() * 2;
    for (std::uint64_t written = 0; written < dataBytes;) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(secondBytes, dataBytes - written));
        if (::write(fd, bytes, chunk) != static_cast<ssize_t>(chunk)) Die("write");
        written += chunk;
    }
    if (::close(fd) != 0) Die("close");
}

// The plain read the load is compared with: the same blocks into one fresh
// buffer of the file's size.
std::uint64_t PlainRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Die("open " + path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) Die("stat");
    const auto size = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer) Die("no memory");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer.get() + done, std::min(kLoadBlockBytes, size - done));
        if (n <= 0) Die("read");
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    // Something the compiler cannot drop.
    std::uint64_t check = 0;
    for (std::size_t i = 0; i < size; i += 4096) check += buffer[i];
    return check;
}

// Kilobytes from /proc/self/status ("VmHWM", "VmRSS").
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
    }
    return -1;
}

// Sets the peak resident size back to the current one (Linux 4.0 and later).
bool ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The process's CPU time so far (user and system), in seconds.
double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t fileBytes = argc > 1 ? ParseSize(argv[1]) : (1ull << 30);
    if (fileBytes < 1'000'000 || fileBytes >= (1ull << 32)) {
        std::fprintf(stderr, "earloop_load_bench: the size must be from 1M to below 4G\n");
        return 2;
    }
    std::filesystem::path folder;
    std::string path;
    if (argc > 2) {
        path = argv[2];
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "earloop_bench_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) Die("mkdtemp");
        folder = pattern;
        path = (folder / "bench.wav").string();
    }

    std::printf("writing %s (%llu bytes, 44.1 kHz stereo)\n", path.c_str(),
                static_cast<unsigned long long>(fileBytes));
    WriteWave(path, fileBytes);
    PlainRead(path);  // now it is in the page cache

    // Each round times the plain read, then the load as the program makes it
    // (converting each block as it is read), then the load converting only
    // after the whole read, as a recorded take is converted.
    struct Best {
        double wall = 1e9, read = 1e9, cpu = 1e9;  // read: LoadWaveFile alone
        long peakKb = -1;
    };
    Best plain, asRead, afterRead;
    bool peakReset = true;
    std::uint32_t workBytes = 0;
    earloop::PosixFileSystem fs;
    earloop::QuietDialogs dialogs;
    NoEscape keyboard;
    const std::uint32_t memoryFactor = 1;  // 44.1 kHz
    constexpr bool kRemoveDcOffset = true;  // the program's default
    const auto timeLoad = [&](std::optional<bool> convertAsRead, Best& best) {
        peakReset = ResetPeakMemory() && peakReset;
        const long baseKb = StatusKb("VmRSS");
        earloop::ErrorState error;
        const auto start = Clock::now();
        const double cpuStart = CpuSeconds();
        auto image = earloop::LoadWaveFile(fs, dialogs, keyboard, path, memoryFactor, error, convertAsRead);
        const auto loaded = Clock::now();
        if (!image) {
            std::fprintf(stderr, "earloop_load_bench: load failed with code %d\n", error.code);
            std::exit(1);
        }
        workBytes = earloop::PrepareSamples(*image, dialogs, kRemoveDcOffset);
        best.wall = std::min(best.wall, Seconds(Clock::now() - start));
        best.cpu = std::min(best.cpu, CpuSeconds() - cpuStart);
        best.read = std::min(best.read, Seconds(loaded - start));
        best.peakKb = std::max(best.peakKb, StatusKb("VmHWM") - baseKb);
    };
    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        const double cpuStart = CpuSeconds();
        PlainRead(path);
        plain.wall = std::min(plain.wall, Seconds(Clock::now() - start));
        plain.cpu = std::min(plain.cpu, CpuSeconds() - cpuStart);
        timeLoad(kRemoveDcOffset, asRead);
        timeLoad(std::nullopt, afterRead);
    }

    const auto report = [&](const char* label, const Best& load) {
        const double ratio = load.wall / plain.wall;
        std::printf("%-30s: %8.3f s  (LoadWaveFile %.3f s, PrepareSamples %.3f s)\n", label, load.wall, load.read,
                    load.wall - load.read);
        std::printf("  ratio to the plain read     : %8.3f  (target at most 1.1) %s;  CPU time %.3f s, ratio %.3f\n",
                    ratio, ratio <= 1.1 ? "ok" : "OVER", load.cpu, load.cpu / plain.cpu);
    };
    std::printf("plain read (512 KiB blocks)   : %8.3f s  (%.2f GB/s);  CPU time %.3f s\n", plain.wall,
                fileBytes / plain.wall / 1e9, plain.cpu);
    report("load, converted as read", asRead);
    report("load, converted after read", afterRead);
    std::printf("working bytes                 : %u\n", workBytes);
    const double factorMb = memoryFactor * fileBytes / 1048576.0;
    if (peakReset) {
        std::printf("peak memory of the load       : %8.1f MiB as read, %.1f MiB after  (memoryFactor x file size "
                    "= %.1f MiB)\n",
                    asRead.peakKb / 1024.0, afterRead.peakKb / 1024.0, factorMb);
    } else {
        std::printf("peak memory                   : the peak could not be reset; VmHWM %.1f MiB (memoryFactor x "
                    "file size = %.1f MiB)\n",
                    StatusKb("VmHWM") / 1024.0, factorMb);
    }

    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    return 0;
}
