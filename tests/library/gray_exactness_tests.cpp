// The conversion against its formula: telling values, every colour through
// ConvertToGray pinned to each variant, and repeated passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <cstdint>
#include <vector>

#include "Grayscale.h"
#include "gray_buffer.h"
#include "gray_conversion.h"
#include "gray_model.h"

namespace {

using velmora::test::everyColour;
using velmora::test::firstColourOffModel;
using velmora::test::forEachPinnedVariant;
using velmora::test::kColourCount;

// Converts one pixel through the exported function.
int exportedGray(int red, int green, int blue) {
    std::array<std::uint8_t, 4> row = {static_cast<std::uint8_t>(blue),
                                       static_cast<std::uint8_t>(green),
                                       static_cast<std::uint8_t>(red), 0};
    ConvertToGray(row.data(), 1, 1);
    EXPECT_EQ(row[0], row[1]);
    EXPECT_EQ(row[1], row[2]);
    return row[2];
}

TEST(GrayExactness, TellingColoursGiveTheirTruncatedWeightedSums) {
    struct Case {
        int red, green, blue, gray;
    };
    const Case cases[] = {
        {255, 255, 255, 255}, {0, 0, 0, 0},       {255, 0, 0, 76},     {0, 255, 0, 149},
        {0, 0, 255, 29},      {255, 255, 0, 225}, {0, 255, 255, 178},  {255, 0, 255, 105},
        {128, 128, 128, 127}, {1, 1, 1, 0},       {254, 254, 254, 253}, {100, 100, 100, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exportedGray(c.red, c.green, c.blue), c.gray)
            << "input " << c.red << ", " << c.green << ", " << c.blue;
    }
}

// All 256 equal-channel values side by side in one row, so that the
// vectorised variants meet them in blocks of different gray pixels.
TEST(GrayExactness, Exactly65EqualChannelValuesComeOutOneLower) {
    forEachPinnedVariant([] {
        std::vector<std::uint8_t> row(3 * 256);
        for (std::size_t v = 0; v < 256; ++v) std::fill_n(&row[3 * v], 3, static_cast<std::uint8_t>(v));
        ConvertToGray(row.data(), 256, 1);
        std::vector<int> lowered;
        for (int v = 0; v < 256; ++v) {
            const int gray = row[3 * v];
            ASSERT_TRUE(row[3 * v + 1] == gray && row[3 * v + 2] == gray) << "value " << v;
            ASSERT_TRUE(gray == v || gray == v - 1) << "value " << v << " gave " << gray;
            if (gray == v - 1) lowered.push_back(v);
        }
        EXPECT_EQ(lowered.size(), 65u);
        for (int v : {1, 2, 4, 8, 127, 128, 254}) {
            EXPECT_NE(std::find(lowered.begin(), lowered.end(), v), lowered.end()) << v;
        }
        for (int v : {0, 3, 100, 200, 255}) {
            EXPECT_EQ(std::find(lowered.begin(), lowered.end(), v), lowered.end()) << v;
        }
    });
}

TEST(GrayExactness, EveryColourThroughTheExportMatchesTheModelForEachVariant) {
    const std::vector<std::uint8_t> colours = everyColour();
    forEachPinnedVariant([&] {
        std::vector<std::uint8_t> pixels = colours;
        // 4096 pixels a row leave no padding: the buffer is every colour in order.
        EXPECT_EQ(ConvertToGray(pixels.data(), 4096, 4096), 1);
        EXPECT_EQ(firstColourOffModel(pixels), kColourCount);
    });
}

TEST(GrayExactness, UnpinnedExportRunsTheLastSupportedVariant) {
    auto& dispatch = velmora::gray::rowConverterDispatch();
    const auto variants = velmora::gray::rowConverterVariants();
    ASSERT_STREQ(variants.front().name, "plain");
    ASSERT_TRUE(variants.front().supportedByThisCpu);
    const auto lastSupported = std::find_if(variants.rbegin(), variants.rend(),
                                            [](const auto& v) { return v.supportedByThisCpu; });
    EXPECT_EQ(dispatch.chosen(), lastSupported->function);
    {
        const velmora::PinnedVariant plain(dispatch, "plain");
        ASSERT_TRUE(plain);
        EXPECT_EQ(dispatch.chosen(), variants.front().function);
        const velmora::PinnedVariant unknown(dispatch, "mmx");
        EXPECT_FALSE(unknown);
    }
    EXPECT_EQ(dispatch.chosen(), lastSupported->function);
    for (const auto& variant : variants) {
        if (!variant.supportedByThisCpu) {
            EXPECT_FALSE(dispatch.pin(variant.name)) << variant.name;
        }
    }
}

// Rows made of 16-pixel runs of the kinds a screen shows: flat areas, gray
// text and its smoothed edges, a lone coloured pixel in a flat gray area, and
// colourful pixels, against the model through each variant.
TEST(GrayExactness, ScreenLikeRunsThroughEveryVariantMatchTheModel) {
    std::mt19937 random(99);
    const auto byte = [&random] { return static_cast<std::uint8_t>(random()); };
    constexpr int kRuns = 100000;
    std::vector<std::uint8_t> pixels;
    pixels.reserve(kRuns * 48);
    for (int run = 0; run < kRuns; ++run) {
        const int kind = static_cast<int>(random() % 5);
        const std::uint8_t flat[3] = {byte(), byte(), byte()};
        const std::uint8_t gray = byte();
        const int odd = static_cast<int>(random() % 16);
        for (int i = 0; i < 16; ++i) {
            std::uint8_t b = byte(), g = byte(), r = byte();
            if (kind == 0) b = flat[0], g = flat[1], r = flat[2];
            if (kind == 1) b = g = r = gray;
            if (kind == 2) g = r = b;
            if (kind == 3 && i != odd) b = g = r = gray;
            pixels.insert(pixels.end(), {b, g, r});
        }
    }
    const std::vector<std::uint8_t> original = pixels;
    forEachPinnedVariant([&] {
        pixels = original;
        // One row of 1.6 million pixels: 3 * kRuns * 16 bytes, a multiple of four.
        ConvertToGray(pixels.data(), kRuns * 16, 1);
        for (std::size_t p = 0; p < pixels.size(); p += 3) {
            const int expected = velmora::test::modelGray(original[p + 2], original[p + 1], original[p]);
            ASSERT_TRUE(pixels[p] == expected && pixels[p + 1] == expected && pixels[p + 2] == expected)
                << "pixel " << p / 3;
        }
    });
}

// Every colour as a flat area of 32 pixels, through each variant.
TEST(GrayExactness, EveryColourAsAFlatAreaMatchesTheModel) {
    constexpr std::uint32_t kColoursPerChunk = 1u << 14;
    constexpr std::size_t kRunPixels = 32;
    std::vector<std::uint8_t> chunk(3 * kRunPixels * kColoursPerChunk);
    forEachPinnedVariant([&] {
        for (std::uint32_t first = 0; first < kColourCount; first += kColoursPerChunk) {
            for (std::uint32_t c = 0; c < kColoursPerChunk; ++c) {
                const std::uint32_t colour = first + c;
                for (std::size_t i = 0; i < kRunPixels; ++i) {
                    std::uint8_t* pixel = &chunk[3 * (c * kRunPixels + i)];
                    pixel[0] = static_cast<std::uint8_t>(colour);
                    pixel[1] = static_cast<std::uint8_t>(colour >> 8);
                    pixel[2] = static_cast<std::uint8_t>(colour >> 16);
                }
            }
            ConvertToGray(chunk.data(), kRunPixels * kColoursPerChunk, 1);
            for (std::uint32_t c = 0; c < kColoursPerChunk; ++c) {
                const std::uint32_t colour = first + c;
                const int expected = velmora::test::modelGray(colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF);
                const std::uint8_t* run = &chunk[3 * c * kRunPixels];
                const bool allGray = std::all_of(run, run + 3 * kRunPixels,
                                                 [expected](std::uint8_t v) { return v == expected; });
                ASSERT_TRUE(allGray) << "colour " << colour;
            }
        }
    });
}

TEST(GrayExactness, RepeatedPassesLowerSomeValuesFurther) {
    const auto pass = [](std::array<std::uint8_t, 12>& row) { ConvertToGray(row.data(), 4, 1); };
    std::array<std::uint8_t, 12> row = {2, 2, 2, 128, 128, 128, 100, 100, 100, 255, 255, 255};
    pass(row);
    EXPECT_EQ(row, (std::array<std::uint8_t, 12>{1, 1, 1, 127, 127, 127, 100, 100, 100, 255, 255, 255}));
    pass(row);
    EXPECT_EQ(row, (std::array<std::uint8_t, 12>{0, 0, 0, 126, 126, 126, 100, 100, 100, 255, 255, 255}));
    for (int i = 0; i < 10; ++i) pass(row);
    EXPECT_EQ(row[6], 100);
    EXPECT_EQ(row[9], 255);
}

}  // namespace
