#pragma once
// The picture modules over dlopen: "earlpkbd" is the file "earlpkbd.so".

#include "ports/picture_library.h"

namespace earloop {

class DlPictureLibraries : public PictureLibraries {
public:
    // Pictures larger than this on either side are taken for a broken module.
    static constexpr int kMaxSide = 4096;

    std::string ModuleFileName(const std::string& baseName) override;
    // A path without a folder is looked up in the current folder only, never
    // on the system's library path, so an unrelated library of the same name
    // is never picked up.
    std::optional<FrameBuffer> LoadPicture(const std::string& path, int bitmapId) override;
};

}  // namespace earloop
