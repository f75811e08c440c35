// libFuzzer entry: every input is a file given to the WAV readers; a broken
// promise stops the run like a sanitizer report does.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/wave_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto outcome =
        earloop::fuzzing::RunWaveInput(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!outcome.faults.empty()) {
        for (const auto& fault : outcome.faults) std::fprintf(stderr, "broken: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
