#pragma once
// A decoder that knows only the files it was given.

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ports/audio_decoder.h"

namespace earloop::testing {

// Interleaved samples handed out in reads of what is asked; `breakAt` (in
// frames) makes the read that reaches it fail.
struct FakeStream {
    DecodedFormat format;
    std::vector<std::int16_t> samples;
    std::optional<std::size_t> breakAt;
};

class FakeDecoder : public AudioDecoder {
public:
    DecodeOpening Open(const std::string& path, std::uint32_t minimumRate) override {
        minimumRates.push_back(minimumRate);
        const auto known = files.find(path);
        if (known == files.end()) return DecodeRefusal::Unrecognized;
        if (const auto* refusal = std::get_if<DecodeRefusal>(&known->second)) return *refusal;
        return std::make_unique<Audio>(std::get<FakeStream>(known->second));
    }

    std::map<std::string, std::variant<FakeStream, DecodeRefusal>> files;
    std::vector<std::uint32_t> minimumRates;

private:
    class Audio : public DecodedAudio {
    public:
        explicit Audio(FakeStream stream) : stream_(std::move(stream)) {}
        const DecodedFormat& Format() const override { return stream_.format; }
        std::optional<std::size_t> Read(std::uint8_t* into, std::size_t frames) override {
            const std::size_t channels = stream_.format.channels;
            const std::size_t count = std::min(frames, stream_.samples.size() / channels - next_);
            if (stream_.breakAt && next_ + count >= *stream_.breakAt) return std::nullopt;
            std::memcpy(into, stream_.samples.data() + next_ * channels, count * channels * 2);
            next_ += count;
            return count;
        }

    private:
        FakeStream stream_;
        std::size_t next_ = 0;
    };
};

}  // namespace earloop::testing
