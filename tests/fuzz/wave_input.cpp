#include "fuzz/wave_input.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "app/error_state.h"
#include "fakes/fake_file_system.h"
#include "wave/loader.h"
#include "wave/wav_format.h"

namespace earloop::fuzzing {

namespace {

constexpr const char* kPath = "/fuzz/input.wav";

class SilentProgress : public ProgressWindow {
public:
    void SetText(const std::string&) override {}
    void SetPercent(int) override {}
};

class SilentDialogs : public DialogPort {
public:
    MessageResult ShowMessageBox(const MessageBoxRequest&) override { return MessageResult::Ok; }
    std::optional<std::string> ChooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    std::unique_ptr<ProgressWindow> OpenProgress(const std::string&, const std::string&, int) override {
        return std::make_unique<SilentProgress>();
    }
};

class NoEscape : public KeyboardPort {
public:
    bool EscapePressed() override { return false; }
};

class Checker {
public:
    explicit Checker(WaveInputOutcome& outcome) : outcome_(outcome) {}
    void Expect(bool held, const char* promise) {
        if (!held) outcome_.faults.emplace_back(promise);
    }

private:
    WaveInputOutcome& outcome_;
};

bool UsableFormat(const WaveFormatInfo& format) {
    return format.wFormatTag == 1 && format.wBitsPerSample == 16 && format.nSamplesPerSec >= WORKING_RATE &&
           (format.nChannels == 1 || format.nChannels == 2) && format.nBlockAlign == format.nChannels * 2;
}

// The converted samples, and for stereo their channel-difference copy, lie
// inside the image in whole frames.
void CheckConversion(const WaveImage& image, std::uint32_t workBytes, Checker& check) {
    const std::uint64_t copies = image.format.nChannels == 2 ? 2 : 1;
    check.Expect(image.dataOffset + copies * workBytes <= image.size, "working samples inside the image");
    check.Expect(image.format.nBlockAlign != 0 && workBytes % image.format.nBlockAlign == 0,
                 "working samples in whole frames");
}

void CheckDataTagScan(std::string_view file, Checker& check) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
    const auto tag = FindDataTag(bytes, file.size());
    if (!tag) return;
    check.Expect(*tag >= 30 && *tag <= 998, "data tag in the scanned range");
    check.Expect(*tag + 4 <= file.size() && std::memcmp(bytes + *tag, "data", 4) == 0, "data tag in the file");
}

void LoadAndConvert(FakeFileSystem& fs, std::uint32_t memoryFactor, bool removeDcOffset, WaveInputOutcome& outcome,
                    Checker& check) {
    SilentDialogs dialogs;
    NoEscape keyboard;
    ErrorState error;
    auto image = LoadWaveFile(fs, dialogs, keyboard, kPath, memoryFactor, error);
    check.Expect(image.has_value() == (error.code == 0), "the load's result agrees with its error code");
    if (!image) return;
    outcome.loaded = true;
    check.Expect(image->bytes != nullptr, "a loaded image has bytes");
    check.Expect(image->dataOffset + image->dataBytes <= image->fileSize, "the samples lie inside the file");
    check.Expect(image->fileSize <= image->size, "the image holds the file");
    CheckConversion(*image, PrepareSamples(*image, dialogs, removeDcOffset), check);
}

void ReadBackAsTake(FakeFileSystem& fs, bool headerPassed, bool removeDcOffset, WaveInputOutcome& outcome,
                    Checker& check) {
    ErrorState error;
    auto take = ReadRecordedTake(fs, kPath, error);
    check.Expect(take.has_value() == (error.code == 0), "the take's result agrees with its error code");
    if (!take) return;
    outcome.takeRead = true;
    check.Expect(take->size == 2 * std::uint64_t{take->fileSize}, "the take's image is twice the file");
    check.Expect(take->dataOffset == kRecorderHeaderBytes, "the take's samples follow its header");
    check.Expect(take->dataOffset + take->dataBytes <= take->fileSize, "the take's samples lie inside the file");
    // The recorder converts its take only after the header check passed it.
    if (headerPassed) {
        SilentDialogs dialogs;
        CheckConversion(*take, PrepareSamples(*take, dialogs, removeDcOffset), check);
    }
}

}  // namespace

WaveInputOutcome RunWaveInput(std::string_view file) {
    WaveInputOutcome outcome;
    Checker check(outcome);
    CheckDataTagScan(file, check);

    FakeFileSystem fs;
    fs.Add(kPath, std::string(file));
    ErrorState error;
    std::uint32_t memoryFactor = 0;
    const bool passed = CheckWaveHeader(fs, kPath, error, memoryFactor);
    outcome.headerCode = error.code;
    check.Expect(passed == (error.code == 0), "the check's result agrees with its error code");
    check.Expect(passed || !error.message.empty(), "a refusal has a message");
    check.Expect(passed ? (memoryFactor == 1 || memoryFactor == 2) : memoryFactor == 0,
                 "the memory factor is set on success only");
    if (passed) {
        check.Expect(file.size() >= 36 && UsableFormat(FormatAt(reinterpret_cast<const std::uint8_t*>(file.data()))),
                     "an accepted header has a usable format");
    }

    // Both settings of the DC offset removal, chosen by the file itself.
    const bool removeDcOffset = file.size() % 2 == 0;
    if (passed) LoadAndConvert(fs, memoryFactor, removeDcOffset, outcome, check);
    ReadBackAsTake(fs, passed, removeDcOffset, outcome, check);
    return outcome;
}

}  // namespace earloop::fuzzing
