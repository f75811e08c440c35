#include "platform/audio/flac_writer.h"

#include <cerrno>

namespace earloop {

namespace {
// libFLAC's default: its own choice of the balance of size and speed.
constexpr unsigned kCompressionLevel = 5;
}  // namespace

FlacWriter::FlacWriter(std::string path, std::uint16_t channels, std::uint32_t rate)
    : AudioFileWriter(std::move(path), channels, rate) {}

FlacWriter::~FlacWriter() {
    if (encoder_) Abandon();
}

bool FlacWriter::Open() {
    if (!OpenFile()) return false;
    encoder_ = FLAC__stream_encoder_new();
    if (!encoder_) return Fail(ENOMEM);
    FLAC__stream_encoder_set_channels(encoder_, channels_);
    FLAC__stream_encoder_set_bits_per_sample(encoder_, 16);
    FLAC__stream_encoder_set_sample_rate(encoder_, rate_);
    FLAC__stream_encoder_set_compression_level(encoder_, kCompressionLevel);
    if (FLAC__stream_encoder_init_stream(encoder_, WriteBytes, SeekTo, Tell, nullptr, this) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        return Failed() ? false : Fail(EIO);
    return !Failed();
}

void FlacWriter::Append(const float* stereo, std::size_t frames) {
    if (Failed() || frames == 0) return;
    const std::vector<std::int16_t>& samples = Pcm16(stereo, frames);
    wide_.assign(samples.begin(), samples.end());
    if (!FLAC__stream_encoder_process_interleaved(encoder_, wide_.data(), static_cast<std::uint32_t>(frames))) {
        if (!Failed()) Fail(EIO);
        return;
    }
    frames_ += frames;
}

bool FlacWriter::Finish() {
    if (!file_) return false;
    // Finishing writes the last frames and the stream's summary at the start.
    if (!FLAC__stream_encoder_finish(encoder_) && !Failed()) Fail(EIO);
    FLAC__stream_encoder_delete(encoder_);
    encoder_ = nullptr;
    if (!Failed() && std::fflush(file_) != 0) Fail(errno);
    return CloseFile();
}

void FlacWriter::Abandon() {
    DeleteEncoder();
    AudioFileWriter::Abandon();
}

void FlacWriter::DeleteEncoder() {
    if (!encoder_) return;
    discarding_ = true;
    FLAC__stream_encoder_delete(encoder_);
    encoder_ = nullptr;
    discarding_ = false;
}

FLAC__StreamEncoderWriteStatus FlacWriter::WriteBytes(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                                      std::size_t bytes, std::uint32_t, std::uint32_t, void* self) {
    auto& writer = *static_cast<FlacWriter*>(self);
    if (writer.discarding_) return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    if (writer.Failed()) return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    if (std::fwrite(buffer, 1, bytes, writer.file_) != bytes) {
        writer.Fail(errno);
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus FlacWriter::SeekTo(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* self) {
    auto& writer = *static_cast<FlacWriter*>(self);
    if (writer.discarding_) return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    if (::fseeko(writer.file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
        writer.Fail(errno);
        return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    }
    return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus FlacWriter::Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* self) {
    auto& writer = *static_cast<FlacWriter*>(self);
    const off_t at = ::ftello(writer.file_);
    if (at < 0) {
        writer.Fail(errno);
        return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    }
    *offset = static_cast<FLAC__uint64>(at);
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

}  // namespace earloop
