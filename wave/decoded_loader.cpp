#include "wave/decoded_loader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "wave/loader.h"
#include "wave/wav_format.h"
#include "wave/wave_errors.h"

namespace earloop {

namespace {

using Bytes = std::unique_ptr<std::uint8_t[]>;

// Sizes are 32-bit in the image, as in a WAV file.
constexpr std::uint64_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max();

// Bytes for `frames` decoded frames and for what the conversion writes after
// its working samples.
std::uint64_t ImageBytes(std::uint64_t frames, const WaveFormatInfo& format) {
    const std::uint64_t dataBytes = frames * format.nBlockAlign;
    const auto workFrames = WorkingFrames(static_cast<std::uint32_t>(dataBytes), format);
    return std::max(dataBytes, RoomNeeded(0, workFrames, format));
}

// A bigger image holding the `used` bytes of `bytes`: only when the stream
// runs past its stated duration.
Bytes Enlarge(const Bytes& bytes, std::size_t used, std::uint64_t size) {
    Bytes larger(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
    if (larger && used > 0) std::memcpy(larger.get(), bytes.get(), used);
    return larger;
}

}  // namespace

bool IsRiffWave(FileSystem& fs, const std::string& path) {
    auto file = fs.OpenForReading(path);
    if (!file) return false;
    std::uint8_t head[12];
    const auto count = file->Read(head, sizeof head);
    return count && *count == sizeof head && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

std::unique_ptr<DecodedAudio> OpenAudioFile(AudioDecoder& decoder, FileSystem& fs, const std::string& path,
                                            ErrorState& error) {
    DecodeOpening opening = decoder.Open(path, WORKING_RATE);
    if (auto* audio = std::get_if<std::unique_ptr<DecodedAudio>>(&opening)) return std::move(*audio);
    switch (std::get<DecodeRefusal>(opening)) {
        case DecodeRefusal::Unrecognized: {
            // Neither a known format nor a WAV file: the WAV check says why
            // not, with the codes it always gave such files.
            std::uint32_t memoryFactor = 1;
            if (CheckWaveHeader(fs, path, error, memoryFactor)) {
                error.Set(WaveError::Undecodable, WaveError::kUndecodable);
            }
            break;
        }
        case DecodeRefusal::NoAudio: error.Set(WaveError::NoAudioStream, WaveError::kNoAudioStream); break;
        case DecodeRefusal::Undecodable: error.Set(WaveError::Undecodable, WaveError::kUndecodable); break;
    }
    return nullptr;
}

std::optional<WaveImage> LoadDecodedAudio(DecodedAudio& audio, DialogPort& dialogs, KeyboardPort& keyboard,
                                          ErrorState& error) {
    const DecodedFormat& decoded = audio.Format();
    // The conversion steps by whole mono or stereo frames and never up in rate.
    if ((decoded.channels != 1 && decoded.channels != 2) || decoded.rate < WORKING_RATE) {
        error.Set(WaveError::Undecodable, WaveError::kUndecodable);
        return std::nullopt;
    }
    WaveImage image;
    image.format = Pcm16Format(decoded.channels, decoded.rate);
    image.decodedFrom = decoded.name;
    const std::uint32_t align = image.format.nBlockAlign;
    const std::uint64_t maxFrames = kMaxDataBytes / align;
    if (decoded.expectedFrames > maxFrames) {
        error.Set(WaveError::DecodedTooLong, WaveError::kDecodedTooLong);
        return std::nullopt;
    }

    auto progress = dialogs.OpenProgress("LOADING", "Reading file ...", 5);
    const auto fail = [&](int code, const char* text) {
        progress.reset();
        error.Set(code, text);
        return std::nullopt;
    };
    progress->SetText(" Decoding audio file...");

    // A stated duration is rounded, and some formats state it only roughly:
    // a little more room than it says, once.
    const std::uint64_t blockFrames = kLoadBlockBytes / align;
    std::uint64_t capacity =
        std::min(maxFrames, decoded.expectedFrames + decoded.expectedFrames / 64 + blockFrames);
    std::uint64_t imageSize = ImageBytes(capacity, image.format);
    Bytes bytes(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(imageSize)]);
    if (!bytes) return fail(WaveError::DecodeNoMemory, WaveError::kNoMemory);

    std::uint64_t frames = 0;
    bool cancelled = false;
    for (;;) {
        if (frames == capacity) {
            if (capacity == maxFrames) return fail(WaveError::DecodedTooLong, WaveError::kDecodedTooLong);
            capacity = std::min(maxFrames, capacity + capacity / 2);
            imageSize = ImageBytes(capacity, image.format);
            bytes = Enlarge(bytes, static_cast<std::size_t>(frames * align), imageSize);
            if (!bytes) return fail(WaveError::DecodeNoMemory, WaveError::kNoMemory);
        }
        const std::uint64_t wanted = std::min(blockFrames, capacity - frames);
        const auto got = audio.Read(bytes.get() + frames * align, static_cast<std::size_t>(wanted));
        if (!got || *got > wanted) return fail(WaveError::Undecodable, WaveError::kUndecodable);
        if (*got == 0) break;
        frames += *got;
        if (decoded.expectedFrames > 0) {
            progress->SetPercent(static_cast<int>(std::min<std::uint64_t>(100, 100 * frames / decoded.expectedFrames)));
        }
        if (keyboard.EscapePressed()) {
            cancelled = true;
            break;
        }
    }
    progress.reset();
    if (cancelled) {
        dialogs.ShowMessageBox({WaveError::kLoadInterrupted, "Earloop !", MessageIcon::None, MessageButtons::Ok,
                                /*ownedByMainWindow=*/false});
    }

    // The room for the conversion was planned for at least these frames.
    image.dataBytes = static_cast<std::uint32_t>(frames * align);
    if (WorkingFrames(image.dataBytes, image.format) < kMinimumWorkingFrames) {
        error.Set(WaveError::DecodedTooShort, WaveError::kDecodedTooShort);
        return std::nullopt;
    }
    image.bytes = std::move(bytes);
    image.size = static_cast<std::size_t>(imageSize);
    image.fileSize = image.dataBytes;
    return image;
}

}  // namespace earloop
