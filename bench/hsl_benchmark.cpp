// Google Benchmark of the hue/saturation/lightness kernel over a 1920 x 1080
// buffer of 32-bit pixels: the program's call (saturation 0, hue and
// lightness kept) through HslKernel and through each gray variant, the plain
// per-pixel kernel with the same parameters, and the general kernel with all
// three parameters set, each against a memcpy of the buffer in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "hsl_kernel.h"
#include "recording_reporter.h"

namespace {

using namespace velmora::engine;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;

const std::vector<std::uint8_t>& sourcePixels() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> bytes(4 * kPixels);
        std::mt19937 random(4);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
        return bytes;
    }();
    return pixels;
}

void memcpyBuffer(benchmark::State& state) {
    std::vector<std::uint8_t> target(sourcePixels().size());
    for (auto _ : state) {
        std::memcpy(target.data(), sourcePixels().data(), target.size());
        benchmark::ClobberMemory();
    }
}

void kernel(benchmark::State& state, HslParameters parameters) {
    std::vector<std::uint8_t> target(sourcePixels().size());
    PixelBufferInfo info{};
    info.SourceBitmap.bmBits = const_cast<std::uint8_t*>(sourcePixels().data());
    info.TargetBitmap.bmBits = target.data();
    info.TargetBitmap.bmWidth = kWidth;
    info.TargetBitmap.bmHeight = kHeight;
    for (auto _ : state) {
        HslKernel(&info, parameters.hue, parameters.saturation, parameters.lightness);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 4 * kPixels);
}

void plainKernel(benchmark::State& state, HslParameters parameters) {
    std::vector<std::uint8_t> target(sourcePixels().size());
    for (auto _ : state) {
        recolourPlain(sourcePixels().data(), target.data(), kPixels, parameters);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 4 * kPixels);
}

void grayVariant(benchmark::State& state, GrayConverter convert) {
    std::vector<std::uint8_t> target(sourcePixels().size());
    for (auto _ : state) {
        convert(sourcePixels().data(), target.data(), kPixels);
        benchmark::ClobberMemory();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const HslParameters grayCall{-1, 0, -1};
    const HslParameters everyParameter{static_cast<std::int32_t>(kOne) * 3 / 2, static_cast<std::int32_t>(kOne) / 2,
                                       static_cast<std::int32_t>(kOne) * 9 / 10};
    benchmark::RegisterBenchmark("memcpy", memcpyBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("HslKernel saturation 0", kernel, grayCall)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const auto& variant : lightnessGrayVariants()) {
        if (!variant.supportedByThisCpu) continue;
        benchmark::RegisterBenchmark((std::string("gray ") + variant.name).c_str(), grayVariant, variant.function)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("plain kernel saturation 0", plainKernel, grayCall)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("HslKernel every parameter set", kernel, everyParameter)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    velmora::bench::RecordingReporter reporter;  // times in ms
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double memcpyMs = reporter.times["memcpy"];
    std::printf("\n%-32s %10s %10s %12s\n", "1920 x 1080, 32-bit pixels", "ms", "x memcpy", "Mpixel/s");
    for (const auto& [name, ms] : reporter.times) {
        std::printf("%-32s %10.3f %10.2f %12.1f\n", name.c_str(), ms, ms / memcpyMs, kPixels / ms / 1000.0);
    }
    benchmark::Shutdown();
    return 0;
}
