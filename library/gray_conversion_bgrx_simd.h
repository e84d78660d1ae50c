// Vectorised 32-bit-pixel row converters for x86. Each one gives exactly the
// bytes that convertBgrxRowPlain gives (see gray_conversion_bgrx_simd.cpp for
// why its integer shortcut is exact).
#pragma once

#include <cstddef>
#include <cstdint>

#include "cpu_features.h"

#if VELMORA_HAS_X86_VARIANTS
namespace velmora::gray {

void convertBgrxRowSse2(std::uint8_t* row, std::size_t pixelCount);
void convertBgrxRowAvx2(std::uint8_t* row, std::size_t pixelCount);

}  // namespace velmora::gray
#endif
