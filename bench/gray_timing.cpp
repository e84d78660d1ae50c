#include "gray_timing.h"

#include <algorithm>
#include <cstdio>

#include "Grayscale.h"

namespace velmora::bench {

std::vector<std::string> supportedVariants() {
    std::vector<std::string> names;
    for (const auto& variant : velmora::gray::rowConverterVariants()) {
        if (variant.supportedByThisCpu) names.push_back(variant.name);
    }
    return names;
}

void convertScene(Scene& scene) { ConvertToGray(scene.pixels.data(), scene.width, scene.height); }

namespace {

// The 128-bit path's speed target: at least 4 times the plain routine's speed
// and at most 5 times a memcpy's time, on each scene.
constexpr double kSse2TargetTimesPlain = 4.0;
constexpr double kSse2TargetTimesMemcpy = 5.0;

void printSse2Target(const std::vector<std::string>& sceneNames,
                     const std::vector<std::vector<double>>& milliseconds,
                     const std::vector<std::string>& variants) {
    const auto sse2 = std::find(variants.begin(), variants.end(), "sse2");
    if (sse2 == variants.end()) return;
    const std::size_t column = static_cast<std::size_t>(sse2 - variants.begin()) + 1;
    std::printf("\nsse2 target: at least %.0fx plain, at most %.0fx memcpy\n", kSse2TargetTimesPlain,
                kSse2TargetTimesMemcpy);
    for (std::size_t s = 0; s < sceneNames.size(); ++s) {
        const double timesPlain = milliseconds[s][1] / milliseconds[s][column];
        const double timesMemcpy = milliseconds[s][column] / milliseconds[s][0];
        const bool met = timesPlain >= kSse2TargetTimesPlain && timesMemcpy <= kSse2TargetTimesMemcpy;
        std::printf("%-12s %.2fx plain, %.2fx memcpy: %s\n", sceneNames[s].c_str(), timesPlain, timesMemcpy,
                    met ? "met" : "not met");
    }
}

}  // namespace

void printRatioTable(const std::vector<std::string>& sceneNames,
                     const std::vector<std::vector<double>>& milliseconds) {
    const std::vector<std::string> variants = supportedVariants();
    std::printf("\nConvertToGray pinned to each variant; unpinned it runs %s.\n", variants.back().c_str());
    std::printf("%-12s %-8s %10s %12s %14s\n", "scene", "variant", "ms", "x memcpy", "plain / this");
    for (std::size_t s = 0; s < sceneNames.size(); ++s) {
        const double memcpyMs = milliseconds[s][0];
        const double plainMs = milliseconds[s][1];
        std::printf("%-12s %-8s %10.3f %12.2f %14s\n", sceneNames[s].c_str(), "memcpy", memcpyMs, 1.0, "");
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const double ms = milliseconds[s][v + 1];
            std::printf("%-12s %-8s %10.3f %12.2f %14.2f\n", sceneNames[s].c_str(), variants[v].c_str(), ms,
                        ms / memcpyMs, plainMs / ms);
        }
    }
    printSse2Target(sceneNames, milliseconds, variants);
}

}  // namespace velmora::bench
