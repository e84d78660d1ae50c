#include "gray_conversion_simd.h"

#if VELMORA_HAS_X86_VARIANTS

#include <immintrin.h>

#include <cstring>

#include "gray_conversion.h"

// Both variants take the same integer route, which gives the double result
// without floating point for most pixels. N = 299 R + 587 G + 114 B is the
// weighted sum times 1000, exactly. Where N is not a multiple of 1000 the exact
// sum lies at least 0.001 away from an integer, and the double sum differs
// from it by less than 1e-12, so its truncation is N / 1000. Where N is a
// multiple of 1000 (every pixel with three equal channels among them) the
// double sum may fall just below the integer, as 128, 128, 128 gives
// 127.99999999999999, and only the double arithmetic itself decides.
//
// N / 1000 is computed as (N / 8) / 125, the second division as a
// multiplication by 33555 / 2^22, exact for N / 8 up to 31875.

namespace velmora::gray {
namespace {

inline __m128i loadBytes(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// ---- SSE2 ------------------------------------------------------------------
//
// Blocks of 32 pixels: 96 bytes, six vectors. Without byte shuffles the
// channels are separated by interleaving: three rounds of pairing vector i
// with vector i + 3 (unpacklo/unpackhi_epi8) move byte k < 95 of the block to
// position 8k mod 95, so that each 8-byte group holds one channel of the
// pixels 4s + t (s = 0..7) for one t. Widened to 16-bit lanes these four
// pixel classes are computed eight pixels at a time, and consecutive pixels
// (classes 0 and 1, 2 and 3) are written back in pairs: the dword
// q0 + 2^24 q1 times 0x010101 is the six bytes q0 q0 q0 q1 q1 q1.

constexpr std::size_t kSse2BlockPixels = 32;
constexpr std::size_t kSse2BlockBytes = 3 * kSse2BlockPixels;

struct Sse2Block {
    __m128i v[6];
};

inline Sse2Block interleaveHalves(const Sse2Block& b) {
    Sse2Block r;
    for (int i = 0; i < 3; ++i) {
        r.v[2 * i] = _mm_unpacklo_epi8(b.v[i], b.v[i + 3]);
        r.v[2 * i + 1] = _mm_unpackhi_epi8(b.v[i], b.v[i + 3]);
    }
    return r;
}

// The block's bytes after three rounds of interleaving.
inline Sse2Block sortedBlock(const std::uint8_t* block) {
    Sse2Block b;
    for (int i = 0; i < 6; ++i) b.v[i] = loadBytes(block + 16 * i);
    return interleaveHalves(interleaveHalves(interleaveHalves(b)));
}

// Blue, green and red of the pixels 4s + t, s = 0..7, as 16-bit lanes.
struct PixelClass {
    __m128i blue, green, red;
};

// After three rounds the 8-byte groups are, in order, blue, green, red of
// class 0, then of class 1, 2 and 3: group 3t + c is channel c of class t.
inline __m128i widenedGroup(const Sse2Block& sorted, int group) {
    const __m128i v = sorted.v[group / 2];
    const __m128i zero = _mm_setzero_si128();
    return group % 2 == 0 ? _mm_unpacklo_epi8(v, zero) : _mm_unpackhi_epi8(v, zero);
}

inline PixelClass pixelClass(const Sse2Block& sorted, int t) {
    return {widenedGroup(sorted, 3 * t), widenedGroup(sorted, 3 * t + 1),
            widenedGroup(sorted, 3 * t + 2)};
}

// GCC would turn a multiplication by a constant into shifts and additions,
// which compete with the interleaving for the same execution ports; hiding
// the constant keeps the single multiplication.
inline __m128i opaque(__m128i constant) {
    __asm__("" : "+x"(constant));
    return constant;
}

// N / 1000 of eight pixels. N = 256 A + C with A = R + 2 G and
// C = 43 R + 75 G + 114 B, both within 16 bits, so N / 8 = 32 A + C / 8.
// `scaled` is 2 (N / 8) * 33555 / 2^16, whose bits from 7 up are the quotient
// and whose low seven bits are zero exactly when N / 8 is a multiple of 125;
// `remainder` is zero exactly when that holds and N is a multiple of 8 too.
struct Thousandths {
    __m128i scaled;
    __m128i remainder;
};

inline Thousandths thousandthsOf(const PixelClass& p) {
    const __m128i a = _mm_add_epi16(_mm_add_epi16(p.red, p.green), p.green);
    const __m128i c = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(p.red, opaque(_mm_set1_epi16(43))),
                      _mm_mullo_epi16(p.green, opaque(_mm_set1_epi16(75)))),
        _mm_mullo_epi16(p.blue, opaque(_mm_set1_epi16(114))));
    const __m128i eighths = _mm_add_epi16(_mm_slli_epi16(a, 5), _mm_srli_epi16(c, 3));
    const __m128i scaled =
        _mm_mulhi_epu16(_mm_add_epi16(eighths, eighths), _mm_set1_epi16(static_cast<short>(33555)));
    const __m128i remainder = _mm_or_si128(_mm_and_si128(scaled, _mm_set1_epi16(127)),
                                           _mm_and_si128(c, _mm_set1_epi16(7)));
    return {scaled, remainder};
}

inline __m128i quotientOf(const Thousandths& t) { return _mm_srli_epi16(t.scaled, 7); }

// The quotient already moved to the high byte of each lane.
inline __m128i quotientTimes256Of(const Thousandths& t) {
    return _mm_and_si128(_mm_add_epi16(t.scaled, t.scaled),
                         _mm_set1_epi16(static_cast<short>(0xFF00)));
}

// Bit 8t + s set where pixel 4s + t of class t in {first, first + 1} has a
// multiple of 1000.
inline unsigned multiplesOf1000(const Thousandths& first, const Thousandths& second) {
    const __m128i zero = _mm_setzero_si128();
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(
        _mm_cmpeq_epi16(first.remainder, zero), _mm_cmpeq_epi16(second.remainder, zero))));
}

// Gray levels 0..255 of the four pixel classes, as 16-bit lanes; the odd
// classes already in the high byte of each lane.
struct ClassGrays {
    __m128i class0, class1Times256, class2, class3Times256;
};

// For the pairs of neighbours in dwords 0 and 2 (or 1 and 3) of `pairs`, each
// the dword q + 2^24 q', the eight bytes q q q q' q' q' 0 0.
inline __m128i sixBytesOfPairs02(__m128i pairs) {
    return _mm_mul_epu32(pairs, _mm_set1_epi32(0x010101));
}

inline __m128i sixBytesOfPairs13(__m128i pairs) { return sixBytesOfPairs02(_mm_srli_epi64(pairs, 32)); }

inline void storeLowEight(std::uint8_t* at, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at), v);
}

inline void storeHighEight(std::uint8_t* at, __m128i v) {
    _mm_storeh_pi(reinterpret_cast<__m64*>(at), _mm_castsi128_ps(v));
}

// Writes 16 gray pixels from the pairs (4s, 4s + 1) and (4s + 2, 4s + 3),
// s = 0..3. Each pair is an 8-byte store of its six bytes and two zeros that
// the next store overwrites, in ascending order; at the end of the block the
// last pair is stored with the two bytes before it instead, so that nothing
// beyond the block is written.
inline void storeSixteenGrayPixels(std::uint8_t* at, __m128i pairs01, __m128i pairs23,
                                   bool endOfBlock) {
    const __m128i first02 = sixBytesOfPairs02(pairs01);
    const __m128i first13 = sixBytesOfPairs13(pairs01);
    const __m128i second02 = sixBytesOfPairs02(pairs23);
    const __m128i second13 = sixBytesOfPairs13(pairs23);
    storeLowEight(at, first02);
    storeLowEight(at + 6, second02);
    storeLowEight(at + 12, first13);
    storeLowEight(at + 18, second13);
    storeHighEight(at + 24, first02);
    storeHighEight(at + 30, second02);
    storeHighEight(at + 36, first13);
    if (endOfBlock) {
        const __m128i lastTwoPixelsAndTwoBytesBefore =
            _mm_or_si128(_mm_srli_epi64(first13, 32), _mm_slli_epi64(second13, 16));
        storeHighEight(at + 40, lastTwoPixelsAndTwoBytesBefore);
    } else {
        storeHighEight(at + 42, second13);
    }
}

inline void storeGrayPixelsSse2(std::uint8_t* block, const ClassGrays& g) {
    storeSixteenGrayPixels(block, _mm_unpacklo_epi16(g.class0, g.class1Times256),
                           _mm_unpacklo_epi16(g.class2, g.class3Times256), false);
    storeSixteenGrayPixels(block + 48, _mm_unpackhi_epi16(g.class0, g.class1Times256),
                           _mm_unpackhi_epi16(g.class2, g.class3Times256), true);
}

// Gray levels of eight pixels whose three channels all equal `value`, computed
// in doubles two at a time: one conversion per pixel instead of three.
inline __m128i grayOfEqualChannels(__m128i value) {
    const __m128i zero = _mm_setzero_si128();
    const auto grayOfTwo = [](__m128i twoValues) {
        const __m128d v = _mm_cvtepi32_pd(twoValues);
        __m128d sum = _mm_mul_pd(v, _mm_set1_pd(kRedWeight));
        sum = _mm_add_pd(sum, _mm_mul_pd(v, _mm_set1_pd(kGreenWeight)));
        sum = _mm_add_pd(sum, _mm_mul_pd(v, _mm_set1_pd(kBlueWeight)));
        return _mm_cvttpd_epi32(sum);
    };
    const auto grayOfFour = [&](__m128i fourValues) {
        return _mm_unpacklo_epi64(grayOfTwo(fourValues), grayOfTwo(_mm_srli_si128(fourValues, 8)));
    };
    return _mm_packs_epi32(grayOfFour(_mm_unpacklo_epi16(value, zero)),
                           grayOfFour(_mm_unpackhi_epi16(value, zero)));
}

inline bool allBytesEqual(const std::uint8_t* block, std::uint8_t value) {
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    __m128i equal = _mm_cmpeq_epi8(loadBytes(block), v);
    for (std::size_t at = 16; at < kSse2BlockBytes; at += 16) {
        equal = _mm_and_si128(equal, _mm_cmpeq_epi8(loadBytes(block + at), v));
    }
    return _mm_movemask_epi8(equal) == 0xFFFF;
}

inline bool allChannelsEqual(const PixelClass (&classes)[4]) {
    __m128i equal = _mm_set1_epi8(-1);
    for (const PixelClass& p : classes) {
        equal = _mm_and_si128(equal, _mm_and_si128(_mm_cmpeq_epi16(p.blue, p.green),
                                                   _mm_cmpeq_epi16(p.green, p.red)));
    }
    return _mm_movemask_epi8(equal) == 0xFFFF;
}

inline void convertEqualChannelBlockSse2(std::uint8_t* block, const PixelClass (&classes)[4]) {
    storeGrayPixelsSse2(block, {grayOfEqualChannels(classes[0].blue),
                                _mm_slli_epi16(grayOfEqualChannels(classes[1].blue), 8),
                                grayOfEqualChannels(classes[2].blue),
                                _mm_slli_epi16(grayOfEqualChannels(classes[3].blue), 8)});
}

inline void storeQuotients(std::uint8_t* block, const Thousandths (&t)[4]) {
    storeGrayPixelsSse2(block, {quotientOf(t[0]), quotientTimes256Of(t[1]), quotientOf(t[2]),
                                quotientTimes256Of(t[3])});
}

// Pixels whose N is a multiple of 1000 get the plain routine's gray level,
// computed from their bytes before the stores overwrite them. Rare in colour
// content; kept out of line.
__attribute__((noinline, cold)) void storeQuotientsAndExactMultiples(std::uint8_t* block,
                                                                    const Thousandths (&t)[4]) {
    const unsigned multiples = multiplesOf1000(t[0], t[1]) | multiplesOf1000(t[2], t[3]) << 16;
    // Bit 8t + s stands for pixel 4s + t.
    const auto pixelOfBit = [](unsigned bits) {
        const unsigned bit = static_cast<unsigned>(__builtin_ctz(bits));
        return 4 * (bit % 8) + bit / 8;
    };
    std::uint8_t exactGray[kSse2BlockPixels];
    for (unsigned bits = multiples; bits != 0; bits &= bits - 1) {
        const std::uint8_t* pixel = block + 3 * pixelOfBit(bits);
        exactGray[pixelOfBit(bits)] = grayLevel(pixel[0], pixel[1], pixel[2]);
    }
    storeQuotients(block, t);
    for (unsigned bits = multiples; bits != 0; bits &= bits - 1) {
        std::memset(block + 3 * pixelOfBit(bits), exactGray[pixelOfBit(bits)], 3);
    }
}

inline void convertColourBlockSse2(std::uint8_t* block, const PixelClass (&classes)[4]) {
    const Thousandths t[4] = {thousandthsOf(classes[0]), thousandthsOf(classes[1]),
                              thousandthsOf(classes[2]), thousandthsOf(classes[3])};
    const __m128i smallest = _mm_min_epi16(_mm_min_epi16(t[0].remainder, t[1].remainder),
                                           _mm_min_epi16(t[2].remainder, t[3].remainder));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(smallest, _mm_setzero_si128())) != 0) {
        storeQuotientsAndExactMultiples(block, t);
    } else {
        storeQuotients(block, t);
    }
}

// Screens are mostly flat areas and gray text, where every pixel's N is a
// multiple of 1000; blocks whose first pixel is gray are tested for those
// cases first.
inline void convertBlockSse2(std::uint8_t* block) {
    const bool startsGray = block[0] == block[1] && block[1] == block[2];
    if (startsGray && allBytesEqual(block, block[0])) {
        std::memset(block, grayLevel(block[0], block[0], block[0]), kSse2BlockBytes);
        return;
    }
    const Sse2Block sorted = sortedBlock(block);
    const PixelClass classes[4] = {pixelClass(sorted, 0), pixelClass(sorted, 1), pixelClass(sorted, 2),
                                   pixelClass(sorted, 3)};
    if (startsGray && allChannelsEqual(classes)) {
        convertEqualChannelBlockSse2(block, classes);
    } else {
        convertColourBlockSse2(block, classes);
    }
}

// ---- AVX2 ------------------------------------------------------------------
//
// Blocks of 16 pixels (48 bytes, three 16-byte vectors). A block holding a
// multiple of 1000 is computed in doubles, or, when all its pixels are alike,
// as one pixel.

constexpr std::size_t kAvx2BlockPixels = 16;
constexpr std::size_t kAvx2BlockBytes = 3 * kAvx2BlockPixels;

// The per-block routines are large; inlining them into the row loop keeps the
// constants in registers and avoids a call and a vzeroupper per block.
#define VELMORA_AVX2_HOT __attribute__((target("avx2"), always_inline)) inline

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
        for (std::size_t pixel = 0; pixel < kAvx2BlockPixels; ++pixel) bits |= std::uint64_t{3} << (3 * pixel);
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
    const std::size_t blocks = pixelCount / kSse2BlockPixels;
    for (std::size_t i = 0; i < blocks; ++i, row += kSse2BlockBytes) convertBlockSse2(row);
    convertRowPlain(row, pixelCount % kSse2BlockPixels);
}

__attribute__((target("avx2"))) void convertRowAvx2(std::uint8_t* row, std::size_t pixelCount) {
    const std::size_t blocks = pixelCount / kAvx2BlockPixels;
    for (std::size_t i = 0; i < blocks; ++i, row += kAvx2BlockBytes) convertBlockAvx2(row);
    convertRowPlain(row, pixelCount % kAvx2BlockPixels);
}

}  // namespace velmora::gray

#endif
