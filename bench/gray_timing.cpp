#include "gray_timing.h"

#include <cstdio>

#include "Grayscale.h"

namespace velmora::bench {

std::vector<Contender> contenders() {
    std::vector<Contender> result;
    for (const auto& variant : velmora::gray::rowConverterVariants()) {
        if (variant.supportedByThisCpu) result.push_back({variant.name, variant.convert});
    }
    result.push_back({"ConvertToGray", nullptr});
    return result;
}

void runContender(const Contender& contender, Scene& scene) {
    if (contender.convertRow) {
        velmora::gray::convertBuffer(scene.pixels.data(), scene.width, scene.height,
                                     contender.convertRow);
    } else {
        ConvertToGray(scene.pixels.data(), scene.width, scene.height);
    }
}

void printRatioTable(const std::vector<std::string>& sceneNames,
                     const std::vector<std::vector<double>>& milliseconds) {
    const std::vector<Contender> all = contenders();
    std::printf("\n%-12s %-14s %10s %12s %14s\n", "scene", "routine", "ms", "x memcpy",
                "plain / this");
    for (std::size_t s = 0; s < sceneNames.size(); ++s) {
        const double memcpyMs = milliseconds[s][0];
        const double plainMs = milliseconds[s][1];
        std::printf("%-12s %-14s %10.3f %12.2f %14s\n", sceneNames[s].c_str(), "memcpy", memcpyMs,
                    1.0, "");
        for (std::size_t c = 0; c < all.size(); ++c) {
            const double ms = milliseconds[s][c + 1];
            std::printf("%-12s %-14s %10.3f %12.2f %14.2f\n", sceneNames[s].c_str(),
                        all[c].name.c_str(), ms, ms / memcpyMs, plainMs / ms);
        }
    }
}

}  // namespace velmora::bench
