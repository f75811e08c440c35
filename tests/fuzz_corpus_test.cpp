// Replays the WAV readers' fuzz corpus: every file there went through the
// header check, the loader, the conversion, the take reader and the assembly
// of decoded frames under the fuzzer's sanitizers, and must keep doing so
// without a broken promise.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/wave_input.h"

namespace earloop {
namespace {

TEST(WaveFuzzCorpus, EveryInputKeepsTheReadersPromises) {
    int inputs = 0, loaded = 0, takes = 0, refused = 0, decoded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(EARLOOP_FUZZ_CORPUS_DIR)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const auto outcome = fuzzing::RunWaveInput(file);
        for (const auto& fault : outcome.faults) ADD_FAILURE() << entry.path().filename() << ": " << fault;
        ++inputs;
        loaded += outcome.loaded;
        takes += outcome.takeRead;
        decoded += outcome.decoded;
        refused += outcome.headerCode != 0;
    }
    // The corpus reaches every reader, and the refusals as well.
    EXPECT_GT(inputs, 10);
    EXPECT_GT(loaded, 0);
    EXPECT_GT(takes, 0);
    EXPECT_GT(decoded, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace earloop
