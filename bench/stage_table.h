// Timing helpers of the stand-alone timing programs: milliseconds since a
// point in time, and a table of stages with their mean time and share.
#pragma once

#include <chrono>
#include <cstdio>
#include <initializer_list>

namespace velmora::bench {

using Clock = std::chrono::steady_clock;

inline double elapsedMs(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

struct Stage {
    const char* name;
    double totalMs;  // over all runs
};

// Prints each stage's mean over `runs` and its share of `wholeMs`, then the whole.
inline void printStageTable(std::initializer_list<Stage> stages, double wholeMs, const char* wholeName, int runs) {
    std::printf("%-38s %8s %8s\n", "stage", "ms", "share");
    const auto row = [&](const char* name, double totalMs) {
        std::printf("%-38s %8.3f %7.1f%%\n", name, totalMs / runs, 100.0 * totalMs / wholeMs);
    };
    for (const Stage& stage : stages) row(stage.name, stage.totalMs);
    row(wholeName, wholeMs);
}

}  // namespace velmora::bench
