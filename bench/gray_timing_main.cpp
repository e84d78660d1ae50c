// Stand-alone timing of the gray conversion at 1920 x 1080 (also built for
// Windows, to run under wine64): the median of many runs of a memcpy of the
// buffer and of ConvertToGray, pinned to each variant, converting it in place.
// The routines take turns run by run, so that a change in the machine's load
// during the measurement reaches all of them alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "gray_timing.h"

namespace {

using namespace velmora::bench;

constexpr int kRuns = 41;

double median(std::vector<double> runs) {
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    return runs[runs.size() / 2];
}

// A timed routine and what it needs done, untimed, before each run.
struct Routine {
    std::function<void(Scene&)> prepare;
    std::function<void(Scene&)> run;
};

// Median milliseconds of each routine.
std::vector<double> medianMilliseconds(const Scene& original, const std::vector<Routine>& routines) {
    Scene scene = original;
    std::vector<std::vector<double>> runs(routines.size());
    for (int i = 0; i < kRuns; ++i) {
        for (std::size_t r = 0; r < routines.size(); ++r) {
            std::memcpy(scene.pixels.data(), original.pixels.data(), original.pixels.size());
            routines[r].prepare(scene);
            const auto start = std::chrono::steady_clock::now();
            routines[r].run(scene);
            const auto stop = std::chrono::steady_clock::now();
            runs[r].push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& routineRuns : runs) medians.push_back(median(routineRuns));
    return medians;
}

}  // namespace

int main() {
    const std::vector<Scene> originals = {randomScene(1920, 1080), screenLikeScene(1920, 1080)};
    // The memcpy copies to a buffer it has just written, so that, like the
    // conversion in place, it finds both buffers in the cache.
    std::vector<std::uint8_t> target(originals[0].pixels.size());
    const auto copyToTarget = [&target](Scene& scene) {
        std::memcpy(target.data(), scene.pixels.data(), scene.pixels.size());
    };
    std::vector<Routine> routines = {{copyToTarget, copyToTarget}};
    for (const std::string& variant : supportedVariants()) {
        routines.push_back({[](Scene&) {}, [variant](Scene& scene) {
                                const velmora::PinnedVariant pinned(velmora::gray::rowConverterDispatch(), variant);
                                convertScene(scene);
                            }});
    }
    std::vector<std::string> names;
    std::vector<std::vector<double>> table;
    for (const Scene& original : originals) {
        names.push_back(original.name);
        table.push_back(medianMilliseconds(original, routines));
    }
    std::printf("Gray conversion of a 1920 x 1080 24-bit buffer (%zu bytes), median of %d runs",
                originals[0].pixels.size(), kRuns);
    printRatioTable(names, table);
    return 0;
}
