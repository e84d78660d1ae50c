// In-place luminance conversion of 32-bit pixels: four bytes blue, green, red
// and a fourth byte that is either unused or alpha. This is the layout of X
// images of depth 24 and 32 on a little-endian server (pixel 0xXXRRGGBB).
// Each pixel's gray is grayLevel of its blue, green and red bytes, exactly as
// ConvertToGray gives it for 24-bit pixels; the fourth byte keeps its value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gray_conversion.h"

namespace velmora::gray {

// The readable reference: one pixel at a time. Converts `pixelCount`
// consecutive 4-byte pixels starting at `row`; reads and writes exactly those
// 4 * pixelCount bytes and never changes a pixel's fourth byte.
void convertBgrxRowPlain(std::uint8_t* row, std::size_t pixelCount);

// Every 32-bit-pixel variant built into this binary, the plain one first, and
// the choice among them (tests pin each supported variant through it). Each
// one gives exactly the bytes that convertBgrxRowPlain gives.
std::span<const Variant<RowConverter>> bgrxRowConverterVariants();
VariantDispatch<RowConverter>& bgrxRowConverterDispatch();

// Converts `height` rows of `width` 4-byte pixels that lie `bytesPerRow`
// apart (at least 4 * width) with `convertRow`; bytes between the end of a
// row's pixels and the next row are left alone.
void convertBgrxImage(std::uint8_t* pixels, std::size_t width, std::size_t height,
                      std::size_t bytesPerRow, RowConverter convertRow);

}  // namespace velmora::gray
