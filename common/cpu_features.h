// What the CPU running this process can execute. Vectorised code is built into
// every x86 binary and chosen at run time, so the baseline build needs nothing
// beyond SSE2 (which 32-bit builds enable with -msse2).
#pragma once

#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__))
#define VELMORA_HAS_X86_VARIANTS 1
#else
#define VELMORA_HAS_X86_VARIANTS 0
#endif

#if VELMORA_HAS_X86_VARIANTS
namespace velmora::cpu {

inline bool hasSse2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
}

inline bool hasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

}  // namespace velmora::cpu
#endif
