// Vectorised variants of the kernel's gray path (saturation 0, lightness
// kept) for x86; each gives exactly the bytes of lightnessGrayPlain.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__))
#define VELMORA_HSL_HAS_X86_VARIANTS 1
#else
#define VELMORA_HSL_HAS_X86_VARIANTS 0
#endif

#if VELMORA_HSL_HAS_X86_VARIANTS
namespace velmora::engine {

void lightnessGraySse2(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount);
void lightnessGrayAvx2(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount);

bool hslCpuHasSse2();
bool hslCpuHasAvx2();

}  // namespace velmora::engine
#endif
