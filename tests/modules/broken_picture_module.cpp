// A picture module that answers nonsense, for the loader's tests: the loader
// must refuse its pictures rather than allocate or copy on its word.

#include "resources/picture_module_abi.h"

extern "C" int EarloopPictureSize(int id, int* width, int* height) {
    switch (id) {
        case 1: *width = 100000; *height = 10; return 1;  // far too wide
        case 2: *width = 10; *height = -3; return 1;      // negative
        case 3: *width = 0; *height = 10; return 1;       // empty
        case 4: *width = 2; *height = 2; return 1;        // sensible, but its copy fails
        default: return 0;
    }
}

extern "C" int EarloopPictureCopy(int, unsigned char*, size_t) { return 0; }
