#include "fuzz/wave_input.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "fakes/fake_file_system.h"
#include "fakes/fake_platform.h"
#include "platform/null_devices.h"
#include "wave/loader.h"
#include "wave/wav_format.h"

namespace earloop::fuzzing {

WaveInputOutcome RunWaveInput(std::string_view file) {
    constexpr const char* kPath = "/fuzz/input.wav";

    WaveInputOutcome outcome;
    const auto expect = [&outcome](bool held, const char* promise) {
        if (!held) outcome.faults.emplace_back(promise);
    };
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
    if (const auto tag = FindDataTag(bytes, file.size())) {
        expect(*tag >= 30 && *tag <= 998, "data tag in the scanned range");
        expect(*tag + 4 <= file.size() && std::memcmp(bytes + *tag, "data", 4) == 0, "data tag in the file");
    }

    FakeFileSystem fs;
    fs.Add(kPath, std::string(file));
    ErrorState error;
    std::uint32_t memoryFactor = 0;
    const bool passed = CheckWaveHeader(fs, kPath, error, memoryFactor);
    outcome.headerCode = error.code;
    expect(passed == (error.code == 0), "the check's result agrees with its error code");
    expect(passed || !error.message.empty(), "a refusal has a message");
    expect(passed ? (memoryFactor == 1 || memoryFactor == 2) : memoryFactor == 0,
           "the memory factor is set on success only");
    if (passed) {
        const WaveFormatInfo format = file.size() >= 36 ? FormatAt(bytes) : WaveFormatInfo{};
        expect(format.wFormatTag == 1 && format.wBitsPerSample == 16 && format.nSamplesPerSec >= WORKING_RATE &&
                   (format.nChannels == 1 || format.nChannels == 2) && format.nBlockAlign == format.nChannels * 2,
               "an accepted header has a usable format");
    }

    // An image read from the file: its samples lie inside the file; once converted (with both settings of the
    // DC offset removal, chosen by the file itself), the working samples, and for stereo their channel-difference
    // copy, lie inside the image in whole frames.
    QuietDialogs dialogs;
    const auto checkImage = [&](WaveImage& image, bool convert) {
        expect(image.dataOffset + image.dataBytes <= image.fileSize, "the samples lie inside the file");
        if (!convert) return;
        const std::uint32_t workBytes = PrepareSamples(image, dialogs, file.size() % 2 == 0);
        const std::uint64_t copies = image.format.nChannels == 2 ? 2 : 1;
        expect(image.dataOffset + copies * workBytes <= image.size, "working samples inside the image");
        expect(image.format.nBlockAlign != 0 && workBytes % image.format.nBlockAlign == 0,
               "working samples in whole frames");
    };
    if (passed) {
        testing::FakeKeyboard noEscape;
        ErrorState loadError;
        auto image = LoadWaveFile(fs, dialogs, noEscape, kPath, memoryFactor, loadError);
        expect(image.has_value() == (loadError.code == 0), "the load's result agrees with its error code");
        if ((outcome.loaded = image.has_value())) {
            expect(image->bytes != nullptr, "a loaded image has bytes");
            expect(image->fileSize <= image->size, "the image holds the file");
            checkImage(*image, true);
        }
    }

    // The recorder's take read back; it converts the take only after the header check passed it.
    ErrorState takeError;
    auto take = ReadRecordedTake(fs, kPath, takeError);
    expect(take.has_value() == (takeError.code == 0), "the take's result agrees with its error code");
    if ((outcome.takeRead = take.has_value())) {
        expect(take->size == 2 * std::uint64_t{take->fileSize}, "the take's image is twice the file");
        expect(take->dataOffset == kRecorderHeaderBytes, "the take's samples follow its header");
        checkImage(*take, passed);
    }
    return outcome;
}

}  // namespace earloop::fuzzing
