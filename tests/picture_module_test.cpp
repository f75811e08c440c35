#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/dl_picture_libraries.h"
#include "resources/picture_module_abi.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

namespace fs = std::filesystem;

// The module's file in the build's bin folder, named as the program names it.
std::string Module(const std::string& baseName) {
    DlPictureLibraries libraries;
    return std::string(EARLOOP_BIN_DIR) + "/" + libraries.ModuleFileName(baseName);
}

TEST(PictureModuleTest, EachModuleGivesExactlyTheProgramsPicture) {
    DlPictureLibraries libraries;
    const auto keyboard = libraries.LoadPicture(Module("earlpkbd"), 106);
    ASSERT_TRUE(keyboard.has_value());
    EXPECT_EQ(*keyboard, *RenderPicture(PictureId::Keyboard));
    const auto grid = libraries.LoadPicture(Module("earlpfft"), 108);
    ASSERT_TRUE(grid.has_value());
    EXPECT_EQ(*grid, *RenderPicture(PictureId::SpectrumGrid));
    // Loading again after the module was released works the same.
    EXPECT_EQ(libraries.LoadPicture(Module("earlpkbd"), 106), keyboard);
}

TEST(PictureModuleTest, EachModuleCarriesOnlyItsOwnPicture) {
    DlPictureLibraries libraries;
    for (const int id : {108, 104, 129, 0, -1}) EXPECT_FALSE(libraries.LoadPicture(Module("earlpkbd"), id)) << id;
    for (const int id : {106, 107, 0}) EXPECT_FALSE(libraries.LoadPicture(Module("earlpfft"), id)) << id;
}

TEST(PictureModuleTest, CopyRefusesABufferTooSmall) {
    void* module = dlopen(Module("earlpkbd").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto size = reinterpret_cast<EarloopPictureSizeFunction>(dlsym(module, EARLOOP_PICTURE_SIZE_SYMBOL));
    const auto copy = reinterpret_cast<EarloopPictureCopyFunction>(dlsym(module, EARLOOP_PICTURE_COPY_SYMBOL));
    ASSERT_NE(size, nullptr);
    ASSERT_NE(copy, nullptr);
    int width = 0, height = 0;
    EXPECT_EQ(size(106, &width, &height), 1);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 108);
    std::vector<unsigned char> rgb(600 * 108 * 3, 0xAB);
    EXPECT_EQ(copy(106, rgb.data(), rgb.size() - 1), 0);
    EXPECT_EQ(rgb.front(), 0xAB) << "a refused copy writes nothing";
    EXPECT_EQ(copy(106, rgb.data(), rgb.size()), 1);
    EXPECT_EQ(size(108, &width, &height), 0);
    dlclose(module);
}

TEST(PictureModuleTest, MissingOrForeignFilesGiveNothing) {
    DlPictureLibraries libraries;
    EXPECT_FALSE(libraries.LoadPicture(std::string(EARLOOP_BIN_DIR) + "/no-such-module.so", 106));
    EXPECT_FALSE(libraries.LoadPicture("", 106));
    // A bare name is looked for in the current folder, not on the library path.
    EXPECT_FALSE(libraries.LoadPicture("libc.so.6", 106));

    std::string folder = (fs::temp_directory_path() / "earloop-modules-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string text = folder + "/earlpkbd.so";
    std::ofstream(text) << "not a shared object\n";
    EXPECT_FALSE(libraries.LoadPicture(text, 106));
    // A real library that is not a picture module.
    EXPECT_FALSE(libraries.LoadPicture("/lib/x86_64-linux-gnu/libm.so.6", 106));
    fs::remove_all(folder);
}

TEST(PictureModuleTest, AbsurdAnswersOfAModuleAreRefused) {
    DlPictureLibraries libraries;
    const std::string broken = Module("earloop_broken_picture_module");
    ASSERT_TRUE(fs::exists(broken));
    for (const int id : {1, 2, 3, 4, 5}) EXPECT_FALSE(libraries.LoadPicture(broken, id)) << id;
}

}  // namespace
}  // namespace earloop
