#pragma once
#include <algorithm>
#include <cstdint>

namespace earloop {

// The mark point and the repeat end after it, in milliseconds of wave time
// (the working samples). With both set, play turns back to the mark whenever
// it passes the repeat end.
struct MarkPoint {
    bool markSet = false;
    int markMs = 0;
    bool repeatSet = false;              // only while markSet
    int repeatEndMs = 0;                 // as shown
    std::uint32_t repeatEndBytes = 0;    // where the play turns back, bytes into the active samples
};

// The latest time a mark may take in a wave of `totalMs`: a step before the
// end, and the start when the wave is shorter than the step.
inline int LatestMarkMs(std::uint32_t totalMs, int stepMs) {
    return std::max(static_cast<int>(totalMs) - stepMs, 0);
}

}  // namespace earloop
