#pragma once
// The interface of the loadable picture modules ("earlpkbd", "earlpfft"), shared
// by the modules and the loader. Plain C, so a module built by another compiler
// (or a replacement module a user drops in) is read the same way.
//
// Pictures are packed RGB rows, 3 bytes a pixel, top row first, no padding.

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Sets *width and *height of picture `id` and returns 1; returns 0 (leaving
// both alone) for a picture the module does not carry.
typedef int (*EarloopPictureSizeFunction)(int id, int* width, int* height);

// Copies picture `id` into `rgb` and returns 1; returns 0 for a picture the
// module does not carry or when `capacity` bytes cannot hold it.
typedef int (*EarloopPictureCopyFunction)(int id, unsigned char* rgb, size_t capacity);

#define EARLOOP_PICTURE_SIZE_SYMBOL "EarloopPictureSize"
#define EARLOOP_PICTURE_COPY_SYMBOL "EarloopPictureCopy"

#if defined(_WIN32)
#define EARLOOP_PICTURE_EXPORT __declspec(dllexport)
#else
#define EARLOOP_PICTURE_EXPORT __attribute__((visibility("default")))
#endif

EARLOOP_PICTURE_EXPORT int EarloopPictureSize(int id, int* width, int* height);
EARLOOP_PICTURE_EXPORT int EarloopPictureCopy(int id, unsigned char* rgb, size_t capacity);

#ifdef __cplusplus
}
#endif
