#pragma once
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

}  // namespace earloop
