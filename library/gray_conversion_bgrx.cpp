#include "gray_conversion_bgrx.h"

#include "gray_conversion_bgrx_simd.h"

namespace velmora::gray {

void convertBgrxRowPlain(std::uint8_t* row, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, row += 4) {
        const std::uint8_t gray = grayLevel(row[0], row[1], row[2]);
        row[2] = gray;
        row[1] = gray;
        row[0] = gray;
    }
}

std::span<const Variant<RowConverter>> bgrxRowConverterVariants() {
    static const Variant<RowConverter> variants[] = {
        {"plain", convertBgrxRowPlain, true},
#if VELMORA_HAS_X86_VARIANTS
        {"sse2", convertBgrxRowSse2, cpu::hasSse2()},
        {"avx2", convertBgrxRowAvx2, cpu::hasAvx2()},
#endif
    };
    return variants;
}

VariantDispatch<RowConverter>& bgrxRowConverterDispatch() {
    static constinit VariantDispatch<RowConverter> dispatch(bgrxRowConverterVariants);
    return dispatch;
}

void convertBgrxImage(std::uint8_t* pixels, std::size_t width, std::size_t height,
                      std::size_t bytesPerRow, RowConverter convertRow) {
    for (std::size_t r = 0; r < height; ++r, pixels += bytesPerRow) convertRow(pixels, width);
}

}  // namespace velmora::gray
