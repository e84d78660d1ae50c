// Real GDI bitmaps and picture objects for the pixel engine's tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>
#include <vector>

#include "com_ptr.h"
#include "dib_header.h"
#include "picture.h"

namespace velmora::test {

// 32-bit pixels, rows bottom-up (as GetDIBits delivers them), random values
// with the fourth byte zero (a device-dependent bitmap keeps none).
inline std::vector<std::uint8_t> randomBottomUpPixels(int width, int height, unsigned seed) {
    std::vector<std::uint8_t> pixels(4 * static_cast<std::size_t>(width) * height);
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 0 : static_cast<std::uint8_t>(random());
    return pixels;
}

// A device-dependent bitmap (no pixel memory of its own) holding `pixels`.
inline HBITMAP deviceDependentBitmap(int width, int height, const std::vector<std::uint8_t>& pixels) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const BITMAPINFO info = runtime::dibHeader(width, height, 32);
    SetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// A bottom-up DIB section of `bitsPerPixel`, its memory filled with random bytes.
inline HBITMAP dibSection(int width, int height, int bitsPerPixel, void** bits, unsigned seed = 1) {
    const BITMAPINFO info = runtime::dibHeader(width, height, static_cast<WORD>(bitsPerPixel));
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    BITMAP shape{};
    GetObjectW(bitmap, sizeof(shape), &shape);
    std::mt19937 random(seed);
    auto* bytes = static_cast<std::uint8_t*>(*bits);
    for (long i = 0; i < shape.bmWidthBytes * shape.bmHeight; ++i) bytes[i] = static_cast<std::uint8_t>(random());
    return bitmap;
}

inline runtime::ComPtr<IPicture> pictureView(const runtime::PictureObject& picture) {
    return picture.as<IPicture>();
}

inline bool isLiveGdiObject(HGDIOBJ object) { return GetObjectType(object) != 0; }

}  // namespace velmora::test
