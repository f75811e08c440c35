// How much longer loading a wave takes than reading its file.
//
//   earloop_load_bench [size [path]]
//
// Writes a 44.1 kHz stereo WAV of `size` bytes (default 1G; suffixes K, M, G)
// at `path` (default a new temporary folder), reads it once so that it is
// cached, then times, in turn, a plain read of the whole file in 512 KiB
// blocks into one buffer, and LoadWaveFile + PrepareSamples over the real
// file system. Prints the best of a few rounds of each, their ratio, and the
// peak memory of the load against memoryFactor x file size.

#include <fcntl.h>
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

    constexpr int kRounds = 3;
    double bestRead = 1e9, bestLoad = 1e9, bestLoadOnly = 1e9;
    long peakKb = -1, baseKb = -1;
    bool peakReset = true;
    std::uint32_t workBytes = 0;
    earloop::PosixFileSystem fs;
    earloop::QuietDialogs dialogs;
    NoEscape keyboard;
    const std::uint32_t memoryFactor = 1;  // 44.1 kHz
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        PlainRead(path);
        bestRead = std::min(bestRead, Seconds(Clock::now() - start));

        peakReset = ResetPeakMemory() && peakReset;
        baseKb = StatusKb("VmRSS");
        earloop::ErrorState error;
        start = Clock::now();
        auto image = earloop::LoadWaveFile(fs, dialogs, keyboard, path, memoryFactor, error);
        const auto loaded = Clock::now();
        if (!image) {
            std::fprintf(stderr, "earloop_load_bench: load failed with code %d\n", error.code);
            return 1;
        }
        workBytes = earloop::PrepareSamples(*image, dialogs, true);
        const auto prepared = Clock::now();
        bestLoad = std::min(bestLoad, Seconds(prepared - start));
        bestLoadOnly = std::min(bestLoadOnly, Seconds(loaded - start));
        peakKb = std::max(peakKb, StatusKb("VmHWM") - baseKb);
    }

    const double ratio = bestLoad / bestRead;
    std::printf("plain read (512 KiB blocks)   : %8.3f s  (%.2f GB/s)\n", bestRead, fileBytes / bestRead / 1e9);
    std::printf("LoadWaveFile + PrepareSamples : %8.3f s  (read %.3f s, conversion %.3f s)\n", bestLoad,
                bestLoadOnly, bestLoad - bestLoadOnly);
    std::printf("ratio                         : %8.3f  (target at most 1.3) %s\n", ratio,
                ratio <= 1.3 ? "ok" : "OVER");
    std::printf("working bytes                 : %u\n", workBytes);
    const double factorMb = memoryFactor * fileBytes / 1048576.0;
    if (peakReset) {
        std::printf("peak memory of the load       : %8.1f MiB  (memoryFactor x file size = %.1f MiB)\n",
                    peakKb / 1024.0, factorMb);
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
