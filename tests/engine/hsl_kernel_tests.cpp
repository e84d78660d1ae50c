// The hue/saturation/lightness kernel against a model of its arithmetic:
// every colour, telling cases, random parameters, and every fast path.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "adjust_hsl.h"
#include "hsl_kernel.h"
#include "hsl_model.h"
#include "runtime_error.h"

namespace {

using namespace velmora::engine;
using velmora::test::modelRecolour;

constexpr std::uint32_t kColours = 1u << 24;
constexpr std::int32_t kKeep = -1;

// Every 24-bit colour once as 32-bit pixels, the fourth bytes random.
std::vector<std::uint8_t> everyColour() {
    std::vector<std::uint8_t> pixels(4 * static_cast<std::size_t>(kColours));
    std::mt19937 random(5);
    for (std::uint32_t colour = 0; colour < kColours; ++colour) {
        pixels[4 * colour] = static_cast<std::uint8_t>(colour);
        pixels[4 * colour + 1] = static_cast<std::uint8_t>(colour >> 8);
        pixels[4 * colour + 2] = static_cast<std::uint8_t>(colour >> 16);
        pixels[4 * colour + 3] = static_cast<std::uint8_t>(random());
    }
    return pixels;
}

PixelBufferInfo recordFor(const std::uint8_t* source, std::uint8_t* destination, std::int32_t width,
                          std::int32_t height) {
    PixelBufferInfo info{};
    for (BitmapRecord* record : {&info.SourceBitmap, &info.TargetBitmap}) {
        record->bmWidth = width;
        record->bmHeight = height;
        record->bmWidthBytes = 4 * width;
        record->bmPlanes = 1;
        record->bmBitsPixel = 32;
    }
    info.SourceBitmap.bmBits = const_cast<std::uint8_t*>(source);
    info.TargetBitmap.bmBits = destination;
    return info;
}

// The index of the first pixel that differs from the model, or `count`.
std::size_t firstPixelOffModel(const std::vector<std::uint8_t>& source, const std::vector<std::uint8_t>& result,
                               const HslParameters& parameters) {
    const std::size_t count = source.size() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t expected[4];
        modelRecolour(&source[4 * i], expected, parameters.hue, parameters.saturation, parameters.lightness);
        if (!std::equal(expected, expected + 4, &result[4 * i])) return i;
    }
    return count;
}

TEST(HslKernel, AllKeptLeavesEveryColourAsItWas) {
    const std::vector<std::uint8_t> colours = everyColour();
    std::vector<std::uint8_t> plain(colours.size());
    recolourPlain(colours.data(), plain.data(), kColours, {kKeep, kKeep, kKeep});
    EXPECT_EQ(plain, colours);

    std::vector<std::uint8_t> dispatched(colours.size());
    PixelBufferInfo info = recordFor(colours.data(), dispatched.data(), 4096, 4096);
    EXPECT_EQ(HslKernel(&info, kKeep, kKeep, kKeep), -1);
    EXPECT_EQ(dispatched, colours);
}

TEST(HslKernel, SaturationZeroMatchesTheModelForEveryColourAndEachGrayVariant) {
    const std::vector<std::uint8_t> colours = everyColour();
    std::vector<std::uint8_t> result(colours.size());
    for (std::int32_t hue : {kKeep, 0, static_cast<std::int32_t>(kHalf), 3 * static_cast<std::int32_t>(kOne),
                             7 * static_cast<std::int32_t>(kOne)}) {
        SCOPED_TRACE(hue);
        recolourPlain(colours.data(), result.data(), kColours, {hue, 0, kKeep});
        ASSERT_EQ(firstPixelOffModel(colours, result, {hue, 0, kKeep}), kColours);
    }
    int variantsRun = 0;
    for (const auto& variant : lightnessGrayVariants()) {
        if (!variant.supportedByThisCpu) continue;
        const velmora::PinnedVariant pinned(lightnessGrayDispatch(), variant.name);
        ASSERT_TRUE(pinned) << variant.name;
        SCOPED_TRACE(variant.name);
        std::fill(result.begin(), result.end(), 0);
        PixelBufferInfo separate = recordFor(colours.data(), result.data(), 4096, 4096);
        EXPECT_EQ(HslKernel(&separate, 2 * static_cast<std::int32_t>(kOne), 0, kKeep), -1);
        ASSERT_EQ(firstPixelOffModel(colours, result, {kKeep, 0, kKeep}), kColours);
        std::vector<std::uint8_t> inPlace = colours;
        PixelBufferInfo same = recordFor(inPlace.data(), inPlace.data(), 4096, 4096);
        HslKernel(&same, kKeep, 0, kKeep);
        ASSERT_EQ(inPlace, result);
        ++variantsRun;
    }
    EXPECT_GE(variantsRun, 1);
}

TEST(HslKernel, UnpinnedGrayPathRunsTheLastSupportedVariant) {
    const auto variants = lightnessGrayVariants();
    ASSERT_STREQ(variants.front().name, "plain");
    const auto lastSupported = std::find_if(variants.rbegin(), variants.rend(),
                                            [](const auto& v) { return v.supportedByThisCpu; });
    ASSERT_NE(lastSupported, variants.rend());
    EXPECT_EQ(lightnessGrayDispatch().chosen(), lastSupported->function);
}

TEST(HslKernel, GrayPathVariantsHandleEveryLengthAndAlignment) {
    std::mt19937 random(8);
    std::vector<std::uint8_t> source(4 * 100 + 3);
    for (std::uint8_t& b : source) b = static_cast<std::uint8_t>(random());
    for (std::size_t offset = 0; offset < 4; ++offset) {
        for (std::size_t count = 0; count <= 33; ++count) {
            std::vector<std::uint8_t> expected(4 * count + 8, 0xEE);
            lightnessGrayPlain(source.data() + offset, expected.data() + 4, count);
            for (const auto& variant : lightnessGrayVariants()) {
                if (!variant.supportedByThisCpu) continue;
                std::vector<std::uint8_t> actual(4 * count + 8, 0xEE);
                variant.function(source.data() + offset, actual.data() + 4, count);
                ASSERT_EQ(actual, expected) << variant.name << " count " << count << " offset " << offset;
            }
        }
    }
}

// Pixels as (blue, green, red, fourth) through AdjustHSL in natural units.
std::array<std::uint8_t, 4> adjusted(std::array<std::uint8_t, 4> pixel, float hue, float saturation,
                                     float lightness) {
    std::array<std::uint8_t, 4> out{};
    PixelBufferInfo info = recordFor(pixel.data(), out.data(), 1, 1);
    EXPECT_EQ(AdjustHSL(&info, hue, saturation, lightness), -1);
    return out;
}

using Pixel = std::array<std::uint8_t, 4>;
Pixel bgr(int blue, int green, int red) {
    return {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(red), 9};
}

TEST(AdjustHsl, SaturationZeroGivesTheGrayOfTheLightness) {
    EXPECT_EQ(adjusted(bgr(0, 0, 255), -1, 0, -1), bgr(128, 128, 128));
    EXPECT_EQ(adjusted(bgr(0, 255, 0), -1, 0, -1), bgr(128, 128, 128));
    EXPECT_EQ(adjusted(bgr(255, 0, 0), -1, 0, -1), bgr(128, 128, 128));
    EXPECT_EQ(adjusted(bgr(255, 255, 255), -1, 0, -1), bgr(255, 255, 255));
    EXPECT_EQ(adjusted(bgr(0, 0, 0), -1, 0, -1), bgr(0, 0, 0));
    EXPECT_EQ(adjusted(bgr(10, 20, 30), -1, 0, -1), bgr(20, 20, 20));
    EXPECT_EQ(adjusted(bgr(200, 100, 50), -1, 0, -1), bgr(125, 125, 125));
    EXPECT_EQ(adjusted(bgr(100, 155, 120), -1, 0, -1), bgr(128, 128, 128));  // max + min = 255
    EXPECT_EQ(adjusted(bgr(1, 40, 30), -1, 0, -1), bgr(20, 20, 20));        // max + min = 41
}

TEST(AdjustHsl, LightnessFactorScalesAndCaps) {
    EXPECT_EQ(adjusted(bgr(255, 255, 255), -1, 0, 0.5f), bgr(128, 128, 128));
    EXPECT_EQ(adjusted(bgr(0, 0, 255), -1, -1, 1.5f), bgr(128, 128, 255));
}

TEST(AdjustHsl, HueSettingsTurnRedAroundTheCircle) {
    const Pixel red = bgr(0, 0, 255);
    EXPECT_EQ(adjusted(red, 0, -1, -1), bgr(255, 0, 255));  // magenta
    EXPECT_EQ(adjusted(red, 1, -1, -1), bgr(255, 0, 0));    // blue
    EXPECT_EQ(adjusted(red, 2, -1, -1), bgr(255, 255, 0));  // cyan
    EXPECT_EQ(adjusted(red, 3, -1, -1), bgr(0, 255, 0));    // green
    EXPECT_EQ(adjusted(red, 4, -1, -1), bgr(0, 255, 255));  // yellow
    EXPECT_EQ(adjusted(red, 5, -1, -1), bgr(0, 0, 255));    // red
    EXPECT_EQ(adjusted(red, 0.5f, -1, -1), bgr(255, 0, 128));
}

TEST(AdjustHsl, FullSaturationOnGrayTakesItsHueFromTheLightness) {
    EXPECT_EQ(adjusted(bgr(100, 100, 100), -1, 1, -1), bgr(200, 0, 122));
    EXPECT_EQ(adjusted(bgr(0, 0, 0), -1, 1, -1), bgr(0, 0, 0));
}

TEST(AdjustHsl, SmallNegativeValuesRoundToZeroAndSetTheComponent) {
    const Pixel colour = bgr(30, 200, 90);
    EXPECT_EQ(adjusted(colour, -1, -0.5f, -1), adjusted(colour, -1, 0, -1));  // saturation 0
    EXPECT_EQ(adjusted(colour, -1, -0.25f, -1), adjusted(colour, -1, 0, -1));
    EXPECT_EQ(adjusted(colour, -1, -1, -0.5f), bgr(0, 0, 0));                  // lightness factor 0
    EXPECT_EQ(adjusted(bgr(0, 0, 255), -0.5f, -1, -1), bgr(255, 0, 255));      // hue 0
    EXPECT_EQ(adjusted(colour, -1, -1, -1), colour);                           // -1 keeps
    EXPECT_EQ(adjusted(colour, -1, -0.51f, -1), colour);                       // rounds to -1: keeps
}

TEST(AdjustHsl, SaturationAboveOneCountsAsOne) {
    std::mt19937 random(3);
    for (int i = 0; i < 2000; ++i) {
        const Pixel pixel = bgr(random() % 256, random() % 256, random() % 256);
        EXPECT_EQ(adjusted(pixel, -1, 2.5f, -1), adjusted(pixel, -1, 1, -1));
        EXPECT_EQ(adjusted(pixel, 0.25f, 1500.0f, 0.75f), adjusted(pixel, 0.25f, 1, 0.75f));
    }
}

TEST(AdjustHsl, ParametersBeyondThirtyTwoBitsRaiseOverflowAndConvertNothing) {
    for (const std::array<float, 3>& parameters :
         {std::array<float, 3>{3000.0f, -1, -1}, std::array<float, 3>{-1, -1, 2048.0f},
          std::array<float, 3>{-1, INFINITY, -1}, std::array<float, 3>{NAN, -1, -1},
          std::array<float, 3>{-3e9f, -1, -1}}) {
        Pixel in = bgr(1, 2, 3), out = bgr(7, 7, 7);
        PixelBufferInfo info = recordFor(in.data(), out.data(), 1, 1);
        try {
            AdjustHSL(&info, parameters[0], parameters[1], parameters[2]);
            ADD_FAILURE() << "no error";
        } catch (const velmora::runtime::RuntimeError& error) {
            EXPECT_EQ(error.number(), 6);
        }
        EXPECT_EQ(out, bgr(7, 7, 7));
    }
    Pixel in = bgr(1, 2, 3), out{};
    PixelBufferInfo info = recordFor(in.data(), out.data(), 1, 1);
    EXPECT_EQ(AdjustHSL(&info, 2047.99f, -1, -1), -1);  // just inside the range
}

TEST(HslKernel, RandomParametersOverRandomPixelsMatchTheModel) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::int32_t one = static_cast<std::int32_t>(kOne);
    const std::vector<std::int32_t> interesting = {
        -1, -one, 0, 1, one / 3, one / 2, one - 1, one, one + 1, 3 * one / 2, 2 * one, 5 * one + 12345,
        6 * one, 6 * one + one / 2, 7 * one, 13 * one, 255 * one, 256 * one + 77, 2000 * one,
        std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()};
    const auto pick = [&] {
        return random() % 3 == 0 ? static_cast<std::int32_t>(random())
                                 : interesting[random() % interesting.size()];
    };
    for (int round = 0; round < 400; ++round) {
        const HslParameters parameters{pick(), pick(), pick()};
        std::vector<std::uint8_t> source(4 * 997);
        for (std::uint8_t& b : source) b = static_cast<std::uint8_t>(byte(random));
        std::vector<std::uint8_t> separate(source.size());
        PixelBufferInfo info = recordFor(source.data(), separate.data(), 997, 1);
        HslKernel(&info, parameters.hue, parameters.saturation, parameters.lightness);
        ASSERT_EQ(firstPixelOffModel(source, separate, parameters), 997u)
            << parameters.hue << " " << parameters.saturation << " " << parameters.lightness;

        std::vector<std::uint8_t> inPlace = source;
        PixelBufferInfo same = recordFor(inPlace.data(), inPlace.data(), 997, 1);
        HslKernel(&same, parameters.hue, parameters.saturation, parameters.lightness);
        ASSERT_EQ(inPlace, separate);
    }
}

TEST(HslKernel, ARecordWithoutPixelsReadsAndWritesNothing) {
    PixelBufferInfo empty{};
    EXPECT_EQ(HslKernel(&empty, -1, 0, -1), -1);
    EXPECT_EQ(AdjustHSL(&empty, -1, 0, -1), -1);
    EXPECT_EQ(AdjustHSL(&empty, 0.5f, 0.5f, 0.5f), -1);
    PixelBufferInfo negative = recordFor(nullptr, nullptr, -5, 10);
    EXPECT_EQ(HslKernel(&negative, 1, 1, 1), -1);
    negative = recordFor(nullptr, nullptr, 10, -5);
    EXPECT_EQ(HslKernel(&negative, 1, 1, 1), -1);
    EXPECT_EQ(HslKernel(nullptr, -1, 0, -1), -1);
    EXPECT_EQ(AdjustHSL(nullptr, -1, 0, -1), -1);
}

// The target's width and height say how many pixels there are; the source's
// may differ (a record filled by hand) and must not widen the run.
TEST(HslKernel, CountsThePixelsOfTheTargetRecord) {
    std::vector<std::uint8_t> source(4 * 64, 200), destination(4 * 64, 7);
    const std::int32_t one = static_cast<std::int32_t>(kOne);
    for (const auto& [hue, saturation, lightness] : {std::tuple{-1, 0, -1}, std::tuple{-1, -1, -1},
                                                     std::tuple{one, one / 2, one}}) {
        std::fill(destination.begin(), destination.end(), 7);
        PixelBufferInfo info = recordFor(source.data(), destination.data(), 8, 8);
        info.TargetBitmap.bmWidth = 3;
        info.TargetBitmap.bmHeight = 2;
        EXPECT_EQ(HslKernel(&info, hue, saturation, lightness), -1);
        EXPECT_NE(destination[4 * 6 - 1], 7) << "the sixth pixel was written";
        EXPECT_TRUE(std::all_of(destination.begin() + 4 * 6, destination.end(), [](std::uint8_t b) { return b == 7; }))
            << "only 3 x 2 pixels were to be written";
    }
}

}  // namespace
