// The 32-bit-pixel converters against grayLevel: every colour through every
// variant, every colour as a flat area, every gray value in every lane, mixed
// screen-like rows of every length, row strides, and agreement with
// ConvertToGray. The fourth byte of every pixel must keep its value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "Grayscale.h"
#include "gray_conversion.h"
#include "gray_conversion_bgrx.h"
#include "gray_model.h"

namespace {

using velmora::gray::grayLevel;
using RowConverterVariant = velmora::Variant<velmora::gray::RowConverter>;
using velmora::test::kColourCount;

// A fourth byte that differs from pixel to pixel and from the colour bytes.
std::uint8_t fourthByteOf(std::uint32_t index) { return static_cast<std::uint8_t>(index * 2654435761u >> 24); }

void putPixel(std::uint8_t* at, std::uint32_t colour, std::uint8_t fourth) {
    at[0] = static_cast<std::uint8_t>(colour);
    at[1] = static_cast<std::uint8_t>(colour >> 8);
    at[2] = static_cast<std::uint8_t>(colour >> 16);
    at[3] = fourth;
}

// Expects every pixel of `converted` to be grayLevel of the same pixel of
// `original` in its three colour bytes and the original fourth byte.
::testing::AssertionResult convertedExactly(const std::vector<std::uint8_t>& original,
                                            const std::vector<std::uint8_t>& converted) {
    if (original.size() != converted.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t p = 0; p + 3 < original.size(); p += 4) {
        const std::uint8_t gray = grayLevel(original[p], original[p + 1], original[p + 2]);
        if (converted[p] != gray || converted[p + 1] != gray || converted[p + 2] != gray ||
            converted[p + 3] != original[p + 3]) {
            return ::testing::AssertionFailure()
                   << "pixel " << p / 4 << ": blue " << int{original[p]} << ", green "
                   << int{original[p + 1]} << ", red " << int{original[p + 2]} << " should give "
                   << int{gray} << " and keep " << int{original[p + 3]} << ", gave "
                   << int{converted[p]} << ' ' << int{converted[p + 1]} << ' '
                   << int{converted[p + 2]} << ' ' << int{converted[p + 3]};
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<const RowConverterVariant*> variantsThisCpuRuns() {
    std::vector<const RowConverterVariant*> result;
    for (const RowConverterVariant& variant : velmora::gray::bgrxRowConverterVariants()) {
        if (variant.supportedByThisCpu) result.push_back(&variant);
    }
    return result;
}

TEST(GrayBgrx, EveryColourThroughEveryVariantMatchesGrayLevel) {
    std::vector<std::uint8_t> original(4 * static_cast<std::size_t>(kColourCount));
    for (std::uint32_t colour = 0; colour < kColourCount; ++colour) {
        putPixel(&original[4 * static_cast<std::size_t>(colour)], colour, fourthByteOf(colour));
    }
    const auto variants = variantsThisCpuRuns();
    ASSERT_FALSE(variants.empty());
    for (const RowConverterVariant* variant : variants) {
        std::vector<std::uint8_t> pixels = original;
        variant->function(pixels.data(), kColourCount);
        EXPECT_TRUE(convertedExactly(original, pixels)) << "variant " << variant->name;
    }
    RecordProperty("variants", static_cast<int>(variants.size()));
}

// Runs of eight equal pixels, aligned and shifted by three, so that every
// colour meets the vector paths for areas of one colour.
TEST(GrayBgrx, EveryColourAsAFlatAreaMatchesGrayLevel) {
    constexpr std::uint32_t kColoursPerChunk = 1u << 15;
    constexpr std::size_t kRunPixels = 8;
    for (const std::size_t shift : {std::size_t{0}, std::size_t{3}}) {
        std::vector<std::uint8_t> original(4 * (kRunPixels * kColoursPerChunk + shift));
        std::vector<std::uint8_t> pixels;
        for (const RowConverterVariant* variant : variantsThisCpuRuns()) {
            for (std::uint32_t first = 0; first < kColourCount; first += kColoursPerChunk) {
                for (std::size_t i = 0; i < original.size() / 4; ++i) {
                    const std::uint32_t colour = first + static_cast<std::uint32_t>(
                                                             (i + kRunPixels - shift) / kRunPixels) - 1;
                    putPixel(&original[4 * i], colour & 0xFFFFFF, fourthByteOf(static_cast<std::uint32_t>(i)));
                }
                pixels = original;
                variant->function(pixels.data(), original.size() / 4);
                ASSERT_TRUE(convertedExactly(original, pixels))
                    << "variant " << variant->name << ", colours from " << first << ", shift " << shift;
            }
        }
    }
}

// Every gray value (blue = green = red) at every position of a vector, next
// to other gray values: the path for gray text and its smoothed edges.
TEST(GrayBgrx, EveryGrayValueInEveryLaneMatchesGrayLevel) {
    std::vector<std::uint8_t> original;
    for (std::uint32_t offset = 0; offset < 8; ++offset) {
        for (std::uint32_t i = 0; i < 256 + 8; ++i) {
            const std::uint32_t value = (i * 37 + offset) & 0xFF;
            original.resize(original.size() + 4);
            putPixel(&original[original.size() - 4], value * 0x010101u, fourthByteOf(i));
        }
    }
    for (const RowConverterVariant* variant : variantsThisCpuRuns()) {
        for (std::size_t start = 0; start < 8; ++start) {
            const std::vector<std::uint8_t> shifted(original.begin() + 4 * static_cast<long>(start), original.end());
            std::vector<std::uint8_t> pixels = shifted;
            variant->function(pixels.data(), pixels.size() / 4);
            EXPECT_TRUE(convertedExactly(shifted, pixels)) << "variant " << variant->name << ", start " << start;
        }
    }
}

// Rows of every length from 0 to 70 made of the runs a screen shows, each
// followed by guard bytes that must stay untouched.
TEST(GrayBgrx, ScreenLikeRowsOfEveryLengthMatchGrayLevelAndStayInTheirRow) {
    std::mt19937 random(4242);
    const auto byte = [&random] { return static_cast<std::uint8_t>(random()); };
    constexpr std::size_t kGuardBytes = 64;
    for (const RowConverterVariant* variant : variantsThisCpuRuns()) {
        for (int round = 0; round < 400; ++round) {
            const std::size_t length = static_cast<std::size_t>(round % 71);
            std::vector<std::uint8_t> original(4 * length + kGuardBytes);
            for (std::uint8_t& b : original) b = byte();
            const int kind = static_cast<int>(random() % 4);
            const std::uint8_t gray = byte();
            const std::size_t odd = random() % (length + 1);
            for (std::size_t i = 0; i < length; ++i) {
                std::uint8_t* pixel = &original[4 * i];
                if (kind == 0) pixel[0] = pixel[1] = pixel[2] = gray;           // one flat area
                if (kind == 1) pixel[1] = pixel[2] = pixel[0];                  // gray text
                if (kind == 2 && i != odd) pixel[0] = pixel[1] = pixel[2] = gray;  // one odd pixel
            }
            std::vector<std::uint8_t> pixels = original;
            variant->function(pixels.data(), length);
            const std::vector<std::uint8_t> rowBefore(original.begin(), original.end() - kGuardBytes);
            const std::vector<std::uint8_t> rowAfter(pixels.begin(), pixels.end() - kGuardBytes);
            ASSERT_TRUE(convertedExactly(rowBefore, rowAfter)) << "variant " << variant->name << ", length " << length;
            ASSERT_TRUE(std::equal(original.end() - kGuardBytes, original.end(), pixels.end() - kGuardBytes))
                << "variant " << variant->name << " wrote past a row of " << length;
        }
    }
}

TEST(GrayBgrx, ImagesWithRowStridesLeaveTheBytesBetweenRowsAlone) {
    std::mt19937 random(77);
    for (const RowConverterVariant* variant : variantsThisCpuRuns()) {
        for (const std::size_t width : {std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{33}, std::size_t{1366}}) {
            const std::size_t height = 5;
            const std::size_t stride = 4 * width + 12;
            std::vector<std::uint8_t> original(stride * height);
            for (std::uint8_t& b : original) b = static_cast<std::uint8_t>(random());
            std::vector<std::uint8_t> pixels = original;
            velmora::gray::convertBgrxImage(pixels.data(), width, height, stride, variant->function);
            for (std::size_t r = 0; r < height; ++r) {
                const auto row = static_cast<long>(r * stride);
                const auto rowPixels = static_cast<long>(4 * width);
                const std::vector<std::uint8_t> before(original.begin() + row, original.begin() + row + rowPixels);
                const std::vector<std::uint8_t> after(pixels.begin() + row, pixels.begin() + row + rowPixels);
                ASSERT_TRUE(convertedExactly(before, after)) << variant->name << ", width " << width << ", row " << r;
                ASSERT_TRUE(std::equal(original.begin() + row + rowPixels, original.begin() + row + static_cast<long>(stride),
                                       pixels.begin() + row + rowPixels))
                    << variant->name << " wrote between rows, width " << width << ", row " << r;
            }
        }
    }
}

// The same random picture as 24-bit rows through ConvertToGray and as 32-bit
// rows through the dispatched converter gives the same gray everywhere.
TEST(GrayBgrx, DispatchedConverterAgreesWithConvertToGray) {
    std::mt19937 random(1234);
    constexpr int kWidth = 1366;
    constexpr int kHeight = 48;
    const std::size_t pitch24 = static_cast<std::size_t>(velmora::gray::rowPitch(kWidth));
    std::vector<std::uint8_t> rgb(pitch24 * kHeight);
    std::vector<std::uint8_t> bgrx(4 * static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t colour = (x + y) % 3 == 0 ? (random() & 0xFF) * 0x010101u : random() & 0xFFFFFF;
            std::uint8_t* p24 = &rgb[y * pitch24 + 3 * static_cast<std::size_t>(x)];
            p24[0] = static_cast<std::uint8_t>(colour);
            p24[1] = static_cast<std::uint8_t>(colour >> 8);
            p24[2] = static_cast<std::uint8_t>(colour >> 16);
            putPixel(&bgrx[4 * (static_cast<std::size_t>(y) * kWidth + x)], colour, 0);
        }
    }
    ConvertToGray(rgb.data(), kWidth, kHeight);
    velmora::gray::convertBgrxImage(bgrx.data(), kWidth, kHeight, 4 * static_cast<std::size_t>(kWidth),
                                    velmora::gray::bgrxRowConverterDispatch().chosen());
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* p24 = &rgb[y * pitch24 + 3 * static_cast<std::size_t>(x)];
            const std::uint8_t* p32 = &bgrx[4 * (static_cast<std::size_t>(y) * kWidth + x)];
            ASSERT_TRUE(p32[0] == p24[0] && p32[1] == p24[1] && p32[2] == p24[2])
                << "pixel " << x << ", " << y;
        }
    }
}

}  // namespace
