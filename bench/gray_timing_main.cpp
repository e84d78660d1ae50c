// Stand-alone timing of the gray conversion at 1920 x 1080 (also built for
// Windows, to run under wine64): the median of many runs of a memcpy of the
// buffer and of each routine converting it in place.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gray_timing.h"

namespace {

using namespace velmora::bench;

template <typename Work>
double medianMilliseconds(Scene& scene, const Scene& original, Work work) {
    constexpr int kRuns = 41;
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        std::memcpy(scene.pixels.data(), original.pixels.data(), original.pixels.size());
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto stop = std::chrono::steady_clock::now();
        runs.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::nth_element(runs.begin(), runs.begin() + kRuns / 2, runs.end());
    return runs[kRuns / 2];
}

}  // namespace

int main() {
    const std::vector<Scene> originals = {randomScene(1920, 1080), screenLikeScene(1920, 1080)};
    std::vector<std::string> names;
    std::vector<std::vector<double>> table;
    for (const Scene& original : originals) {
        Scene scene = original;
        std::vector<std::uint8_t> target(original.pixels.size());
        std::vector<double> row;
        row.push_back(medianMilliseconds(scene, original, [&] {
            std::memcpy(target.data(), scene.pixels.data(), scene.pixels.size());
        }));
        for (const Contender& contender : contenders()) {
            row.push_back(medianMilliseconds(scene, original, [&] { runContender(contender, scene); }));
        }
        names.push_back(original.name);
        table.push_back(row);
    }
    std::printf("Gray conversion of a 1920 x 1080 24-bit buffer (%zu bytes), median of 41 runs",
                originals[0].pixels.size());
    printRatioTable(names, table);
    return 0;
}
