#include "platform/posix/dl_picture_libraries.h"

#include <dlfcn.h>

#include "resources/picture_module_abi.h"

namespace earloop {

namespace {

// Closes the module on every way out of LoadPicture.
class ModuleHandle {
public:
    explicit ModuleHandle(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~ModuleHandle() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }

    template <typename Function>
    Function Find(const char* name) const {
        // POSIX guarantees that a function's address survives the trip
        // through dlsym's void pointer.
        return reinterpret_cast<Function>(dlsym(handle_, name));
    }

private:
    void* handle_;
};

}  // namespace

std::string DlPictureLibraries::ModuleFileName(const std::string& baseName) { return baseName + ".so"; }

std::optional<FrameBuffer> DlPictureLibraries::LoadPicture(const std::string& path, int bitmapId) {
    if (path.empty()) return std::nullopt;
    const ModuleHandle module(path.find('/') == std::string::npos ? "./" + path : path);
    if (!module) return std::nullopt;
    const auto size = module.Find<EarloopPictureSizeFunction>(EARLOOP_PICTURE_SIZE_SYMBOL);
    const auto copy = module.Find<EarloopPictureCopyFunction>(EARLOOP_PICTURE_COPY_SYMBOL);
    if (size == nullptr || copy == nullptr) return std::nullopt;

    int width = 0, height = 0;
    if (size(bitmapId, &width, &height) != 1) return std::nullopt;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;

    FrameBuffer picture(width, height);
    if (copy(bitmapId, picture.Bytes().data(), picture.Bytes().size()) != 1) return std::nullopt;
    return picture;
}

}  // namespace earloop
