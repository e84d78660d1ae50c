// The header of an uncompressed device-independent bitmap, as every DIB the
// programs and their tests make or read is described.
#pragma once

#include <windows.h>

#include <cstdint>

namespace velmora::runtime {

// A BITMAPINFO (the header and one colour entry), all zero but for the
// header's size, `width` and `height` (rows bottom-up for a positive height,
// top-down for a negative one), one plane, `bitsPerPixel`, BI_RGB and
// `imageBytes` (0 where the system works it out).
inline BITMAPINFO dibHeader(std::int32_t width, std::int32_t height, WORD bitsPerPixel, DWORD imageBytes = 0) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = imageBytes;
    return info;
}

}  // namespace velmora::runtime
