#pragma once
#include <chrono>

#include "platform/ports/timer_port.h"

namespace earloop {

class SteadyClock : public Clock {
public:
    std::uint32_t NowMs() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
};

}  // namespace earloop
