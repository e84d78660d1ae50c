// Timing of the gray conversion against a memcpy of the same buffer, shared by
// the Google Benchmark program and the stand-alone timing program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gray_conversion.h"
#include "scenes.h"

namespace velmora::bench {

// What one measurement converts with: a row converter, or the exported function.
struct Contender {
    std::string name;
    velmora::gray::RowConverter convertRow;  // null: ConvertToGray itself
};

// The plain routine, every vectorised variant this CPU runs, and the export.
std::vector<Contender> contenders();

void runContender(const Contender& contender, Scene& scene);

// Prints, for each scene, each contender's time and its ratios to the memcpy
// and to the plain routine. `milliseconds[scene][0]` is the memcpy, the rest
// follow `contenders()`.
void printRatioTable(const std::vector<std::string>& sceneNames,
                     const std::vector<std::vector<double>>& milliseconds);

}  // namespace velmora::bench
