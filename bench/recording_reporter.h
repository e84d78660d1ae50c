// A Google Benchmark console reporter that also keeps each benchmark's real
// time per iteration (in the benchmark's time unit), for ratio tables.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace velmora::bench {

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_None) {}

    std::map<std::string, double> times;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
};

}  // namespace velmora::bench
