#include "hsl_kernel.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "hsl_kernel_simd.h"

namespace velmora::engine {
namespace {

// A component 0..ONE as a byte: v * 255 / 2^20 rounded half up, at most 255.
std::uint8_t componentByte(std::uint32_t v) {
    const std::uint32_t x = v * 255u;
    const std::uint32_t byte = (x >> 20) + ((x >> 19) & 1u);
    return static_cast<std::uint8_t>(std::min(byte, 255u));
}

std::uint32_t fixedProduct(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(a) * b) >> 20);
}

std::uint32_t saturationOf(std::int32_t saturation, std::uint32_t sum, std::uint32_t delta) {
    if (saturation >= 0) return std::min(static_cast<std::uint32_t>(saturation), kOne);
    const std::uint32_t d = sum < 255 ? sum : 510 - sum;
    return d == 0 ? 0 : (delta << 20) / d;
}

std::uint32_t lightnessOf(std::int32_t factor, std::uint32_t sum) {
    std::uint32_t lightness = (sum << 19) / 255;
    if (factor >= 0) lightness = fixedProduct(lightness, static_cast<std::uint32_t>(factor));
    return std::min(lightness, kOne);
}

std::uint32_t hueOf(std::int32_t hue, int blue, int green, int red, int max, int delta, std::uint32_t p,
                    std::uint32_t q) {
    if (hue >= 0) return static_cast<std::uint32_t>(hue);
    if (delta == 0) return (p + q) >> 1;
    const auto sixth = [delta](int difference) {  // difference * ONE / delta, truncated toward zero
        return difference * static_cast<std::int32_t>(kOne) / delta;
    };
    constexpr auto one = static_cast<std::int32_t>(kOne);
    if (blue == max && green != max) return static_cast<std::uint32_t>(1 * one + sixth(green - red));
    if (green == max && red != max) return static_cast<std::uint32_t>(3 * one + sixth(red - blue));
    return static_cast<std::uint32_t>(5 * one + sixth(blue - green));
}

void recolourPixel(const std::uint8_t* in, std::uint8_t* out, const HslParameters& parameters) {
    const int blue = in[0], green = in[1], red = in[2];
    const std::uint8_t fourth = in[3];
    const int max = std::max({blue, green, red});
    const int min = std::min({blue, green, red});
    const auto sum = static_cast<std::uint32_t>(max + min);
    const auto delta = static_cast<std::uint32_t>(max - min);

    const std::uint32_t saturation = saturationOf(parameters.saturation, sum, delta);
    const std::uint32_t lightness = lightnessOf(parameters.lightness, sum);
    std::uint32_t components[3] = {lightness, lightness, lightness};  // blue, green, red

    if (saturation != 0) {
        const std::uint32_t p = lightness >= kHalf ? lightness - fixedProduct(kOne - lightness, saturation)
                                                   : fixedProduct(kOne - saturation, lightness);
        const std::uint32_t q = 2 * lightness - p;
        const std::uint32_t hue = hueOf(parameters.hue, blue, green, red, max, static_cast<int>(delta), p, q);

        const std::uint32_t sector = hue >> 20;
        std::uint32_t fraction = hue & (kOne - 1);
        if (sector % 2 == 0) fraction = kOne - fraction;
        const std::uint32_t m = p + fixedProduct(fraction, q - p);

        // Sector 2 is (m, q, p); odd sectors swap blue and red; then the triple
        // turns (blue, green, red) -> (red, blue, green) by the sector pair.
        components[0] = m, components[1] = q, components[2] = p;
        if (sector % 2 == 1) std::swap(components[0], components[2]);
        const std::uint32_t pair = (sector >> 1) % 128;
        const int turns = pair == 1 ? 0 : pair == 0 ? 2 : 1;
        for (int turn = 0; turn < turns; ++turn) {
            const std::uint32_t blue = components[0], green = components[1];
            components[0] = components[2], components[1] = blue, components[2] = green;
        }
    }
    out[0] = componentByte(components[0]);
    out[1] = componentByte(components[1]);
    out[2] = componentByte(components[2]);
    out[3] = fourth;
}

std::size_t pixelCountOf(const BitmapRecord& target) {
    if (target.bmWidth <= 0 || target.bmHeight <= 0) return 0;
    return static_cast<std::size_t>(static_cast<std::uint64_t>(target.bmWidth) * static_cast<std::uint64_t>(target.bmHeight));
}

}  // namespace

void recolourPlain(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount,
                   const HslParameters& parameters) {
    for (std::size_t i = 0; i < pixelCount; ++i, source += 4, destination += 4) {
        recolourPixel(source, destination, parameters);
    }
}

void lightnessGrayPlain(const std::uint8_t* source, std::uint8_t* destination, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, source += 4, destination += 4) {
        const int sum = std::max({source[0], source[1], source[2]}) + std::min({source[0], source[1], source[2]});
        const auto gray = static_cast<std::uint8_t>((sum + (sum == 255)) >> 1);
        const std::uint8_t fourth = source[3];
        destination[0] = destination[1] = destination[2] = gray;
        destination[3] = fourth;
    }
}

std::span<const Variant<GrayConverter>> lightnessGrayVariants() {
    static const Variant<GrayConverter> variants[] = {
        {"plain", lightnessGrayPlain, true},
#if VELMORA_HAS_X86_VARIANTS
        {"sse2", lightnessGraySse2, cpu::hasSse2()},
        {"avx2", lightnessGrayAvx2, cpu::hasAvx2()},
#endif
    };
    return variants;
}

VariantDispatch<GrayConverter>& lightnessGrayDispatch() {
    static constinit VariantDispatch<GrayConverter> dispatch(lightnessGrayVariants);
    return dispatch;
}

std::int32_t HslKernel(PixelBufferInfo* info, std::int32_t hue, std::int32_t saturation, std::int32_t lightness) {
    const std::size_t pixels = info ? pixelCountOf(info->TargetBitmap) : 0;
    if (pixels == 0) return -1;
    const auto* source = static_cast<const std::uint8_t*>(info->SourceBitmap.bmBits);
    auto* destination = static_cast<std::uint8_t*>(info->TargetBitmap.bmBits);
    if (saturation == 0 && lightness < 0) {
        lightnessGrayDispatch().chosen()(source, destination, pixels);
    } else if (hue < 0 && saturation < 0 && lightness < 0) {
        if (source != destination) std::memmove(destination, source, 4 * pixels);
    } else {
        recolourPlain(source, destination, pixels, {hue, saturation, lightness});
    }
    return -1;
}

}  // namespace velmora::engine
