// Repeat play at 37 % and +5 with the Note box analysing, for an hour or the
// seconds given, through the program's own sound output in real time: the
// card PortAudio offers (a JACK server such as `jackd -d dummy`) or, without
// one, the silent output paced by the clock. The program runs over the
// window fakes of the tests. Prints, every minute and at the end, the worst
// drift of the shown position from the played one, the resident memory
// against the first minute's, and the underruns.
// usage: earloop_soak_bench [SECONDS]

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "fakes/repeat_soak.h"
#include "platform/audio/mixer.h"

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace earloop;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3600;
    if (seconds < 1) {
        std::fprintf(stderr, "usage: earloop_soak_bench [SECONDS]   (1 or more; default 3600)\n");
        return 2;
    }
    const auto audio = AudioBackend::Start();
    Mixer& mixer = audio->GetMixer();
    std::printf("output: %s\n", audio->Description().c_str());
    testing::RepeatSoak soak(mixer);
    const auto start = Clock::now();
    const auto nowMs = [start] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
    const bool prepared = soak.Prepare();
    audio->Pump();  // what the output owes from the time Prepare took goes by before Play
    if (!prepared || !soak.Play(nowMs())) {
        std::fprintf(stderr, "the repeat play did not start\n");
        return 1;
    }
    constexpr double kMinuteMs = 60000;
    long firstMinuteKb = 0, largestKb = 0;
    double nextTickMs = nowMs() + kPositionTimerMs, nextReportMs = nowMs() + kMinuteMs;
    // The silent output does not catch up a pause of the loop longer than a
    // fifth of a second: on a busy machine that shows as drift.
    double longestPauseMs = 0, lastPumpMs = nowMs();
    while (nowMs() < seconds * 1000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        audio->Pump();
        const double now = nowMs();
        longestPauseMs = std::max(longestPauseMs, now - lastPumpMs);
        lastPumpMs = now;
        if (now < nextTickMs) continue;
        soak.Tick(now);
        nextTickMs += kPositionTimerMs;
        if (now < nextReportMs) continue;
        const long kb = ResidentKb();
        if (firstMinuteKb == 0) firstMinuteKb = kb;
        largestKb = std::max(largestKb, kb);
        const testing::SoakFigures& f = soak.Figures();
        std::printf("%5.0f s: worst drift %.1f ms, %llu repeats, resident %ld KiB, underruns %llu, longest pause %.0f ms\n",
                    now / 1000, f.worstDriftMs, static_cast<unsigned long long>(f.repeats), kb,
                    static_cast<unsigned long long>(f.underruns), longestPauseMs);
        std::fflush(stdout);
        nextReportMs += kMinuteMs;
    }
    const testing::SoakFigures& f = soak.Figures();
    const long endKb = ResidentKb();
    largestKb = std::max(largestKb, endKb);
    std::printf("ticks %llu, repeats %llu, worst drift %.1f ms (limit 20)\n", static_cast<unsigned long long>(f.ticks),
                static_cast<unsigned long long>(f.repeats), f.worstDriftMs);
    if (firstMinuteKb)
        std::printf("resident memory: %ld KiB after the first minute, %ld KiB at most after it, %ld KiB at the end\n",
                    firstMinuteKb, largestKb, endKb);
    else
        std::printf("resident memory: %ld KiB at the end (run over a minute to compare)\n", endKb);
    std::printf("longest pause of the loop %.0f ms\n", longestPauseMs);
    std::printf("underruns %llu, skipped periods %llu, message boxes %llu\n",
                static_cast<unsigned long long>(f.underruns), static_cast<unsigned long long>(f.skippedPeriods),
                static_cast<unsigned long long>(f.boxes));
    const bool held = f.worstDriftMs <= 20 && f.underruns + f.skippedPeriods + f.boxes == 0 &&
                      (firstMinuteKb == 0 || largestKb <= firstMinuteKb + 1024);
    std::printf("%s\n", held ? "held" : "FAILED");
    return held ? 0 : 1;
}
