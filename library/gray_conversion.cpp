#include "gray_conversion.h"

#include "gray_conversion_simd.h"

namespace velmora::gray {

void convertRowPlain(std::uint8_t* row, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, row += 3) {
        const std::uint8_t gray = grayLevel(row[0], row[1], row[2]);
        row[2] = gray;
        row[1] = gray;
        row[0] = gray;
    }
}

std::span<const Variant<RowConverter>> rowConverterVariants() {
    static const Variant<RowConverter> variants[] = {
        {"plain", convertRowPlain, true},
#if VELMORA_HAS_X86_VARIANTS
        {"sse2", convertRowSse2, cpu::hasSse2()},
        {"avx2", convertRowAvx2, cpu::hasAvx2()},
#endif
    };
    return variants;
}

VariantDispatch<RowConverter>& rowConverterDispatch() {
    static constinit VariantDispatch<RowConverter> dispatch(rowConverterVariants);
    return dispatch;
}

void convertBuffer(std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                   RowConverter convertRow) {
    if (pixels == nullptr || width <= 0 || height <= 0) return;
    const auto pitch = static_cast<std::size_t>(rowPitch(width));
    const auto pixelsPerRow = static_cast<std::size_t>(width);
    for (std::int32_t r = 0; r < height; ++r, pixels += pitch) {
        convertRow(pixels, pixelsPerRow);
    }
}

}  // namespace velmora::gray
