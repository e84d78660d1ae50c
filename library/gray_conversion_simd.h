// Vectorised row converters for x86. Each one gives exactly the bytes that
// convertRowPlain gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cpu_features.h"

#if VELMORA_HAS_X86_VARIANTS
namespace velmora::gray {

void convertRowSse2(std::uint8_t* row, std::size_t pixelCount);
void convertRowAvx2(std::uint8_t* row, std::size_t pixelCount);

}  // namespace velmora::gray
#endif
