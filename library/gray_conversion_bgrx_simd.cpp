#include "gray_conversion_bgrx_simd.h"

#if VELMORA_HAS_X86_VARIANTS

#include <immintrin.h>

#include "gray_conversion.h"
#include "gray_conversion_bgrx.h"

namespace velmora::gray {
namespace {

// How both variants stay exact while doing most pixels in integers:
//
// N = 299 R + 587 G + 114 B is the weighted sum times 1000, exactly. Where N
// is not a multiple of 1000 the exact sum lies at least 0.001 away from an
// integer, and the double sum (two roundings of products below 256 and two of
// sums below 256) differs from it by less than 1e-12, so its truncation is
// N / 1000. Where N is a multiple of 1000, as for every pixel with three equal
// channels, the double sum may fall just below the integer (128, 128, 128
// gives 127.99999999999999) and only the double arithmetic itself decides: a
// vector holding such a pixel is computed in doubles, products and sums in the
// order of grayLevel, or, when all its pixels are alike, as one pixel.
//
// Within each 32-bit lane: N fits in 18 bits; N / 8 fits in 16 bits, so the
// 16-bit multiplications below see the lane's upper half as zero.
constexpr int kBlueRedFactors = (299 << 16) | 114;  // for the words (blue, red)
constexpr int kGreenFactor = 587;  // for the words (green, fourth)
// N / 1000 = (N / 8) / 125, and for N / 8 up to 31875 the second division is
// a multiplication by 33555 / 2^22: the high half of the 16-bit product, >> 6.
constexpr short kReciprocalOf125 = static_cast<short>(33555);
// N / 8 is a multiple of 125 exactly when (N / 8) times the inverse of 125
// modulo 2^16 (30933) is at most 65535 / 125 = 524.
constexpr short kInverseOf125 = 30933;
constexpr int kMultipleOf125Bound = 525;
constexpr int kColourBytes = 0x00FFFFFF;
constexpr int kFourthByte = static_cast<int>(0xFF000000u);

// ---- SSE2: four pixels per vector ----------------------------------------

inline __m128i loadFour(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

inline __m128i weightedSumsTimes1000(__m128i pixels) {
    const __m128i everyOtherByte = _mm_set1_epi32(0x00FF00FF);
    const __m128i blueRed = _mm_and_si128(pixels, everyOtherByte);
    const __m128i greenFourth = _mm_and_si128(_mm_srli_epi32(pixels, 8), everyOtherByte);
    return _mm_add_epi32(_mm_madd_epi16(blueRed, _mm_set1_epi32(kBlueRedFactors)),
                         _mm_madd_epi16(greenFourth, _mm_set1_epi32(kGreenFactor)));
}

inline __m128i thousandths(__m128i sums) {
    const __m128i eighths = _mm_srli_epi32(sums, 3);
    return _mm_srli_epi16(_mm_mulhi_epu16(eighths, _mm_set1_epi16(kReciprocalOf125)), 6);
}

// All ones in the lanes whose sum is a multiple of 1000.
inline __m128i multiplesOf1000(__m128i sums) {
    const __m128i eighths = _mm_srli_epi32(sums, 3);
    const __m128i timesInverse = _mm_mullo_epi16(eighths, _mm_set1_epi16(kInverseOf125));
    const __m128i multipleOf8 =
        _mm_cmpeq_epi32(_mm_and_si128(sums, _mm_set1_epi32(7)), _mm_setzero_si128());
    return _mm_and_si128(multipleOf8,
                         _mm_cmpgt_epi32(_mm_set1_epi32(kMultipleOf125Bound), timesInverse));
}

inline bool allFourAlike(__m128i pixels) {
    const __m128i colours = _mm_and_si128(pixels, _mm_set1_epi32(kColourBytes));
    const __m128i first = _mm_shuffle_epi32(colours, _MM_SHUFFLE(0, 0, 0, 0));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(colours, first)) == 0xFFFF;
}

// Gray levels of the pixels in the low two lanes of the channel vectors.
inline __m128i grayOfTwoInDoubles(__m128i blue, __m128i green, __m128i red) {
    __m128d sum = _mm_mul_pd(_mm_cvtepi32_pd(red), _mm_set1_pd(kRedWeight));
    sum = _mm_add_pd(sum, _mm_mul_pd(_mm_cvtepi32_pd(green), _mm_set1_pd(kGreenWeight)));
    sum = _mm_add_pd(sum, _mm_mul_pd(_mm_cvtepi32_pd(blue), _mm_set1_pd(kBlueWeight)));
    return _mm_cvttpd_epi32(sum);
}

inline __m128i grayOfFourInDoubles(__m128i pixels) {
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const __m128i blue = _mm_and_si128(pixels, lowByte);
    const __m128i green = _mm_and_si128(_mm_srli_epi32(pixels, 8), lowByte);
    const __m128i red = _mm_and_si128(_mm_srli_epi32(pixels, 16), lowByte);
    const __m128i low = grayOfTwoInDoubles(blue, green, red);
    const __m128i high = grayOfTwoInDoubles(_mm_unpackhi_epi64(blue, blue),
                                            _mm_unpackhi_epi64(green, green),
                                            _mm_unpackhi_epi64(red, red));
    return _mm_unpacklo_epi64(low, high);
}

// The pixels with their colour bytes replaced by the gray levels (0..255,
// one per lane) and their fourth bytes kept.
inline __m128i withGray(__m128i pixels, __m128i gray) {
    const __m128i grayBytes =
        _mm_or_si128(_mm_or_si128(gray, _mm_slli_epi32(gray, 8)), _mm_slli_epi32(gray, 16));
    return _mm_or_si128(_mm_and_si128(pixels, _mm_set1_epi32(kFourthByte)), grayBytes);
}

inline void convertFourSse2(std::uint8_t* at) {
    const __m128i pixels = loadFour(at);
    const __m128i sums = weightedSumsTimes1000(pixels);
    __m128i gray;
    if (_mm_movemask_epi8(multiplesOf1000(sums)) == 0) {
        gray = thousandths(sums);
    } else if (allFourAlike(pixels)) {
        gray = _mm_set1_epi32(grayLevel(at[0], at[1], at[2]));
    } else {
        gray = grayOfFourInDoubles(pixels);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), withGray(pixels, gray));
}

// ---- AVX2: eight pixels per vector ---------------------------------------

#define VELMORA_AVX2 __attribute__((target("avx2"))) inline

VELMORA_AVX2 __m256i loadEight(const std::uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

VELMORA_AVX2 __m256i weightedSumsTimes1000(__m256i pixels) {
    const __m256i everyOtherByte = _mm256_set1_epi32(0x00FF00FF);
    const __m256i blueRed = _mm256_and_si256(pixels, everyOtherByte);
    const __m256i greenFourth = _mm256_and_si256(_mm256_srli_epi32(pixels, 8), everyOtherByte);
    return _mm256_add_epi32(_mm256_madd_epi16(blueRed, _mm256_set1_epi32(kBlueRedFactors)),
                            _mm256_madd_epi16(greenFourth, _mm256_set1_epi32(kGreenFactor)));
}

VELMORA_AVX2 __m256i thousandths(__m256i sums) {
    const __m256i eighths = _mm256_srli_epi32(sums, 3);
    return _mm256_srli_epi16(_mm256_mulhi_epu16(eighths, _mm256_set1_epi16(kReciprocalOf125)), 6);
}

VELMORA_AVX2 __m256i multiplesOf1000(__m256i sums) {
    const __m256i eighths = _mm256_srli_epi32(sums, 3);
    const __m256i timesInverse = _mm256_mullo_epi16(eighths, _mm256_set1_epi16(kInverseOf125));
    const __m256i multipleOf8 = _mm256_cmpeq_epi32(
        _mm256_and_si256(sums, _mm256_set1_epi32(7)), _mm256_setzero_si256());
    return _mm256_and_si256(
        multipleOf8, _mm256_cmpgt_epi32(_mm256_set1_epi32(kMultipleOf125Bound), timesInverse));
}

VELMORA_AVX2 bool allEightAlike(__m256i pixels) {
    const __m256i colours = _mm256_and_si256(pixels, _mm256_set1_epi32(kColourBytes));
    const __m256i first = _mm256_broadcastd_epi32(_mm256_castsi256_si128(colours));
    return _mm256_movemask_epi8(_mm256_cmpeq_epi32(colours, first)) == -1;
}

// True when every pixel has blue = green = red: then 0x00RRGGBB >> 8 (0x0000RRGG)
// equals its low 16 bits (0x0000GGBB).
VELMORA_AVX2 bool allEightGray(__m256i pixels) {
    const __m256i colours = _mm256_and_si256(pixels, _mm256_set1_epi32(kColourBytes));
    const __m256i redGreen = _mm256_srli_epi32(colours, 8);
    const __m256i greenBlue = _mm256_and_si256(colours, _mm256_set1_epi32(0xFFFF));
    return _mm256_movemask_epi8(_mm256_cmpeq_epi32(redGreen, greenBlue)) == -1;
}

VELMORA_AVX2 __m256i joinHalves(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

VELMORA_AVX2 __m128i grayOfFourInDoubles(__m128i blue, __m128i green, __m128i red) {
    __m256d sum = _mm256_mul_pd(_mm256_cvtepi32_pd(red), _mm256_set1_pd(kRedWeight));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_cvtepi32_pd(green), _mm256_set1_pd(kGreenWeight)));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_cvtepi32_pd(blue), _mm256_set1_pd(kBlueWeight)));
    return _mm256_cvttpd_epi32(sum);
}

VELMORA_AVX2 __m256i grayOfEightInDoubles(__m256i pixels) {
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    const __m256i blue = _mm256_and_si256(pixels, lowByte);
    const __m256i green = _mm256_and_si256(_mm256_srli_epi32(pixels, 8), lowByte);
    const __m256i red = _mm256_and_si256(_mm256_srli_epi32(pixels, 16), lowByte);
    const __m128i low = grayOfFourInDoubles(_mm256_castsi256_si128(blue),
                                            _mm256_castsi256_si128(green),
                                            _mm256_castsi256_si128(red));
    const __m128i high = grayOfFourInDoubles(_mm256_extracti128_si256(blue, 1),
                                             _mm256_extracti128_si256(green, 1),
                                             _mm256_extracti128_si256(red, 1));
    return joinHalves(low, high);
}

// Gray pixels: one conversion to double per pixel instead of three, the same
// products and sums.
VELMORA_AVX2 __m256i grayOfEightGrayInDoubles(__m256i pixels) {
    const __m256i value = _mm256_and_si256(pixels, _mm256_set1_epi32(0xFF));
    const __m128i low = _mm256_castsi256_si128(value);
    const __m128i high = _mm256_extracti128_si256(value, 1);
    return joinHalves(grayOfFourInDoubles(low, low, low), grayOfFourInDoubles(high, high, high));
}

VELMORA_AVX2 __m256i withGray(__m256i pixels, __m256i gray) {
    const __m256i spreadLowByte = _mm256_setr_epi8(
        0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,
        0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
    return _mm256_or_si256(_mm256_and_si256(pixels, _mm256_set1_epi32(kFourthByte)),
                           _mm256_shuffle_epi8(gray, spreadLowByte));
}

VELMORA_AVX2 void convertEightAvx2(std::uint8_t* at) {
    const __m256i pixels = loadEight(at);
    const __m256i sums = weightedSumsTimes1000(pixels);
    const __m256i multiples = multiplesOf1000(sums);
    __m256i gray;
    if (_mm256_testz_si256(multiples, multiples)) {
        gray = thousandths(sums);
    } else if (allEightAlike(pixels)) {
        gray = _mm256_set1_epi32(grayLevel(at[0], at[1], at[2]));
    } else if (allEightGray(pixels)) {
        gray = grayOfEightGrayInDoubles(pixels);
    } else {
        gray = grayOfEightInDoubles(pixels);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), withGray(pixels, gray));
}

#undef VELMORA_AVX2

}  // namespace

void convertBgrxRowSse2(std::uint8_t* row, std::size_t pixelCount) {
    const std::size_t vectors = pixelCount / 4;
    for (std::size_t i = 0; i < vectors; ++i, row += 16) convertFourSse2(row);
    convertBgrxRowPlain(row, pixelCount % 4);
}

__attribute__((target("avx2"))) void convertBgrxRowAvx2(std::uint8_t* row, std::size_t pixelCount) {
    const std::size_t vectors = pixelCount / 8;
    for (std::size_t i = 0; i < vectors; ++i, row += 32) convertEightAvx2(row);
    convertBgrxRowPlain(row, pixelCount % 8);
}

}  // namespace velmora::gray

#endif
