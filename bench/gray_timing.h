// Timing of ConvertToGray, pinned to each variant this CPU runs, against a
// memcpy of the same buffer; shared by the Google Benchmark program and the
// stand-alone timing program.
#pragma once

#include <string>
#include <vector>

#include "gray_conversion.h"
#include "scenes.h"

namespace velmora::bench {

// The variants ConvertToGray can be pinned to on this CPU, plain first; the
// last one is what it runs unpinned.
std::vector<std::string> supportedVariants();

// ConvertToGray over the whole scene, in place.
void convertScene(Scene& scene);

// Prints, for each scene, each variant's time and its ratios to the memcpy
// and to the plain routine. `milliseconds[scene][0]` is the memcpy, the rest
// follow `supportedVariants()`.
void printRatioTable(const std::vector<std::string>& sceneNames,
                     const std::vector<std::vector<double>>& milliseconds);

}  // namespace velmora::bench
