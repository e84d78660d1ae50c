#include "hsl_kernel_simd.h"

#if VELMORA_HAS_X86_VARIANTS

#include <immintrin.h>

#include "hsl_kernel.h"

namespace velmora::engine {
namespace {

// Each dword is a pixel: blue in its low byte, then green, red and the fourth
// byte. The low byte of max(x, x >> 8, x >> 16) is the largest channel, and
// likewise for the smallest; their sum s gives the gray (s + (s == 255)) / 2,
// written to the three channels beside the untouched fourth byte.

inline __m128i grayOfFourSse2(__m128i pixels) {
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i green = _mm_srli_epi32(pixels, 8);
    const __m128i red = _mm_srli_epi32(pixels, 16);
    const __m128i largest = _mm_and_si128(_mm_max_epu8(_mm_max_epu8(pixels, green), red), low);
    const __m128i smallest = _mm_and_si128(_mm_min_epu8(_mm_min_epu8(pixels, green), red), low);
    const __m128i sum = _mm_add_epi32(largest, smallest);
    const __m128i gray = _mm_srli_epi32(_mm_sub_epi32(sum, _mm_cmpeq_epi32(sum, _mm_set1_epi32(255))), 1);
    const __m128i channels = _mm_or_si128(_mm_or_si128(gray, _mm_slli_epi32(gray, 8)), _mm_slli_epi32(gray, 16));
    return _mm_or_si128(channels, _mm_andnot_si128(_mm_set1_epi32(0x00FFFFFF), pixels));
}

__attribute__((target("avx2"))) inline __m256i grayOfEightAvx2(__m256i pixels) {
    const __m256i low = _mm256_set1_epi32(0xFF);
    const __m256i green = _mm256_srli_epi32(pixels, 8);
    const __m256i red = _mm256_srli_epi32(pixels, 16);
    const __m256i largest = _mm256_and_si256(_mm256_max_epu8(_mm256_max_epu8(pixels, green), red), low);
    const __m256i smallest = _mm256_and_si256(_mm256_min_epu8(_mm256_min_epu8(pixels, green), red), low);
    const __m256i sum = _mm256_add_epi32(largest, smallest);
    const __m256i gray =
        _mm256_srli_epi32(_mm256_sub_epi32(sum, _mm256_cmpeq_epi32(sum, _mm256_set1_epi32(255))), 1);
    const __m256i channels = _mm256_mullo_epi32(gray, _mm256_set1_epi32(0x010101));
    return _mm256_or_si256(channels, _mm256_andnot_si256(_mm256_set1_epi32(0x00FFFFFF), pixels));
}

}  // namespace

void lightnessGraySse2(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount) {
    std::size_t i = 0;
    for (; i + 4 <= pixelCount; i += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * i), grayOfFourSse2(pixels));
    }
    lightnessGrayPlain(source + 4 * i, destination + 4 * i, pixelCount - i);
}

__attribute__((target("avx2"))) void lightnessGrayAvx2(const std::uint8_t* source, std::uint8_t* destination,
                                                        std::size_t pixelCount) {
    std::size_t i = 0;
    for (; i + 8 <= pixelCount; i += 8) {
        const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + 4 * i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * i), grayOfEightAvx2(pixels));
    }
    lightnessGrayPlain(source + 4 * i, destination + 4 * i, pixelCount - i);
}

}  // namespace velmora::engine

#endif
