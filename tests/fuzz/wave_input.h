#pragma once
// One arbitrary file taken through every reader of WAV files, the way the
// program takes a file the user opens and the recorder's file it reads back,
// and taken as what a decoder delivers (its format and the sizes of its reads)
// through the assembly of decoded frames into an image.
// Shared by the fuzz target and the test that replays the fuzz corpus.

#include <string>
#include <string_view>
#include <vector>

namespace earloop::fuzzing {

struct WaveInputOutcome {
    int headerCode = 0;
    bool loaded = false;      // the header check passed and the loader took the file
    bool takeRead = false;    // the file read back as a recorded take
    bool decoded = false;     // the decoded frames it describes became an image
    std::vector<std::string> faults;  // broken promises of the readers; empty when all held
};

WaveInputOutcome RunWaveInput(std::string_view file);

}  // namespace earloop::fuzzing
