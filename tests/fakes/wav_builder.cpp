#include "fakes/wav_builder.h"

namespace earloop::testing {

std::string U16Le(std::uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string U32Le(std::uint32_t value) {
    return U16Le(static_cast<std::uint16_t>(value & 0xFFFF)) + U16Le(static_cast<std::uint16_t>(value >> 16));
}

std::string Chunk(std::string_view tag, std::string_view body) {
    std::string chunk(tag);
    chunk += U32Le(static_cast<std::uint32_t>(body.size()));
    chunk += body;
    if (body.size() % 2 != 0) chunk += '\0';
    return chunk;
}

std::vector<std::int16_t> RampSamples(std::size_t frames, std::uint16_t channels) {
    std::vector<std::int16_t> samples;
    samples.reserve(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(i % 32768);
        samples.push_back(value);
        for (std::uint16_t c = 1; c < channels; ++c) samples.push_back(static_cast<std::int16_t>(-value));
    }
    return samples;
}

std::string MakeWav(const WaveSpec& spec) {
    const auto align = spec.blockAlign.value_or(static_cast<std::uint16_t>(spec.channels * spec.bits / 8));
    std::string format = U16Le(spec.formatTag) + U16Le(spec.channels) + U32Le(spec.rate) +
                         U32Le(spec.avgBytesPerSec.value_or(spec.rate * align)) + U16Le(align) + U16Le(spec.bits);
    format.resize(spec.fmtSize, '\0');

    std::string data;
    if (spec.rawData) {
        data = *spec.rawData;
    } else {
        for (const std::int16_t sample : spec.samples) data += U16Le(static_cast<std::uint16_t>(sample));
    }

    std::string body = spec.waveTag + spec.fmtTag + U32Le(spec.fmtSize) + format + spec.beforeData;
    if (spec.withDataChunk) {
        body += "data" + U32Le(spec.dataSize.value_or(static_cast<std::uint32_t>(data.size()))) + data;
    }
    body += spec.afterData;
    return spec.riffTag + U32Le(static_cast<std::uint32_t>(body.size())) + body;
}

}  // namespace earloop::testing
