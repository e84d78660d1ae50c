#include "gray_timing.h"

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
}

}  // namespace velmora::bench
