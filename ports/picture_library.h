#pragma once
#include <optional>
#include <string>

#include "picture/frame_buffer.h"

namespace earloop {

// The loadable picture modules that lie beside the program.
class PictureLibraries {
public:
    virtual ~PictureLibraries() = default;
    // The platform's file name of a module called `baseName` ("earlpkbd" gives
    // "earlpkbd.so" here).
    virtual std::string ModuleFileName(const std::string& baseName) = 0;
    // Loads the module at `path`, takes bitmap `bitmapId` from it and releases
    // the module; nullopt when the module cannot be loaded or lacks the bitmap.
    virtual std::optional<FrameBuffer> LoadPicture(const std::string& path, int bitmapId) = 0;
};

}  // namespace earloop
