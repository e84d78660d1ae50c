// Vectorised row converters for x86. Each one gives exactly the bytes that
// convertRowPlain gives: the same double-precision products and sums in the
// same order, only several pixels at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__))
#define VELMORA_GRAY_HAS_X86_VARIANTS 1
#else
#define VELMORA_GRAY_HAS_X86_VARIANTS 0
#endif

#if VELMORA_GRAY_HAS_X86_VARIANTS
namespace velmora::gray {

void convertRowSse2(std::uint8_t* row, std::size_t pixelCount);
void convertRowAvx2(std::uint8_t* row, std::size_t pixelCount);

bool cpuHasSse2();
bool cpuHasAvx2();

}  // namespace velmora::gray
#endif
