// A picture module: carries the one program picture named by
// EARLOOP_MODULE_PICTURE at build time. The keyboard and spectrum backgrounds
// are shipped this way so that they can be replaced without rebuilding the
// program.

#include <algorithm>
#include <optional>

#include "resources/picture_module_abi.h"
#include "resources/pictures.h"

#ifndef EARLOOP_MODULE_PICTURE
#error "EARLOOP_MODULE_PICTURE must name the picture this module carries"
#endif

namespace {

std::optional<earloop::FrameBuffer> Carried(int id) {
    if (id != EARLOOP_MODULE_PICTURE) return std::nullopt;
    return earloop::RenderPicture(id);
}

}  // namespace

extern "C" int EarloopPictureSize(int id, int* width, int* height) {
    if (id != EARLOOP_MODULE_PICTURE || width == nullptr || height == nullptr) return 0;
    const auto picture = Carried(id);
    if (!picture) return 0;
    *width = picture->Width();
    *height = picture->Height();
    return 1;
}

extern "C" int EarloopPictureCopy(int id, unsigned char* rgb, size_t capacity) {
    if (rgb == nullptr) return 0;
    const auto picture = Carried(id);
    if (!picture || picture->Bytes().size() > capacity) return 0;
    std::copy(picture->Bytes().begin(), picture->Bytes().end(), rgb);
    return 1;
}
