// Random sizes and contents in buffers of exactly the needed length, built
// with AddressSanitizer and UndefinedBehaviorSanitizer: any read or write past
// the last row, or any overflowing offset, stops the test.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "Grayscale.h"
#include "gray_buffer.h"
#include "gray_conversion.h"
#include "gray_conversion_bgrx.h"

namespace {

using velmora::test::expectConvertedWithPaddingKept;
using velmora::test::forEachPinnedVariant;
using velmora::test::PaddedImage;

TEST(GraySanitized, RandomSizesAndContents) {
    std::mt19937 random(424242);
    std::uniform_int_distribution<int> width(1, 700);
    std::uniform_int_distribution<int> height(1, 24);
    for (int round = 0; round < 300; ++round) {
        const PaddedImage image(width(random), height(random), random);
        forEachPinnedVariant([&] {
            // A heap block of exactly the image's size: ASan guards its ends.
            std::vector<std::uint8_t> converted = image.bytes;
            converted.shrink_to_fit();
            ConvertToGray(converted.data(), image.width, image.height);
            expectConvertedWithPaddingKept(image, converted);
        });
    }
}

// 32-bit pixels with a stride, in blocks of exactly the image's size.
TEST(GraySanitized, RandomBgrxImagesAndStrides) {
    std::mt19937 random(515151);
    std::uniform_int_distribution<std::size_t> width(1, 700);
    std::uniform_int_distribution<std::size_t> height(1, 12);
    std::uniform_int_distribution<std::size_t> extra(0, 9);
    for (int round = 0; round < 300; ++round) {
        const std::size_t w = width(random), h = height(random);
        const std::size_t stride = 4 * w + 4 * extra(random);
        std::vector<std::uint8_t> original(stride * (h - 1) + 4 * w);
        for (std::uint8_t& b : original) b = static_cast<std::uint8_t>(random());
        for (const auto& variant : velmora::gray::bgrxRowConverterVariants()) {
            if (!variant.supportedByThisCpu) continue;
            SCOPED_TRACE(variant.name);
            std::vector<std::uint8_t> converted = original;
            converted.shrink_to_fit();
            velmora::gray::convertBgrxImage(converted.data(), w, h, stride, variant.function);
            for (std::size_t r = 0; r < h; ++r) {
                for (std::size_t x = 0; x < w; ++x) {
                    const std::uint8_t* in = &original[r * stride + 4 * x];
                    const std::uint8_t* out = &converted[r * stride + 4 * x];
                    const std::uint8_t gray = velmora::gray::grayLevel(in[0], in[1], in[2]);
                    ASSERT_TRUE(out[0] == gray && out[1] == gray && out[2] == gray && out[3] == in[3])
                        << "pixel " << x << " of row " << r << " of " << w << " x " << h;
                }
            }
        }
    }
}

}  // namespace
