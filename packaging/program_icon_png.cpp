// Writes the program's icon as a PNG of the size asked for, for the desktop's
// icon theme: the same drawing the program shows in its window, so the menus
// and the window agree at every size.
// usage: earloop-icon-png SIZE OUT.png

#include <zlib.h>

#include <optional>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "resources/pictures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A chunk: its length, its type and data, and the CRC of both.
void PutChunk(Bytes& out, std::string_view type, const Bytes& data) {
    PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian32(out, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// An 8-bit RGB PNG of the picture, each row without a filter.
std::optional<Bytes> EncodePng(const earloop::FrameBuffer& picture) {
    Bytes rows;
    for (int y = 0; y < picture.Height(); ++y) {
        rows.push_back(0);
        for (int x = 0; x < picture.Width(); ++x) {
            const earloop::Rgb p = picture.Pixel(x, y);
            rows.insert(rows.end(), {p.r, p.g, p.b});
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
        return std::nullopt;
    packed.resize(packedSize);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBigEndian32(header, static_cast<std::uint32_t>(picture.Width()));
    PutBigEndian32(header, static_cast<std::uint32_t>(picture.Height()));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    int size = 0;
    const std::string_view sizeText = argc == 3 ? argv[1] : "";
    const auto parsed = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (argc != 3 || parsed.ec != std::errc() || parsed.ptr != sizeText.data() + sizeText.size() || size < 1 ||
        size > 1024) {
        std::fprintf(stderr, "usage: earloop-icon-png SIZE OUT.png   (SIZE 1 to 1024 pixels)\n");
        return 2;
    }
    const std::optional<Bytes> png = EncodePng(earloop::RenderProgramIcon(size));
    std::ofstream out(argv[2], std::ios::binary);
    if (png) out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    if (!png || !out.flush()) {
        std::fprintf(stderr, "earloop-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
