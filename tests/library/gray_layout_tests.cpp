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

// The last row's padding lies on a page that may not be touched at all: no
// variant reads (or writes) a byte beyond the last pixel.
TEST(GrayLayout, NothingBeyondTheLastPixelIsRead) {
    std::mt19937 random(4096);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<int> widths;
    for (int width = 1; width <= 70; ++width) widths.push_back(width);
    widths.insert(widths.end(), {1023, 1366, 1921});
    forEachPinnedVariant([&] {
        for (int width : widths) {
            for (int height : {1, 3}) {
                const std::size_t pitch = paddedPitch(width);
                const std::size_t pixelBytes = (height - 1) * pitch + 3 * static_cast<std::size_t>(width);
                velmora::test::BufferBeforeGuardPage buffer(pixelBytes);
                ASSERT_NE(buffer.data(), nullptr);
                for (std::size_t i = 0; i < pixelBytes; ++i) buffer.data()[i] = static_cast<std::uint8_t>(byte(random));
                const std::vector<std::uint8_t> original(buffer.data(), buffer.data() + pixelBytes);
                ConvertToGray(buffer.data(), width, height);
                const std::uint8_t* last = &original[pixelBytes - 3];
                EXPECT_EQ(buffer.data()[pixelBytes - 1], modelGray(last[2], last[1], last[0])) << width;
            }
        }
    });
}

// A missing buffer is not written to either, whatever size comes with it.
TEST(GrayLayout, NoBufferNoWidthOrNoHeightWritesNothingAndReturnsOne) {
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
        EXPECT_EQ(ConvertToGray(nullptr, 1920, 1080), 1);
    });
}

}  // namespace
