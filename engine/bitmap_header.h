// The header of the 32-bit bottom-up device-independent bitmaps the pixel
// engine reads and makes.
#pragma once

#include <windows.h>

#include <cstdint>

namespace velmora::engine {

// A header and one zero colour entry: `width` x `height` pixels of 32 bits,
// BI_RGB, rows bottom-up (positive height), `imageBytes` as the image size;
// resolution and colour counts 0.
inline BITMAPINFO bottomUp32BitHeader(std::int32_t width, std::int32_t height, std::int32_t imageBytes) {
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    header.bmiHeader.biSizeImage = static_cast<DWORD>(imageBytes);
    return header;
}

}  // namespace velmora::engine
