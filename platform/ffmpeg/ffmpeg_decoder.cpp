#include "platform/ffmpeg/ffmpeg_decoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace earloop {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ResamplerCloser {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct PacketCloser {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameCloser {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FormatHandle = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecHandle = std::unique_ptr<AVCodecContext, CodecCloser>;
using ResamplerHandle = std::unique_ptr<SwrContext, ResamplerCloser>;
using PacketHandle = std::unique_ptr<AVPacket, PacketCloser>;
using FrameHandle = std::unique_ptr<AVFrame, FrameCloser>;

std::string Upper(const char* text) {
    std::string upper = text ? text : "";
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return upper;
}

// The name people know the sound by: the codec's, or for plain PCM the
// container's ("AIFF").
std::string FormatName(const AVFormatContext& container, const AVCodecParameters& codec) {
    switch (codec.codec_id) {
        case AV_CODEC_ID_VORBIS: return "Vorbis";
        case AV_CODEC_ID_OPUS: return "Opus";
        default: break;
    }
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec.codec_id);
    if (descriptor && std::strncmp(descriptor->name, "pcm_", 4) == 0) {
        // "aiff", or the first of a list of names ("mov,mp4,m4a,...").
        const std::string names = container.iformat->name;
        return Upper(names.substr(0, names.find(',')).c_str());
    }
    return Upper(avcodec_get_name(codec.codec_id));
}

class FfmpegAudio : public DecodedAudio {
public:
    FfmpegAudio(FormatHandle container, CodecHandle codec, ResamplerHandle resampler, int stream,
                DecodedFormat format)
        : container_(std::move(container)),
          codec_(std::move(codec)),
          resampler_(std::move(resampler)),
          packet_(av_packet_alloc()),
          frame_(av_frame_alloc()),
          stream_(stream),
          format_(std::move(format)),
          inFormat_(codec_->sample_fmt),
          inRate_(codec_->sample_rate),
          inChannels_(codec_->ch_layout.nb_channels) {}

    bool Allocated() const { return packet_ && frame_; }
    const DecodedFormat& Format() const override { return format_; }

    std::optional<std::size_t> Read(std::uint8_t* into, std::size_t frames) override {
        const std::size_t frameBytes = std::size_t{format_.channels} * 2;
        std::size_t delivered = 0;
        while (delivered < frames) {
            if (taken_ < pending_.size()) {
                const std::size_t count = std::min(frames - delivered, (pending_.size() - taken_) / frameBytes);
                std::memcpy(into + delivered * frameBytes, pending_.data() + taken_, count * frameBytes);
                taken_ += count * frameBytes;
                delivered += count;
                continue;
            }
            if (finished_) break;
            if (!Convert()) return std::nullopt;
        }
        return delivered;
    }

private:
    // Fills `pending_` with the next decoded frame, converted; at the end with
    // the resampler's tail, after which `finished_` is set.
    bool Convert() {
        pending_.clear();
        taken_ = 0;
        for (;;) {
            const int received = avcodec_receive_frame(codec_.get(), frame_.get());
            if (received == 0) {
                // The resampler was set up for the stream's first layout; a
                // stream that changes it midway is not taken.
                const bool converted =
                    frame_->format == inFormat_ && frame_->sample_rate == inRate_ &&
                    frame_->ch_layout.nb_channels == inChannels_ &&
                    Resample(const_cast<const std::uint8_t**>(frame_->extended_data), frame_->nb_samples);
                av_frame_unref(frame_.get());
                return converted;
            }
            if (received == AVERROR_EOF) {
                finished_ = true;
                return Resample(nullptr, 0);
            }
            if (received != AVERROR(EAGAIN)) return false;
            if (!Feed()) return false;
        }
    }

    // The next packet of the stream to the decoder; at the end of the file
    // the decoder is asked to drain. A damaged packet is skipped, as players
    // skip it.
    bool Feed() {
        for (;;) {
            const int read = av_read_frame(container_.get(), packet_.get());
            if (read == AVERROR_EOF) return avcodec_send_packet(codec_.get(), nullptr) == 0;
            if (read < 0) return false;
            if (packet_->stream_index != stream_) {
                av_packet_unref(packet_.get());
                continue;
            }
            const int sent = avcodec_send_packet(codec_.get(), packet_.get());
            av_packet_unref(packet_.get());
            if (sent == 0 || sent == AVERROR_INVALIDDATA) return true;
            return false;
        }
    }

    bool Resample(const std::uint8_t** in, int count) {
        const int room = swr_get_out_samples(resampler_.get(), count);
        if (room < 0) return false;
        pending_.resize(static_cast<std::size_t>(room) * format_.channels * 2);
        std::uint8_t* out = pending_.data();
        const int made = swr_convert(resampler_.get(), &out, room, in, count);
        if (made < 0) return false;
        pending_.resize(static_cast<std::size_t>(made) * format_.channels * 2);
        return true;
    }

    FormatHandle container_;
    CodecHandle codec_;
    ResamplerHandle resampler_;
    PacketHandle packet_;
    FrameHandle frame_;
    int stream_;
    DecodedFormat format_;
    int inFormat_;    // what the resampler takes
    int inRate_;
    int inChannels_;
    std::vector<std::uint8_t> pending_;  // converted frames not yet delivered
    std::size_t taken_ = 0;              // bytes of them delivered
    bool finished_ = false;
};

}  // namespace

FfmpegDecoder::FfmpegDecoder() { av_log_set_level(AV_LOG_QUIET); }

DecodeOpening FfmpegDecoder::Open(const std::string& path, std::uint32_t minimumRate) {
    // What the file is, told apart from whether it can be read: a file whose
    // start no format claims is unknown to the decoder, and one that claims a
    // format but breaks it (a truncated MP3) is refused as undecodable.
    const AVInputFormat* known = nullptr;
    {
        AVIOContext* input = nullptr;
        if (avio_open(&input, path.c_str(), AVIO_FLAG_READ) < 0) return DecodeRefusal::Unrecognized;
        const int probed = av_probe_input_buffer2(input, &known, path.c_str(), nullptr, 0, 0);
        avio_closep(&input);
        if (probed < 0 || !known) return DecodeRefusal::Unrecognized;
    }
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), known, nullptr) < 0) return DecodeRefusal::Undecodable;
    FormatHandle container(opened);
    if (avformat_find_stream_info(container.get(), nullptr) < 0) return DecodeRefusal::Undecodable;

    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(container.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream == AVERROR_STREAM_NOT_FOUND) return DecodeRefusal::NoAudio;
    if (stream < 0 || !decoder) return DecodeRefusal::Undecodable;
    const AVStream& audio = *container->streams[stream];
    // Only the chosen stream's packets are wanted.
    for (unsigned i = 0; i < container->nb_streams; ++i) {
        if (static_cast<int>(i) != stream) container->streams[i]->discard = AVDISCARD_ALL;
    }

    CodecHandle codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), audio.codecpar) < 0) return DecodeRefusal::Undecodable;
    codec->thread_count = 0;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0 || codec->sample_rate <= 0 ||
        codec->ch_layout.nb_channels <= 0) {
        return DecodeRefusal::Undecodable;
    }

    DecodedFormat format;
    format.name = FormatName(*container, *audio.codecpar);
    format.channels = codec->ch_layout.nb_channels >= 2 ? 2 : 1;
    format.rate = std::max<std::uint32_t>(static_cast<std::uint32_t>(codec->sample_rate), minimumRate);
    double seconds = 0;
    if (audio.duration > 0) {
        seconds = audio.duration * av_q2d(audio.time_base);
    } else if (container->duration > 0) {
        seconds = static_cast<double>(container->duration) / AV_TIME_BASE;
    }
    format.expectedFrames = static_cast<std::uint64_t>(seconds * format.rate + 0.5);

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, format.channels);
    SwrContext* resampler = nullptr;
    const int made = swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, static_cast<int>(format.rate),
                                         &codec->ch_layout, codec->sample_fmt, codec->sample_rate, 0, nullptr);
    ResamplerHandle resamplerHandle(resampler);
    if (made < 0 || swr_init(resampler) < 0) return DecodeRefusal::Undecodable;

    auto decoded = std::make_unique<FfmpegAudio>(std::move(container), std::move(codec), std::move(resamplerHandle),
                                                 stream, std::move(format));
    if (!decoded->Allocated()) return DecodeRefusal::Undecodable;
    return std::unique_ptr<DecodedAudio>(std::move(decoded));
}

}  // namespace earloop
