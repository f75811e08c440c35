#include "fuzz/wave_input.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "fakes/fake_file_system.h"
#include "fakes/fake_platform.h"
#include "platform/null_devices.h"
#include "wave/decoded_loader.h"
#include "wave/loader.h"
#include "wave/wave_errors.h"
#include "wave/wav_format.h"

namespace earloop::fuzzing {

namespace {

// A decoder's stream as the file describes it: byte 0 the channels (its low
// two bits), bytes 1-2 the rate above 8000 Hz, bytes 3-4 the stated duration
// in 8-frame steps; each later byte one read, of up to 1031 frames per unit,
// 0xFF a decoding failure and 0xFE a read of more than was asked. The frames
// repeat the file's bytes, and everything handed out is kept for comparison.
class ScriptedAudio : public DecodedAudio {
public:
    static constexpr std::size_t kMaxFrames = 1 << 20;

    explicit ScriptedAudio(std::string_view file) : file_(file) {
        format_.name = "FUZZ";
        format_.channels = static_cast<std::uint16_t>(Byte(0) & 3);
        format_.rate = 8000u + (Byte(1) | Byte(2) << 8);
        format_.expectedFrames = 8u * (Byte(3) | Byte(4) << 8);
    }
    const DecodedFormat& Format() const override { return format_; }
    std::optional<std::size_t> Read(std::uint8_t* into, std::size_t frames) override {
        if (next_ >= file_.size() || delivered_.size() >= kMaxFrames * 4) return 0;
        const unsigned step = Byte(next_++);
        if (step == 0xFF) return std::nullopt;
        const std::size_t count = step == 0xFE ? frames + 1 : std::min<std::size_t>(frames, step * 1031u);
        if (step == 0xFE) return count;
        const std::size_t bytes = count * format_.channels * 2;
        for (std::size_t i = 0; i < bytes; ++i) {
            into[i] = Byte(delivered_.size() % file_.size());
            delivered_.push_back(into[i]);
        }
        return count;
    }
    const std::vector<std::uint8_t>& Delivered() const { return delivered_; }

private:
    unsigned Byte(std::size_t at) const { return at < file_.size() ? static_cast<std::uint8_t>(file_[at]) : 0; }

    std::string_view file_;
    DecodedFormat format_;
    std::size_t next_ = 5;
    std::vector<std::uint8_t> delivered_;
};

}  // namespace

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

    // Decoded frames assembled into an image: all of them, in order, with
    // room for the conversion; refusals with the decoder's codes.
    ScriptedAudio audio(file);
    testing::FakeKeyboard noEscape;
    ErrorState decodeError;
    auto decoded = LoadDecodedAudio(audio, dialogs, noEscape, decodeError);
    expect(decoded.has_value() == (decodeError.code == 0), "the decoding's result agrees with its error code");
    if ((outcome.decoded = decoded.has_value())) {
        const auto& delivered = audio.Delivered();
        expect(decoded->dataOffset == 0 && decoded->dataBytes == delivered.size() &&
                   std::memcmp(decoded->bytes.get(), delivered.data(), delivered.size()) == 0,
               "the image holds every decoded frame in order");
        expect(decoded->format == Pcm16Format(audio.Format().channels, audio.Format().rate),
               "the image has the stream's format");
        checkImage(*decoded, true);
    } else {
        const int code = decodeError.code;
        expect(code == WaveError::Undecodable || code == WaveError::DecodedTooShort ||
                   code == WaveError::DecodedTooLong || code == WaveError::DecodeNoMemory,
               "a decoding refusal has a decoder's code");
    }
    return outcome;
}

}  // namespace earloop::fuzzing
