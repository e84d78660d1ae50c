// A plain model of the gray conversion, written independently of the library,
// and helpers to build test buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::test {

// 0.299 R + 0.587 G + 0.114 B, left to right in doubles, truncated toward zero.
inline int modelGray(int red, int green, int blue) {
    const double sum = red * 0.299 + green * 0.587 + blue * 0.114;
    return static_cast<int>(sum);
}

constexpr std::uint32_t kColourCount = 1u << 24;

// Every 24-bit colour once, as blue-green-red pixels without padding.
inline std::vector<std::uint8_t> everyColour() {
    std::vector<std::uint8_t> pixels(3 * static_cast<std::size_t>(kColourCount));
    for (std::uint32_t colour = 0; colour < kColourCount; ++colour) {
        pixels[3 * colour] = static_cast<std::uint8_t>(colour);
        pixels[3 * colour + 1] = static_cast<std::uint8_t>(colour >> 8);
        pixels[3 * colour + 2] = static_cast<std::uint8_t>(colour >> 16);
    }
    return pixels;
}

// The index of the first colour whose converted pixel differs from the model,
// or kColourCount when all agree.
inline std::uint32_t firstColourOffModel(const std::vector<std::uint8_t>& converted) {
    for (std::uint32_t colour = 0; colour < kColourCount; ++colour) {
        const int expected = modelGray(colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF);
        const std::uint8_t* pixel = &converted[3 * static_cast<std::size_t>(colour)];
        if (pixel[0] != expected || pixel[1] != expected || pixel[2] != expected) return colour;
    }
    return kColourCount;
}

}  // namespace velmora::test
