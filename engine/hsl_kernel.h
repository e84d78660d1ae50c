// The hue/saturation/lightness kernel: integer-only, 12.20 fixed point.
//
// Parameters are signed 32-bit fixed-point values; a negative one keeps the
// pixel's own component. Hue is a position on the colour circle in sixths
// (0 magenta, 1 blue, 2 cyan, 3 green, 4 yellow, 5 red), saturation the HSL
// saturation to set (0 to ONE; above ONE counts as ONE), lightness a factor
// on the pixel's own lightness (ONE keeps it; the result is capped at ONE).
// Pixels are four bytes: blue, green, red, and a fourth byte that is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pixel_buffer_info.h"
#include "variant_dispatch.h"

namespace velmora::engine {

inline constexpr std::uint32_t kOne = 1u << 20;   // 1.0
inline constexpr std::uint32_t kHalf = 1u << 19;  // 0.5

struct HslParameters {
    std::int32_t hue;
    std::int32_t saturation;
    std::int32_t lightness;
};

// Recolours the TargetBitmap.bmWidth x bmHeight pixels from SourceBitmap.bmBits
// into TargetBitmap.bmBits (the same block or two separate ones), in memory
// order. No record (null), or one without pixels (a width or height of zero
// or less), reads and writes no memory. Always returns -1.
std::int32_t HslKernel(PixelBufferInfo* info, std::int32_t hue, std::int32_t saturation, std::int32_t lightness);

// The readable reference: every pixel through the full model.
void recolourPlain(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount,
                   const HslParameters& parameters);

// Saturation 0 with lightness kept (any hue): every pixel becomes the gray of
// its lightness, floor((max + min) / 2), except max + min = 255, which gives
// 128. Variants with the same signature, the plain one first, and the choice
// HslKernel runs with (tests pin each supported variant through it).
using GrayConverter = void (*)(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount);

void lightnessGrayPlain(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount);
std::span<const Variant<GrayConverter>> lightnessGrayVariants();
VariantDispatch<GrayConverter>& lightnessGrayDispatch();

}  // namespace velmora::engine
