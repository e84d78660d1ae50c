// Google Benchmark of the gray conversion at 1920 x 1080: a memcpy of the
// buffer and ConvertToGray pinned to each variant, on random and on
// screen-like content; a ratio table follows the usual report.
#include <benchmark/benchmark.h>

#include <cstring>

#include "gray_timing.h"
#include "recording_reporter.h"

namespace {

using namespace velmora::bench;

const std::vector<Scene>& scenes() {
    static const std::vector<Scene> all = {randomScene(1920, 1080), screenLikeScene(1920, 1080)};
    return all;
}

void memcpyScene(benchmark::State& state, const Scene* original) {
    std::vector<std::uint8_t> target(original->pixels.size());
    for (auto _ : state) {
        std::memcpy(target.data(), original->pixels.data(), original->pixels.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void convertPinned(benchmark::State& state, const Scene* original, std::string variant) {
    const velmora::PinnedVariant pinned(velmora::gray::rowConverterDispatch(), variant);
    Scene scene = *original;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(scene.pixels.data(), original->pixels.data(), original->pixels.size());
        state.ResumeTiming();
        convertScene(scene);
        benchmark::ClobberMemory();
    }
}

std::string benchmarkName(const Scene& scene, const std::string& routine) {
    return routine + "/" + scene.name;
}

}  // namespace

int main(int argc, char** argv) {
    for (const Scene& scene : scenes()) {
        benchmark::RegisterBenchmark(benchmarkName(scene, "memcpy").c_str(), memcpyScene, &scene)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        for (const std::string& variant : supportedVariants()) {
            benchmark::RegisterBenchmark(benchmarkName(scene, variant).c_str(), convertPinned, &scene, variant)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;  // times in ms
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::vector<std::string> names;
    std::vector<std::vector<double>> table;
    for (const Scene& scene : scenes()) {
        std::vector<double> row = {reporter.times[benchmarkName(scene, "memcpy")]};
        for (const std::string& variant : supportedVariants()) {
            row.push_back(reporter.times[benchmarkName(scene, variant)]);
        }
        names.push_back(scene.name);
        table.push_back(row);
    }
    printRatioTable(names, table);
    benchmark::Shutdown();
    return 0;
}
