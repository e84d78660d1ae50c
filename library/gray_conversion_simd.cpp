#include "gray_conversion_simd.h"

#if VELMORA_HAS_X86_VARIANTS

#include <immintrin.h>

#include "gray_conversion.h"

namespace velmora::gray {
namespace {

// Both variants work on blocks of 16 pixels (48 bytes, three 16-byte vectors)
// so that no load or store reaches past a row's last pixel into its padding;
// the remaining pixels of a row go through the plain converter.
constexpr std::size_t kBlockPixels = 16;
constexpr std::size_t kBlockBytes = 3 * kBlockPixels;

inline __m128i loadBytes(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// ---- SSE2: two pixels per double-precision vector -------------------------

// Gray levels of pixels 2k and 2k+1 from their channels in the low two dwords.
inline __m128i grayOfPairSse2(__m128i blue, __m128i green, __m128i red) {
    __m128d sum = _mm_mul_pd(_mm_cvtepi32_pd(red), _mm_set1_pd(kRedWeight));
    sum = _mm_add_pd(sum, _mm_mul_pd(_mm_cvtepi32_pd(green), _mm_set1_pd(kGreenWeight)));
    sum = _mm_add_pd(sum, _mm_mul_pd(_mm_cvtepi32_pd(blue), _mm_set1_pd(kBlueWeight)));
    return _mm_cvttpd_epi32(sum);
}

// Gray levels of the four pixels in bytes 0..11 of `bytes`, one per dword.
inline __m128i grayOfFourSse2(__m128i bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i b0g0r0b1 = _mm_unpacklo_epi16(low, zero);
    const __m128i g1r1b2g2 = _mm_unpackhi_epi16(low, zero);
    const __m128i r2b3g3r3 = _mm_unpacklo_epi16(_mm_unpackhi_epi8(bytes, zero), zero);

    const __m128i blue01 = _mm_shuffle_epi32(b0g0r0b1, _MM_SHUFFLE(3, 3, 3, 0));
    const __m128i g0g1r0r1 = _mm_unpacklo_epi32(_mm_srli_si128(b0g0r0b1, 4), g1r1b2g2);
    const __m128i red01 = _mm_unpackhi_epi64(g0g1r0r1, g0g1r0r1);
    const __m128i pair01 = grayOfPairSse2(blue01, g0g1r0r1, red01);

    const __m128i r2r2b3g3 = _mm_shuffle_epi32(r2b3g3r3, _MM_SHUFFLE(2, 1, 0, 0));
    const __m128i b2b3g2g3 = _mm_unpackhi_epi32(g1r1b2g2, r2r2b3g3);
    const __m128i green23 = _mm_unpackhi_epi64(b2b3g2g3, b2b3g2g3);
    const __m128i red23 = _mm_shuffle_epi32(r2b3g3r3, _MM_SHUFFLE(3, 3, 3, 0));
    const __m128i pair23 = grayOfPairSse2(b2b3g2g3, green23, red23);

    return _mm_unpacklo_epi64(pair01, pair23);
}

// Four gray dwords (0..255) as 12 bytes g0 g0 g0 g1 g1 g1 ... in bytes 0..11.
inline __m128i tripleFourSse2(__m128i gray) {
    const __m128i ggg0 = _mm_or_si128(_mm_or_si128(gray, _mm_slli_epi32(gray, 8)),
                                      _mm_slli_epi32(gray, 16));
    const __m128i lowDwords = _mm_set_epi32(0, -1, 0, -1);
    const __m128i sixPerLane = _mm_or_si128(
        _mm_and_si128(ggg0, lowDwords), _mm_srli_epi64(_mm_andnot_si128(lowDwords, ggg0), 8));
    return _mm_or_si128(_mm_move_epi64(sixPerLane),
                        _mm_slli_si128(_mm_unpackhi_epi64(sixPerLane, _mm_setzero_si128()), 6));
}

inline void convertBlockSse2(std::uint8_t* block) {
    const __m128i gray0 = grayOfFourSse2(loadBytes(block));
    const __m128i gray1 = grayOfFourSse2(loadBytes(block + 12));
    const __m128i gray2 = grayOfFourSse2(loadBytes(block + 24));
    const __m128i gray3 = grayOfFourSse2(_mm_srli_si128(loadBytes(block + 32), 4));

    const __m128i out0 = tripleFourSse2(gray0);
    const __m128i out1 = tripleFourSse2(gray1);
    const __m128i out2 = tripleFourSse2(gray2);
    const __m128i out3 = tripleFourSse2(gray3);
    auto* out = reinterpret_cast<__m128i*>(block);
    _mm_storeu_si128(out, _mm_or_si128(out0, _mm_slli_si128(out1, 12)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(out1, 4), _mm_slli_si128(out2, 8)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(out2, 8), _mm_slli_si128(out3, 4)));
}

// ---- AVX2 ------------------------------------------------------------------

// The per-block routines are large; inlining them into the row loop keeps the
// constants in registers and avoids a call and a vzeroupper per block.
#define VELMORA_AVX2_HOT __attribute__((target("avx2"), always_inline)) inline
//
// Most pixels need no floating point at all. N = 299 R + 587 G + 114 B is the
// weighted sum times 1000, exactly. Where N is not a multiple of 1000 the exact
// sum lies at least 0.001 away from an integer, and the double sum differs
// from it by less than 1e-12, so its truncation is N / 1000. Where N is a
// multiple of 1000 (every pixel with three equal channels among them) the
// double sum may fall just below the integer, as 128, 128, 128 gives
// 127.99999999999999, and only the double arithmetic itself decides; a block
// holding such a pixel is computed in doubles, or, when all its pixels are
// alike, as one pixel.

// Spreads one channel of the four pixels that start at byte `First` of
// `bytes` into four zero-extended dwords.
template <int First>
__attribute__((target("avx2"))) inline __m128i channelOfFour(__m128i bytes) {
    return _mm_shuffle_epi8(bytes, _mm_setr_epi8(First, -1, -1, -1, First + 3, -1, -1, -1,
                                                 First + 6, -1, -1, -1, First + 9, -1, -1, -1));
}

// Gray levels of the four pixels that start at byte `First` of `bytes`,
// computed in doubles four at a time.
template <int First>
__attribute__((target("avx2"))) inline __m128i grayOfFourInDoubles(__m128i bytes) {
    const __m256d blue = _mm256_cvtepi32_pd(channelOfFour<First>(bytes));
    const __m256d green = _mm256_cvtepi32_pd(channelOfFour<First + 1>(bytes));
    const __m256d red = _mm256_cvtepi32_pd(channelOfFour<First + 2>(bytes));
    __m256d sum = _mm256_mul_pd(red, _mm256_set1_pd(kRedWeight));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(green, _mm256_set1_pd(kGreenWeight)));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(blue, _mm256_set1_pd(kBlueWeight)));
    return _mm256_cvttpd_epi32(sum);
}

// Writes 16 gray levels (bytes 0..15 of `gray`) as 16 gray pixels.
__attribute__((target("avx2"))) inline void storeGrayBlock(std::uint8_t* block, __m128i gray) {
    auto* out = reinterpret_cast<__m128i*>(block);
    _mm_storeu_si128(out, _mm_shuffle_epi8(gray, _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3,
                                                               4, 4, 4, 5)));
    _mm_storeu_si128(out + 1, _mm_shuffle_epi8(gray, _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8,
                                                                   9, 9, 9, 10, 10)));
    _mm_storeu_si128(out + 2, _mm_shuffle_epi8(gray, _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13,
                                                                   13, 13, 14, 14, 14, 15, 15, 15)));
}

__attribute__((target("avx2"))) inline void convertBlockInDoubles(std::uint8_t* block) {
    const __m128i gray0 = grayOfFourInDoubles<0>(loadBytes(block));
    const __m128i gray1 = grayOfFourInDoubles<0>(loadBytes(block + 12));
    const __m128i gray2 = grayOfFourInDoubles<0>(loadBytes(block + 24));
    const __m128i gray3 = grayOfFourInDoubles<4>(loadBytes(block + 32));
    storeGrayBlock(block, _mm_packus_epi16(_mm_packs_epi32(gray0, gray1),
                                           _mm_packs_epi32(gray2, gray3)));
}

// The three 16-byte vectors of a block.
struct BlockBytes {
    __m128i v0, v1, v2;
};

__attribute__((target("avx2"))) inline BlockBytes loadBlock(const std::uint8_t* block) {
    return {loadBytes(block), loadBytes(block + 16), loadBytes(block + 32)};
}

// A 48-bit mask with bit i set where byte i of the block equals byte i + shift
// (bits 48 - shift to 47 compare with zero and mean nothing).
__attribute__((target("avx2"))) inline std::uint64_t equalBytes(__m128i x, __m128i y) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
}

template <int Shift>
__attribute__((target("avx2"))) inline std::uint64_t bytesEqualAhead(const BlockBytes& b) {
    return equalBytes(b.v0, _mm_alignr_epi8(b.v1, b.v0, Shift)) |
           equalBytes(b.v1, _mm_alignr_epi8(b.v2, b.v1, Shift)) << 16 |
           equalBytes(b.v2, _mm_srli_si128(b.v2, Shift)) << 32;
}

// True when every pixel of the block has blue = green = red.
__attribute__((target("avx2"))) inline bool isGrayBlock(const BlockBytes& b) {
    constexpr std::uint64_t kBlueAndGreenBytes = [] {
        std::uint64_t bits = 0;
        for (std::size_t pixel = 0; pixel < kBlockPixels; ++pixel) bits |= std::uint64_t{3} << (3 * pixel);
        return bits;
    }();
    return (bytesEqualAhead<1>(b) & kBlueAndGreenBytes) == kBlueAndGreenBytes;
}

// True when all 16 pixels of the block are the same colour.
__attribute__((target("avx2"))) inline bool isFlatBlock(const BlockBytes& b) {
    constexpr std::uint64_t kFirst45Bytes = (std::uint64_t{1} << 45) - 1;
    return (bytesEqualAhead<3>(b) & kFirst45Bytes) == kFirst45Bytes;
}

// Gray levels of four gray pixels whose values are the four dwords of `values`.
__attribute__((target("avx2"))) inline __m128i grayOfFourGrayPixels(__m128i values) {
    const __m256d value = _mm256_cvtepi32_pd(values);
    __m256d sum = _mm256_mul_pd(value, _mm256_set1_pd(kRedWeight));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(value, _mm256_set1_pd(kGreenWeight)));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(value, _mm256_set1_pd(kBlueWeight)));
    return _mm256_cvttpd_epi32(sum);
}

// A block of gray pixels: one conversion to double per pixel instead of three.
VELMORA_AVX2_HOT void convertGrayBlock(std::uint8_t* block) {
    const __m128i gray0 = grayOfFourGrayPixels(channelOfFour<0>(loadBytes(block)));
    const __m128i gray1 = grayOfFourGrayPixels(channelOfFour<0>(loadBytes(block + 12)));
    const __m128i gray2 = grayOfFourGrayPixels(channelOfFour<0>(loadBytes(block + 24)));
    const __m128i gray3 = grayOfFourGrayPixels(channelOfFour<4>(loadBytes(block + 32)));
    storeGrayBlock(block, _mm_packus_epi16(_mm_packs_epi32(gray0, gray1),
                                           _mm_packs_epi32(gray2, gray3)));
}

// N = 299 R + 587 G + 114 B as dwords for the four pixels in each 128-bit lane
// of `pixels`; the lanes' four pixels start at bytes `LowFirst` and `HighFirst`.
template <int LowFirst, int HighFirst>
__attribute__((target("avx2"))) inline __m256i weightedSumTimes1000(__m256i pixels) {
    const __m256i redGreen = _mm256_shuffle_epi8(pixels, _mm256_setr_epi8(
        LowFirst + 2, -1, LowFirst + 1, -1, LowFirst + 5, -1, LowFirst + 4, -1,
        LowFirst + 8, -1, LowFirst + 7, -1, LowFirst + 11, -1, LowFirst + 10, -1,
        HighFirst + 2, -1, HighFirst + 1, -1, HighFirst + 5, -1, HighFirst + 4, -1,
        HighFirst + 8, -1, HighFirst + 7, -1, HighFirst + 11, -1, HighFirst + 10, -1));
    const __m256i blue = _mm256_shuffle_epi8(pixels, _mm256_setr_epi8(
        LowFirst, -1, -1, -1, LowFirst + 3, -1, -1, -1, LowFirst + 6, -1, -1, -1,
        LowFirst + 9, -1, -1, -1, HighFirst, -1, -1, -1, HighFirst + 3, -1, -1, -1,
        HighFirst + 6, -1, -1, -1, HighFirst + 9, -1, -1, -1));
    return _mm256_add_epi32(_mm256_madd_epi16(redGreen, _mm256_set1_epi32((587 << 16) | 299)),
                            _mm256_madd_epi16(blue, _mm256_set1_epi32(114)));
}

__attribute__((target("avx2"))) inline __m256i loadTwoGroups(const std::uint8_t* low,
                                                              const std::uint8_t* high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(loadBytes(low)), loadBytes(high), 1);
}

VELMORA_AVX2_HOT void convertColourBlock(std::uint8_t* block) {
    // Groups of four pixels 0 and 2 in one vector, 1 and 3 in the other, so that
    // packing the two gives the 16 pixels in order.
    const __m256i sums02 = weightedSumTimes1000<0, 0>(loadTwoGroups(block, block + 24));
    const __m256i sums13 = weightedSumTimes1000<0, 4>(loadTwoGroups(block + 12, block + 32));

    // N / 1000 as (N / 8) / 125, the second division as a multiplication by
    // 33555 / 2^22, exact for N / 8 up to 31875.
    const __m256i eighths = _mm256_packus_epi32(_mm256_srli_epi32(sums02, 3),
                                                _mm256_srli_epi32(sums13, 3));
    const __m256i quotients = _mm256_srli_epi16(
        _mm256_mulhi_epu16(eighths, _mm256_set1_epi16(static_cast<short>(33555))), 6);

    // N is a multiple of 1000 when it is one of 8 and N / 8 one of 125; the
    // latter holds exactly when (N / 8) times the inverse of 125 modulo 2^16
    // (30933) is at most 65535 / 125 = 524.
    const __m256i seven = _mm256_set1_epi32(7);
    const __m256i lowBits = _mm256_packus_epi32(_mm256_and_si256(sums02, seven),
                                                _mm256_and_si256(sums13, seven));
    const __m256i timesInverse = _mm256_mullo_epi16(eighths, _mm256_set1_epi16(30933));
    const __m256i multipleOf125 =
        _mm256_cmpeq_epi16(_mm256_min_epu16(timesInverse, _mm256_set1_epi16(524)), timesInverse);
    const __m256i multipleOf1000 =
        _mm256_and_si256(multipleOf125, _mm256_cmpeq_epi16(lowBits, _mm256_setzero_si256()));

    if (!_mm256_testz_si256(multipleOf1000, multipleOf1000)) {
        convertBlockInDoubles(block);
        return;
    }
    storeGrayBlock(block, _mm_packus_epi16(_mm256_castsi256_si128(quotients),
                                           _mm256_extracti128_si256(quotients, 1)));
}

// Screens are mostly flat areas and gray text, where the integer route would
// find multiples of 1000 everywhere; blocks whose first pixel is gray are
// therefore tested for those cases first.
VELMORA_AVX2_HOT void convertBlockAvx2(std::uint8_t* block) {
    if (block[0] != block[1] || block[1] != block[2]) {
        convertColourBlock(block);
        return;
    }
    const BlockBytes bytes = loadBlock(block);
    if (isFlatBlock(bytes)) {
        storeGrayBlock(block, _mm_set1_epi8(static_cast<char>(grayLevel(block[0], block[0], block[0]))));
    } else if (isGrayBlock(bytes)) {
        convertGrayBlock(block);
    } else {
        convertColourBlock(block);
    }
}

#undef VELMORA_AVX2_HOT

}  // namespace

void convertRowSse2(std::uint8_t* row, std::size_t pixelCount) {
    const std::size_t blocks = pixelCount / kBlockPixels;
    for (std::size_t i = 0; i < blocks; ++i, row += kBlockBytes) convertBlockSse2(row);
    convertRowPlain(row, pixelCount % kBlockPixels);
}

__attribute__((target("avx2"))) void convertRowAvx2(std::uint8_t* row, std::size_t pixelCount) {
    const std::size_t blocks = pixelCount / kBlockPixels;
    for (std::size_t i = 0; i < blocks; ++i, row += kBlockBytes) convertBlockAvx2(row);
    convertRowPlain(row, pixelCount % kBlockPixels);
}

}  // namespace velmora::gray

#endif
