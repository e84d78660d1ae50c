// Row layout: padding left alone, every pixel up to the last converted, and
// sizes that convert nothing.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "Grayscale.h"
#include "gray_buffer.h"
#include "gray_conversion.h"

namespace {

using velmora::test::expectConvertedWithPaddingKept;
using velmora::test::forEachPinnedVariant;
using velmora::test::modelGray;
using velmora::test::PaddedImage;
using velmora::test::paddedPitch;

TEST(GrayLayout, RowPitchIsThreeBytesAPixelRoundedUpToFour) {
    const std::pair<std::int32_t, std::uint64_t> pitches[] = {
        {1, 4}, {2, 8}, {3, 12}, {4, 12}, {1023, 3072}, {1366, 4100}, {1920, 5760},
        {INT32_MAX, 6442450944u}};
    for (const auto& [width, pitch] : pitches) EXPECT_EQ(velmora::gray::rowPitch(width), pitch) << width;
}

TEST(GrayLayout, PaddingIsKeptAndEveryPixelConvertedForEachVariant) {
    std::mt19937 random(20261207);
    for (int width : {1, 2, 3, 4, 5, 15, 16, 17, 31, 32, 33, 63, 64, 65, 1023, 1366, 1920}) {
        for (int height : {1, 2, 3, 17}) {
            PaddedImage image(width, height, random);
            // A colourful last pixel, so that leaving it out would show.
            std::uint8_t* last = &image.bytes[(height - 1) * paddedPitch(width) + 3 * (width - 1)];
            last[0] = 10, last[1] = 200, last[2] = 30;

            forEachPinnedVariant([&] {
                std::vector<std::uint8_t> exported = image.bytes;
                EXPECT_EQ(ConvertToGray(exported.data(), width, height), 1);
                expectConvertedWithPaddingKept(image, exported);
                const std::uint8_t* lastOut =
                    &exported[(height - 1) * paddedPitch(width) + 3 * (width - 1)];
                EXPECT_EQ(lastOut[2], modelGray(30, 200, 10));
            });
        }
    }
}

TEST(GrayLayout, NoWidthOrNoHeightWritesNothingAndReturnsOne) {
    std::mt19937 random(7);
    const PaddedImage image(8, 8, random);
    const std::pair<std::int32_t, std::int32_t> sizes[] = {
        {0, 8}, {8, 0}, {0, 0}, {-1, 8}, {8, -1}, {-8, -8}, {INT32_MIN, 8}, {8, INT32_MIN}};
    forEachPinnedVariant([&] {
        for (const auto& [width, height] : sizes) {
            std::vector<std::uint8_t> pixels = image.bytes;
            EXPECT_EQ(ConvertToGray(pixels.data(), width, height), 1) << width << " x " << height;
            EXPECT_EQ(pixels, image.bytes) << width << " x " << height;
        }
        EXPECT_EQ(ConvertToGray(nullptr, 0, 0), 1);
    });
}

}  // namespace
