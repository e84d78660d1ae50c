// Vectorised variants of the kernel's gray path (saturation 0, lightness
// kept) for x86; each gives exactly the bytes of lightnessGrayPlain.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cpu_features.h"

#if VELMORA_HAS_X86_VARIANTS
namespace velmora::engine {

void lightnessGraySse2(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount);
void lightnessGrayAvx2(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount);

}  // namespace velmora::engine
#endif
