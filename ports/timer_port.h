#pragma once
#include <cstdint>

namespace earloop {

// Window timers of the main window; each tick arrives as Application::Timer(id)
// on the GUI thread. Starting a running timer restarts it with the new period.
class TimerPort {
public:
    virtual ~TimerPort() = default;
    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void StopTimer(int id) = 0;
    // The platform's millisecond clock: steady, from an arbitrary start.
    virtual std::uint64_t NowMs() = 0;
};

// No window timers: code that runs without a window ticks what it needs itself.
class NoTimers : public TimerPort {
public:
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    std::uint64_t NowMs() override { return 0; }
};

}  // namespace earloop
