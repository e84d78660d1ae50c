// Random sizes and contents in buffers of exactly the needed length, built
// with AddressSanitizer and UndefinedBehaviorSanitizer: any read or write past
// the last row, or any overflowing offset, stops the test.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "Grayscale.h"
#include "gray_buffer.h"
#include "gray_conversion.h"

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

}  // namespace
