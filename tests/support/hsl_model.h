// A plain model of the kernel's arithmetic, written for the tests: 64-bit
// integers throughout, the sector table for sectors 0 to 5 and the rotation
// rule beyond them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

namespace velmora::test {

constexpr std::int64_t kModelOne = 1 << 20;

inline std::uint8_t modelByte(std::int64_t component) {
    const std::int64_t x = component * 255;
    return static_cast<std::uint8_t>(std::min<std::int64_t>((x >> 20) + ((x >> 19) & 1), 255));
}

// One pixel (blue, green, red, fourth) through the model; a saturation above
// ONE counts as ONE.
inline void modelRecolour(const std::uint8_t* in, std::uint8_t* out, std::int32_t hue, std::int32_t saturation,
                          std::int32_t lightness) {
    const std::int64_t one = kModelOne;
    const std::int64_t b = in[0], g = in[1], r = in[2];
    const std::int64_t largest = std::max({b, g, r}), smallest = std::min({b, g, r});
    const std::int64_t sum = largest + smallest, delta = largest - smallest;

    std::int64_t sat;
    if (saturation >= 0) {
        sat = std::min<std::int64_t>(saturation, one);
    } else {
        const std::int64_t d = sum < 255 ? sum : 510 - sum;
        sat = d == 0 ? 0 : delta * one / d;
    }
    std::int64_t light = sum * (one / 2) / 255;
    if (lightness >= 0) light = light * lightness / one;
    light = std::min(light, one);

    std::int64_t blue = light, green = light, red = light;
    if (sat != 0) {
        const std::int64_t p = light >= one / 2 ? light - (one - light) * sat / one : (one - sat) * light / one;
        const std::int64_t q = 2 * light - p;
        std::int64_t h;
        if (hue >= 0) {
            h = hue;
        } else if (delta == 0) {
            h = (p + q) / 2;
        } else if (b == largest && g != largest) {
            h = one + (g - r) * one / delta;
        } else if (g == largest && r != largest) {
            h = 3 * one + (r - b) * one / delta;
        } else {
            h = 5 * one + (b - g) * one / delta;
        }
        const std::int64_t sector = h >> 20;
        std::int64_t fraction = h & (one - 1);
        if (sector % 2 == 0) fraction = one - fraction;
        const std::int64_t m = p + fraction * (q - p) / one;
        switch (sector) {
            case 0: blue = q, green = p, red = m; break;
            case 1: blue = q, green = m, red = p; break;
            case 2: blue = m, green = q, red = p; break;
            case 3: blue = p, green = q, red = m; break;
            case 4: blue = p, green = m, red = q; break;
            case 5: blue = m, green = p, red = q; break;
            default: {
                blue = m, green = q, red = p;
                if (sector % 2 == 1) std::swap(blue, red);
                const std::int64_t pair = (sector >> 1) % 128;
                const int turns = pair == 1 ? 0 : pair == 0 ? 2 : 1;
                for (int t = 0; t < turns; ++t) {
                    const std::int64_t oldBlue = blue, oldGreen = green;
                    blue = red, green = oldBlue, red = oldGreen;
                }
            }
        }
    }
    const std::uint8_t fourth = in[3];
    out[0] = modelByte(blue);
    out[1] = modelByte(green);
    out[2] = modelByte(red);
    out[3] = fourth;
}

}  // namespace velmora::test
