// PixelBufferInfo: two records of the platform's BITMAP layout back to back,
// describing the untouched copy of a picture's pixels (the kernel's source)
// and the pixels the kernel writes (its destination, what the writer shows).
// The record points into memory it does not own.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora::engine {

#ifdef _WIN32
using BitmapRecord = ::BITMAP;
#else
// The layout of the platform's BITMAP record, for builds without its headers.
struct BitmapRecord {
    std::int32_t bmType;
    std::int32_t bmWidth;
    std::int32_t bmHeight;
    std::int32_t bmWidthBytes;
    std::uint16_t bmPlanes;
    std::uint16_t bmBitsPixel;
    void* bmBits;
};
#endif

struct PixelBufferInfo {
    BitmapRecord SourceBitmap;
    BitmapRecord TargetBitmap;
};

// BITMAP is 24 bytes on 32-bit Windows and 32 on 64-bit (the address is
// aligned to 8 there); the two records follow each other without a gap.
static_assert(sizeof(BitmapRecord) == (sizeof(void*) == 4 ? 24 : 32));
static_assert(offsetof(BitmapRecord, bmWidth) == 4 && offsetof(BitmapRecord, bmHeight) == 8 &&
              offsetof(BitmapRecord, bmWidthBytes) == 12 && offsetof(BitmapRecord, bmPlanes) == 16 &&
              offsetof(BitmapRecord, bmBitsPixel) == 18);
static_assert(offsetof(BitmapRecord, bmBits) == (sizeof(void*) == 4 ? 20 : 24));
static_assert(offsetof(PixelBufferInfo, SourceBitmap) == 0);
static_assert(offsetof(PixelBufferInfo, TargetBitmap) == sizeof(BitmapRecord));
static_assert(sizeof(PixelBufferInfo) == 2 * sizeof(BitmapRecord));

}  // namespace velmora::engine
