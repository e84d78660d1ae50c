// In-place luminance conversion of 24-bit pixel buffers whose rows are padded
// to a multiple of four bytes (the layout of an uncompressed 24-bit DIB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "variant_dispatch.h"

namespace velmora::gray {

// Weights of red, green and blue; each is the double nearest to its decimal.
inline constexpr double kRedWeight = 0.299;
inline constexpr double kGreenWeight = 0.587;
inline constexpr double kBlueWeight = 0.114;

// The gray level of one pixel: the weighted sum formed in double precision in
// the order red, green, blue (each product and sum rounded to double), then
// truncated toward zero.
inline std::uint8_t grayLevel(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    double sum = red * kRedWeight;
    sum = sum + green * kGreenWeight;
    sum = sum + blue * kBlueWeight;
    return static_cast<std::uint8_t>(static_cast<int>(sum));
}

// Converts `pixelCount` consecutive blue-green-red pixels starting at `row`.
// Every variant reads and writes exactly those 3 * pixelCount bytes.
using RowConverter = void (*)(std::uint8_t* row, std::size_t pixelCount);

// The readable reference: one pixel at a time.
void convertRowPlain(std::uint8_t* row, std::size_t pixelCount);

// Every variant built into this binary, the plain one first, and the choice
// ConvertToGray runs with (tests pin each supported variant through it).
std::span<const Variant<RowConverter>> rowConverterVariants();
VariantDispatch<RowConverter>& rowConverterDispatch();

// Distance in bytes from one row to the next: 3 * width rounded up to a
// multiple of four. Computed in 64 bits so that no width can overflow it.
inline std::uint64_t rowPitch(std::int32_t width) {
    return (3 * static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) + 3) & ~std::uint64_t{3};
}

// Converts `height` rows of `width` pixels with `convertRow`, leaving each row's
// padding bytes alone. No buffer, or a width or height of zero or less,
// converts nothing.
void convertBuffer(std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                   RowConverter convertRow);

}  // namespace velmora::gray
